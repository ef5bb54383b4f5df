// Scaling.h: the mixed plot journal of the scaling check, and the check
// itself: plothost replaying journals of growing size.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

// Writes a journal of Elements drawing calls (tracks, arcs, pads and drill
// holes in a fixed pseudo-random mix over several layers), the same for the
// same count.
void WriteMixedJournal(std::FILE* Out, long Elements);

// Runs Plothost on a generated journal of each size, written to a file, and
// prints CPU and wall time per element and the peak resident memory of the
// plothost process. Returns 0, or 1 when a run failed.
int RunScaling(const std::string& Plothost, const std::vector<long>& Sizes);

// What a child process took: CPU (user + system) and wall seconds, peak
// resident MiB, and its exit status (128 + signal when killed).
struct Measured {
  double Cpu = 0, Wall = 0, RssMiB = 0;
  int Status = 0;
};

// Runs Argv (found on PATH when it has no slash) with standard output and
// error to /dev/null, and measures it from the kernel's accounting of the
// child (wait4). False when it could not be started or waited for.
bool RunMeasured(const std::vector<std::string>& Argv, Measured& M);

// The size of a file in bytes, -1 when it cannot be read.
long FileSize(const std::string& Path);

// Makes a fresh folder svgdrv-NAME-XXXXXX under $TMPDIR or /tmp; false
// (with a message) when it cannot.
bool ScratchDir(const char* Name, std::string& Dir);
