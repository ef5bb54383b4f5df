// Journal.h: the plot journal, a host's call stream written down.
//
// One call (tools/calls/Calls.h) per line, named after the entry point it
// makes. A journal is read a line at a time through a fixed buffer, so no
// journal, however long, is ever held whole in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/calls/Calls.h"

// The longest line a journal may hold: 64 KiB before its LF. A longer one
// (an endless stream without line ends, such as /dev/zero) is refused
// rather than buffered.
constexpr size_t MaxLineLength = 65536;

// Reads lines from a source through a buffer of fixed size. Read fills Buf
// with up to Max bytes and returns their count, 0 at the end, -1 on failure.
using ReadFn = int64_t (*)(void* Context, char* Buf, size_t Max);

struct LineReader {
  ReadFn Read = nullptr;
  void* Context = nullptr;
  std::vector<char> Buf;
  size_t Begin = 0, End = 0;  // unread bytes in Buf
  bool AtEnd = false;
  int64_t LineNo = 0;     // the line last returned, 1-based; 64 bits, never wraps
};

enum class NextResult { Line, End, TooLong, Failed };

// Starts reading; the reader's buffer is allocated here, once.
void StartReader(LineReader& R, ReadFn Read, void* Context);

// The next line, without its LF and without the CRs before it; a UTF-8 byte
// order mark before the first line is skipped. TooLong: the line has more
// than MaxLineLength bytes (R.LineNo is its number); reading stops there.
NextResult NextLine(LineReader& R, std::string_view& Line);

enum class LineResult { Blank, Call, Error };

// Parses one line (blank and comment lines are Blank). On Error, Message
// says what is wrong, without the "FILE:LINE: " that callers put before it.
// Out.Line is left for the caller.
LineResult ParseLine(std::string_view Line, Call& Out, std::string& Message);

// One call as a journal line, without the line end. ParseLine reads it
// back as the same call.
std::string FormatCall(const Call& C);

const char* VerbName(Verb V);

// Decimal text of V, independent of any locale.
std::string Decimal(int64_t V);

// "NAME:LINE: " as every journal message begins.
std::string Where(std::string_view Name, int64_t Line);
