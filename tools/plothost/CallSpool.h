// CallSpool.h: the calls of a checked journal, kept in a scratch file for
// the replay.
//
// The check parses every line once; each good call is appended here in a
// compact binary form, and the replay reads them back instead of parsing
// the journal a second time. Memory stays one fixed buffer whatever the
// journal's length, and the replay no longer depends on the journal (a
// pipe, or a file changed meanwhile) being read again.
#pragma once

#include <string>
#include <vector>

#include "Journal.h"

struct CallSpool {
  int Fd = -1;
  std::string Name;        // the scratch file's name, for messages
  std::vector<char> Buf;   // one fixed buffer, for writing and then reading
  size_t Begin = 0, End = 0;
  bool Failed = false;     // a write or read failed: FailText says why
  std::string FailText;
};

// A new scratch file that disappears when closed; false with Error.
bool OpenSpool(CallSpool& S, std::string& Error);
// Appends one call (Context: the CallSpool); failures are kept in S.Failed.
void SpoolCall(void* Context, const Call& C);
// Writes out what is buffered and goes back to the first call.
bool RewindSpool(CallSpool& S);
// The next call: 1, or 0 at the end, or -1 when the file cannot be read.
int NextSpooledCall(CallSpool& S, Call& C);
void CloseSpool(CallSpool& S);
