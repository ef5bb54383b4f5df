// StoredBlock.h: the descriptor and parameter block as a host must find it
// after load, spelled out byte by byte from the published layout, for the
// hosts that check the library (native and under Wine).
#pragma once

#include <cstdint>
#include <cstring>

namespace stored {

constexpr int BlockSize = 9147;
constexpr int DescrSize = 95;
constexpr int ParamSize = 292;
constexpr int TableFieldOffset = 59;  // the aperture table's address
constexpr int FlagsOffset = 27;

inline void PutStr(uint8_t* At, int Width, const char* S) {
  const int n = static_cast<int>(std::strlen(S));
  At[0] = static_cast<uint8_t>(n);
  std::memcpy(At + 1, S, n);
  std::memset(At + 1 + n, 0, Width - n);
}

inline void PutI32(uint8_t* At, int32_t V) {
  const uint32_t u = static_cast<uint32_t>(V);
  for (int i = 0; i < 4; ++i) At[i] = static_cast<uint8_t>(u >> (8 * i));
}

// The whole block with Flags as given (0xDD0C, or 0x5D0C with the HiddenText
// switch off) and the table address field as given.
inline void Expected(uint8_t* B, uint16_t Flags, uint32_t TableAddress) {
  std::memset(B, 0, BlockSize);
  PutStr(B + 0, 24, "SVG  QZ 2025");
  B[25] = 4;
  B[26] = 42;
  B[27] = static_cast<uint8_t>(Flags);
  B[28] = static_cast<uint8_t>(Flags >> 8);
  PutI32(B + 29, 31);
  PutStr(B + 33, 8, "SVG");
  PutStr(B + 42, 12, ".svg");
  PutI32(B + 55, 600);
  PutI32(B + 59, static_cast<int32_t>(TableAddress));
  const int32_t tail[8] = {0, 0, 210, 297, 1000, 1000, 1, 0};
  for (int i = 0; i < 8; ++i) PutI32(B + 63 + 4 * i, tail[i]);

  static const char* const names[31] = {
      "Layer >0 ", "Layer >1 ", "Layer >2 ", "Layer >3 ", "Layer >4 ", "Layer >5 ",
      "Layer >6 ", "Layer >7 ", "Layer >8 ", "Layer >9 ", "Layer 10", "Layer 11",
      "Layer 12", "Layer 13", "Layer 14", "Layer 15", "Layer 16", "Layer 17",
      "Layer 18", "Layer 19", "Layer 20", "Layer 21", "Layer 22", "Layer 23",
      "Holes|", ">Dark Gray Shade (%)", ">Light Gray Shade (%)", "Color >Saturation (%)",
      "Color >Brightness (%)|", ">Pad Rel. Saturation (%)", "Pad >Rel. Brightness (%)|"};
  static const int32_t values[31] = {14, 16, 16, 0, 0, 0, 0, 0, 11, 9, 0, 0, 0, 0, 6, 11,
                                     0,  0,  0,  0, 0, 22, 22, 27, 3, 36, 12, 30, 80, 30, -10};
  static const int32_t lo[6] = {0, 0, 0, 30, -90, -90};
  static const int32_t hi[6] = {100, 100, 100, 100, 90, 90};
  static const char* const choices =
      "Blac>k|>Dark Gray|>Light Gray|>White|>Yellow|>Green|>Cyan|>Blue|>Magenta|>Red|Gold|"
      "Tan|Khaki|Olive Drab|Lime Green|Turquoise|Royal Blue|Blue Violet|Dark Orchid|Plum|"
      "Pale Violet Red|Deep Pink|Crimson|Rosy Brown|Brown|Chocolate|Dark Orange|Orange";
  for (int i = 0; i < 31; ++i) {
    uint8_t* p = B + DescrSize + i * ParamSize;
    PutStr(p, 30, names[i]);
    PutI32(p + 31, values[i]);
    if (i < 25) {
      p[35] = 1;
      PutStr(p + 36, 255, choices);
    } else {
      p[35] = 0;
      PutI32(p + 36, lo[i - 25]);
      PutI32(p + 40, hi[i - 25]);
    }
  }
}

}  // namespace stored
