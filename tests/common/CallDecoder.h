// CallDecoder.h: any bytes turned into a sequence of host calls, for the
// fuzz targets and the randomised tests.
//
// Every byte string decodes to some sequence: entry-point calls with any
// int32 arguments (the extremes more often than chance would give them),
// parameter values and aperture records written straight into the records
// as a host does, layers out of range, calls before OpenEquip and after
// CloseEquip, several documents, text of any bytes. The decoder only calls;
// what the calls must do is for the caller to check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "driver/Exports.h"

// The entry points as a host resolved them, and the table it writes.
struct TEntryPoints {
  decltype(&::GetDescrPtr440) GetDescrPtr440;
  decltype(&::GetParamPtr) GetParamPtr;
  decltype(&::SetParamValue) SetParamValue;
  decltype(&::LayerOrdering) LayerOrdering;
  decltype(&::OpenEquip) OpenEquip;
  decltype(&::OpenLayer) OpenLayer;
  decltype(&::CloseEquip) CloseEquip;
  decltype(&::Comment) Comment;
  decltype(&::DrawLine) DrawLine;
  decltype(&::DrawArc) DrawArc;
  decltype(&::FlashPad) FlashPad;
  decltype(&::DrillHole) DrillHole;
  decltype(&::DrawText) DrawText;
};

// What the decoder tells its caller besides calling: a hook before every
// entry-point call (so a caller can track documents), and after a record
// was written in place.
enum class TCallKind : uint8_t {
  SetParamValue, WriteParam, WriteAperture, OpenEquip, OpenLayer, CloseEquip, Comment,
  DrawLine, DrawArc, FlashPad, DrillHole, DrawText, LayerOrdering, GetParamPtr,
  GetDescrPtr440, Count
};

struct TCallReader {
  const uint8_t* Data;
  size_t Size;
  size_t At;

  uint8_t Byte() { return At < Size ? Data[At++] : 0; }

  // A byte picks an interesting value or says four raw bytes follow.
  int32_t Int() {
    static constexpr int32_t Special[] = {0,    1,     -1,    2,     90,    180,  270,  360,
                                          450,  -90,   25,    50,    100,   1000, 10000,
                                          INT32_MAX, INT32_MIN, INT32_MAX - 1, INT32_MIN + 1,
                                          -2147483647, 65535, -65536};
    constexpr uint8_t specials = sizeof Special / sizeof Special[0];
    const uint8_t b = Byte();
    if (b < specials) return Special[b];
    if (b < 128) return static_cast<int32_t>(b) * 37 - 2000;  // small, nearby values
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
    return static_cast<int32_t>(v);
  }
};

// Decodes Data and makes its calls. Write is the callback every OpenEquip
// hands over; Before(kind) runs before each call is made.
template <typename TBefore>
void RunCalls(const uint8_t* Data, size_t Size, const TEntryPoints& E, TDrvWriteProc Write,
              TBefore&& Before) {
  TCallReader r{Data, Size, 0};
  TAperture* table = reinterpret_cast<TAperture*>(
      static_cast<uintptr_t>(E.GetDescrPtr440()->ApertureTable));
  while (r.At < r.Size) {
    const auto kind = static_cast<TCallKind>(r.Byte() % static_cast<uint8_t>(TCallKind::Count));
    switch (kind) {
      case TCallKind::SetParamValue: {
        const uint8_t index = r.Byte();
        const int32_t value = r.Int();
        Before(kind);
        E.SetParamValue(index, value);
        break;
      }
      case TCallKind::WriteParam: {  // the host writes a value in place
        const uint8_t index = r.Byte() % 31;
        const int32_t value = r.Int();
        Before(kind);
        TDrvParam* p = E.GetParamPtr(index);
        std::memcpy(reinterpret_cast<char*>(p) + offsetof(TDrvParam, Value), &value, 4);
        break;
      }
      case TCallKind::WriteAperture: {
        const int n = (r.Byte() | r.Byte() << 8) % (MaxAperture + 1);
        const uint8_t shape = r.Byte() % 8;  // 0 to 7: every drawn shape and some that aren't
        const int32_t w = r.Int(), h = r.Int();
        Before(kind);
        if (table == nullptr) break;
        char* rec = reinterpret_cast<char*>(table) + n * sizeof(TAperture);
        rec[offsetof(TAperture, Shape)] = static_cast<char>(shape);
        std::memcpy(rec + offsetof(TAperture, Width), &w, 4);
        std::memcpy(rec + offsetof(TAperture, Height), &h, 4);
        break;
      }
      case TCallKind::OpenEquip: {
        const int32_t a = r.Int(), b = r.Int(), c = r.Int(), d = r.Int();
        Before(kind);
        E.OpenEquip(Write, a, b, c, d);
        break;
      }
      case TCallKind::OpenLayer: {
        const uint8_t b = r.Byte();
        const int32_t layer = b < 26 ? b : b < 250 ? b % 26 : r.Int();
        Before(kind);
        E.OpenLayer(layer, 0);
        break;
      }
      case TCallKind::CloseEquip:
        Before(kind);
        E.CloseEquip();
        break;
      case TCallKind::Comment:
        Before(kind);
        E.Comment(r.Int());
        break;
      case TCallKind::DrawLine: {
        const int32_t a = r.Int(), b = r.Int(), c = r.Int(), d = r.Int(), ap = r.Int();
        Before(kind);
        E.DrawLine(a, b, c, d, ap);
        break;
      }
      case TCallKind::DrawArc: {
        const int32_t x = r.Int(), y = r.Int(), rad = r.Int(), s = r.Int(), e = r.Int(),
                      ap = r.Int();
        Before(kind);
        E.DrawArc(x, y, rad, s, e, ap);
        break;
      }
      case TCallKind::FlashPad:
      case TCallKind::DrillHole: {
        const int32_t x = r.Int(), y = r.Int(), ap = r.Int();
        Before(kind);
        (kind == TCallKind::FlashPad ? E.FlashPad : E.DrillHole)(x, y, ap);
        break;
      }
      case TCallKind::DrawText: {
        TShortStr<255> text{};
        text.Len = r.Byte();
        for (int i = 0; i < text.Len; ++i) text.Text[i] = static_cast<char>(r.Byte());
        Before(kind);
        E.DrawText(&text, r.Int(), 0, 0, 0, 0, 0, 0);
        break;
      }
      case TCallKind::LayerOrdering: {
        const int32_t p = r.Int();
        Before(kind);
        E.LayerOrdering(p);
        break;
      }
      case TCallKind::GetParamPtr: {
        const uint8_t index = r.Byte();
        Before(kind);
        E.GetParamPtr(index);  // the address only; nothing is read through it
        break;
      }
      case TCallKind::GetDescrPtr440:
      case TCallKind::Count:
        Before(kind);
        E.GetDescrPtr440();
        break;
    }
  }
}
