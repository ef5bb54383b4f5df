// Journal.h: the plot journal, a host's call stream written down.
//
// One call per line, named after the entry point it makes (plus Aperture,
// the host writing one record of the driver's aperture table). A journal is
// read a line at a time through a fixed buffer, so no journal, however
// long, is ever held whole in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

enum class Verb : uint8_t {
  SetParamValue,
  Aperture,
  OpenEquip,
  OpenLayer,
  DrawLine,
  DrawArc,
  FlashPad,
  DrillHole,
  DrawText,
  Comment,
  CloseEquip,
};

constexpr size_t MaxTextLength = 255;  // a short string's capacity

// One call; a fixed-size record, so parsing a line allocates nothing.
struct Call {
  Verb What;
  uint8_t TextLength;  // DrawText only: the bytes of Text in use
  int64_t Line;        // 1-based line of the journal; 0 for generated calls
  int32_t Arg[6];      // in the order the journal (and the entry point) takes them; unused 0
  char Text[MaxTextLength];
};

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

// Whether two calls are the same call: verb, arguments and text.
bool SameCall(const Call& A, const Call& B);

const char* VerbName(Verb V);

// Decimal text of V, independent of any locale.
std::string Decimal(int64_t V);

// "NAME:LINE: " as every journal message begins.
std::string Where(std::string_view Name, int64_t Line);

// Convenience constructors for calls that the host makes up itself.
Call MakeCall(Verb V, std::initializer_list<int32_t> Args);
Call MakeText(std::string_view Text);
