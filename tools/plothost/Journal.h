// Journal.h: the plot journal, a host's call stream written down.
//
// One call per line, named after the entry point it makes (plus Aperture,
// the host writing one record of the driver's aperture table). A journal is
// parsed whole before anything is called, so a bad line never leaves half a
// plot behind.
#pragma once

#include <cstdint>
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

struct Call {
  Verb What;
  int Line;           // 1-based line of the journal; 0 for generated calls
  int32_t Arg[6];     // in the order the journal (and the entry point) takes them
  std::string Text;   // DrawText only: the bytes of the short string
};

constexpr size_t MaxTextLength = 255;  // a short string's capacity

// Parses journal Source; Name is what messages call the file. Every bad line
// adds one "NAME:LINE: what is wrong" message to Errors; Calls holds the
// good calls.
void ParseJournal(std::string_view Name, std::string_view Source, std::vector<Call>& Calls,
                  std::vector<std::string>& Errors);

// One call as a journal line, without the line end. ParseJournal reads it
// back as the same call.
std::string FormatCall(const Call& C);

const char* VerbName(Verb V);

// Convenience constructors for calls that the host makes up itself.
Call MakeCall(Verb V, std::initializer_list<int32_t> Args);
Call MakeText(std::string_view Text);
