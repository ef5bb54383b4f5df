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
