// JournalFile.h: a journal read twice, first to check it and then to
// replay it, without ever holding it in memory. A regular file is read
// again from where it began; anything else (standard input from a pipe, a
// FIFO) is copied during the first pass into a scratch file that the
// replay reads, and that disappears when plothost ends.
#pragma once

#include <cstdint>
#include <string>

#include "Journal.h"

struct JournalFile {
  std::string Name;  // as messages call it: the path, or "<stdin>"
  int Fd = -1;       // the journal as given
  bool Owned = false;
  int64_t Start = -1;  // a regular file: where the journal begins in it
  int SpoolFd = -1;    // otherwise: the copy the replay reads
  std::string SpoolName;
  bool Replaying = false;
  bool SpoolFailed = false;  // the failure was writing the copy, not reading
  std::string FailText;
};

// Path "-": standard input. False with a message when it cannot be opened.
bool OpenJournal(const std::string& Path, JournalFile& J, std::string& Error);

// The ReadFn over the journal (Context: the JournalFile).
int64_t ReadJournal(void* Context, char* Buf, size_t Max);

// Back to the journal's first byte, for the replay.
bool RewindJournal(JournalFile& J, std::string& Error);

void CloseJournal(JournalFile& J);
