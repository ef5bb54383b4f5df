// Output.h: where the bytes that the driver hands to the write callback go.
//
// One output at a time, in three steps that every plotting mode shares:
// OpenOutput, then the plot through WriteOutput, then CommitOutput (or
// AbortOutput on any failure).
//
// A regular file (or a name not yet taken) is written under a fresh
// temporary name in its folder and renamed into place only when the whole
// plot has gone through, so a failed or interrupted run never leaves a
// truncated file nor touches an older one; SIGINT, SIGTERM and SIGHUP (Ctrl-C
// on Windows) remove the temporary file. A symbolic link to a regular file
// keeps the link: its target is replaced. Anything else that exists (a FIFO,
// a device such as /dev/null) is written straight, as `cat > FILE` would.
#pragma once

#include <cstdint>
#include <string>

#include "host/DLL_Util.h"

// Path "-": standard output.
bool OpenOutput(const std::string& Path, std::string& Error);

// Flushes and, for a file written under a temporary name, renames it into
// place. On failure the temporary file is removed.
bool CommitOutput(std::string& Error);

// Drops what was written under a temporary name.
void AbortOutput();

// The callback handed to OpenEquip: bytes go to the open output.
void DRV_CALL WriteOutput(const char* Buf, int32_t Count);
