// DrvTypes.h: the records the host reads and writes in place.
//
// The descriptor, the 31 parameter records and the aperture table are packed,
// little-endian and laid out for a 32-bit process: the host reads them through
// the addresses the driver hands out, so every size and offset below is part
// of the interface and is checked at compile time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "DrvConf.h"

// A short string of N + 1 bytes: a length byte, then N character bytes of
// which the first Len are the text.
template <int N>
struct TShortStr {
  uint8_t Len;
  char Text[N];
};

// A short string from a literal at compile time (the stored contents, the
// colour keywords); text past N characters is cut.
template <int N>
constexpr TShortStr<N> Str(const char* s) {
  TShortStr<N> r{};
  int n = 0;
  while (s[n] != 0 && n < N) {
    r.Text[n] = s[n];
    ++n;
  }
  r.Len = static_cast<uint8_t>(n);
  return r;
}

#pragma pack(push, 1)

struct TDrvDescr {
  TShortStr<24> DriverName;
  uint8_t HostByteA;
  uint8_t HostByteB;
  uint16_t Flags;          // bit 15: the HiddenText switch from the settings
  int32_t ParamCount;
  TShortStr<8> ShortName;  // names the settings file
  TShortStr<12> DefaultExt;
  int32_t MaxAperture;
  uint32_t ApertureTable;  // 4-byte address of the table, set at load
  int32_t HostIntA;
  int32_t HostIntB;
  int32_t PaperWidth;
  int32_t PaperHeight;
  int32_t HostIntC;
  int32_t HostIntD;
  int32_t HostIntE;
  int32_t HostIntF;
};

enum : uint8_t { ParamKindRange = 0, ParamKindChoice = 1 };

struct TParamRange {
  int32_t MinValue;
  int32_t MaxValue;
  uint8_t Rest[248];
};

struct TDrvParam {
  TShortStr<30> Name;
  int32_t Value;
  uint8_t Kind;
  union {
    TShortStr<255> Choices;  // ParamKindChoice: entries separated by '|'
    TParamRange Range;       // ParamKindRange
  };
};

struct TAperture {
  uint8_t HostHead[31];  // the host's own bytes, never read
  uint8_t Shape;
  int32_t Width;
  int32_t Height;
  uint8_t HostTail[5];   // the host's own bytes, never read
};

#pragma pack(pop)

constexpr int DrvParamCount = 31;
constexpr int MaxAperture = 600;
constexpr uint16_t HiddenTextFlag = 0x8000;

// Descriptor and parameters form one block: parameter 0 starts at the byte
// after the descriptor.
struct TDrvBlock {
  TDrvDescr Descr;
  TDrvParam Params[DrvParamCount];
};

// Layout checks: sizes and every field offset the host relies on.
static_assert(sizeof(TShortStr<24>) == 25 && sizeof(TShortStr<255>) == 256);
static_assert(sizeof(TDrvDescr) == 95);
static_assert(offsetof(TDrvDescr, DriverName) == 0);
static_assert(offsetof(TDrvDescr, HostByteA) == 25);
static_assert(offsetof(TDrvDescr, HostByteB) == 26);
static_assert(offsetof(TDrvDescr, Flags) == 27);
static_assert(offsetof(TDrvDescr, ParamCount) == 29);
static_assert(offsetof(TDrvDescr, ShortName) == 33);
static_assert(offsetof(TDrvDescr, DefaultExt) == 42);
static_assert(offsetof(TDrvDescr, MaxAperture) == 55);
static_assert(offsetof(TDrvDescr, ApertureTable) == 59);
static_assert(offsetof(TDrvDescr, HostIntA) == 63);
static_assert(offsetof(TDrvDescr, HostIntB) == 67);
static_assert(offsetof(TDrvDescr, PaperWidth) == 71);
static_assert(offsetof(TDrvDescr, PaperHeight) == 75);
static_assert(offsetof(TDrvDescr, HostIntC) == 79);
static_assert(offsetof(TDrvDescr, HostIntD) == 83);
static_assert(offsetof(TDrvDescr, HostIntE) == 87);
static_assert(offsetof(TDrvDescr, HostIntF) == 91);
static_assert(sizeof(TDrvParam) == 292);
static_assert(offsetof(TDrvParam, Name) == 0);
static_assert(offsetof(TDrvParam, Value) == 31);
static_assert(offsetof(TDrvParam, Kind) == 35);
static_assert(offsetof(TDrvParam, Choices) == 36);
static_assert(offsetof(TDrvParam, Range) == 36);
static_assert(offsetof(TParamRange, MaxValue) == 4 && sizeof(TParamRange) == 256);
static_assert(sizeof(TAperture) == 45);
static_assert(offsetof(TAperture, Shape) == 31);
static_assert(offsetof(TAperture, Width) == 32);
static_assert(offsetof(TAperture, Height) == 36);
static_assert(offsetof(TAperture, HostTail) == 40);
static_assert(sizeof(TDrvBlock) == 9147 && offsetof(TDrvBlock, Params) == 95);
static_assert(sizeof(TAperture) * (MaxAperture + 1) == 27045);

// The descriptor and parameters, holding their stored contents at load.
DRV_FUNC extern TDrvBlock DrvBlock;

// The aperture table: MaxAperture + 1 records, all zero at load, at one
// address for the library's lifetime. PlaceApertureTable runs at load and
// publishes the address in the descriptor.
DRV_FUNC extern TAperture* ApertureTable;
DRV_FUNC void PlaceApertureTable();
// Gives a mapped table back when the library unloads: each load maps a fresh
// one, and a host that loads and unloads the library many times would
// otherwise run out of low addresses. Does nothing where the table is
// module data.
DRV_FUNC void ReleaseApertureTable();

// The aperture record N, or nullptr when N lies outside the table: a drawing
// call with such a number writes nothing.
DRV_FUNC const TAperture* ApertureRecord(int32_t N);

inline int32_t ParamValue(int Index) { return DrvBlock.Params[Index].Value; }
