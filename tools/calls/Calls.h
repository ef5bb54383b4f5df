// Calls.h: the call model, one host call of the driver's entry points (plus
// Aperture, the host writing one record of the driver's aperture table) as
// a fixed-size record. The journal reads and writes these calls as text,
// the CAM import makes them from a board's files, and plothost replays them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string_view>

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

// Whether two calls are the same call: verb, arguments and text.
bool SameCall(const Call& A, const Call& B);

// Convenience constructors for calls that the host makes up itself.
Call MakeCall(Verb V, std::initializer_list<int32_t> Args);
Call MakeText(std::string_view Text);
