// JournalFile.h: the journal, read once from its start to its end, by the
// check; the replay reads the checked calls back from a scratch file of
// their own (CallSpool.h), so a pipe or a FIFO needs no copy.
#pragma once

#include <cstdint>
#include <string>

#include "Journal.h"

struct JournalFile {
  std::string Name;  // as messages call it: the path, or "<stdin>"
  int Fd = -1;       // the journal as given
  bool Owned = false;
  std::string FailText;  // why the last read failed
};

// Path "-": standard input. False with a message when it cannot be opened.
bool OpenJournal(const std::string& Path, JournalFile& J, std::string& Error);

// The ReadFn over the journal (Context: the JournalFile).
int64_t ReadJournal(void* Context, char* Buf, size_t Max);

void CloseJournal(JournalFile& J);
