// DrvTypes.cpp: the stored contents of the descriptor and the parameter
// records, and the placement of the aperture table.
#include "DrvTypes.h"

#include <cstring>

#if !defined(_WIN32)
#  include <sys/mman.h>
#endif

namespace {

constexpr int StrLen(const char* s) {
  int n = 0;
  while (s[n] != 0) ++n;
  return n;
}

// The colour choices, the same in all 25 colour parameters; ">" marks the
// hot key of an entry for the host.
constexpr const char* ColorChoices =
    "Blac>k|>Dark Gray|>Light Gray|>White|>Yellow|>Green|>Cyan|>Blue|>Magenta|"
    ">Red|Gold|Tan|Khaki|Olive Drab|Lime Green|Turquoise|Royal Blue|"
    "Blue Violet|Dark Orchid|Plum|Pale Violet Red|Deep Pink|Crimson|"
    "Rosy Brown|Brown|Chocolate|Dark Orange|Orange";
static_assert(StrLen(ColorChoices) == 244);

constexpr TDrvParam Choice(const char* name, int32_t value) {
  TDrvParam p{};
  p.Name = Str<30>(name);
  p.Value = value;
  p.Kind = ParamKindChoice;
  p.Choices = Str<255>(ColorChoices);
  return p;
}

constexpr TDrvParam Range(const char* name, int32_t value, int32_t lo, int32_t hi) {
  TDrvParam p{};
  p.Name = Str<30>(name);
  p.Value = value;
  p.Kind = ParamKindRange;
  p.Range = TParamRange{lo, hi, {}};
  return p;
}

constexpr TDrvBlock StoredBlock() {
  TDrvBlock b{};
  TDrvDescr& d = b.Descr;
  d.DriverName = Str<24>("SVG  QZ 2025");
  d.HostByteA = 4;
  d.HostByteB = 42;
  d.Flags = 0xDD0C;
  d.ParamCount = DrvParamCount;
  d.ShortName = Str<8>("SVG");
  d.DefaultExt = Str<12>(".svg");
  d.MaxAperture = MaxAperture;
  d.ApertureTable = 0;
  d.HostIntA = 0;
  d.HostIntB = 0;
  d.PaperWidth = 210;  // ISO 216 A4, millimetres
  d.PaperHeight = 297;
  d.HostIntC = 1000;
  d.HostIntD = 1000;
  d.HostIntE = 1;
  d.HostIntF = 0;

  // Palette colour of host layers 0 to 23, as positions in the choice list.
  constexpr int32_t layerColor[24] = {14, 16, 16, 0, 0, 0, 0, 0, 11, 9, 0, 0,
                                      0,  0,  6,  11, 0, 0, 0, 0, 0, 22, 22, 27};
  constexpr const char* layerName[24] = {
      "Layer >0 ", "Layer >1 ", "Layer >2 ", "Layer >3 ", "Layer >4 ",
      "Layer >5 ", "Layer >6 ", "Layer >7 ", "Layer >8 ", "Layer >9 ",
      "Layer 10",  "Layer 11",  "Layer 12",  "Layer 13",  "Layer 14",
      "Layer 15",  "Layer 16",  "Layer 17",  "Layer 18",  "Layer 19",
      "Layer 20",  "Layer 21",  "Layer 22",  "Layer 23"};
  for (int i = 0; i < 24; ++i) b.Params[i] = Choice(layerName[i], layerColor[i]);
  b.Params[24] = Choice("Holes|", 3);
  b.Params[25] = Range(">Dark Gray Shade (%)", 36, 0, 100);
  b.Params[26] = Range(">Light Gray Shade (%)", 12, 0, 100);
  b.Params[27] = Range("Color >Saturation (%)", 30, 0, 100);
  b.Params[28] = Range("Color >Brightness (%)|", 80, 30, 100);
  b.Params[29] = Range(">Pad Rel. Saturation (%)", 30, -90, 90);
  b.Params[30] = Range("Pad >Rel. Brightness (%)|", -10, -90, 90);
  return b;
}

TAperture StaticApertures[MaxAperture + 1];

}  // namespace

TDrvBlock DrvBlock = StoredBlock();
TAperture* ApertureTable = StaticApertures;

// The descriptor's table field is four bytes wide. In the 32-bit DLL every
// address fits, so the table is plain module data. A 64-bit process maps its
// table below 2 GiB instead, so that the same four bytes still hold its whole
// address and a host finds the table exactly as a 32-bit host does; should no
// such mapping be had, the table stays module data and the field reads 0.
void PlaceApertureTable() {
#if !defined(_WIN32) && UINTPTR_MAX > 0xFFFFFFFFu
  constexpr size_t size = sizeof(TAperture) * (MaxAperture + 1);
  void* p = MAP_FAILED;
#  if defined(MAP_32BIT)
  p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
#  endif
  // Without MAP_32BIT, ask for low addresses one after another.
  for (uintptr_t hint = 0x10000000u; p == MAP_FAILED && hint < 0x80000000u; hint += 0x10000000u) {
    void* q = mmap(reinterpret_cast<void*>(hint), size, PROT_READ | PROT_WRITE,
                   MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (q == MAP_FAILED) continue;
    if (reinterpret_cast<uintptr_t>(q) + size <= 0x80000000u) {
      p = q;
    } else {
      munmap(q, size);
    }
  }
  if (p != MAP_FAILED && reinterpret_cast<uintptr_t>(p) + size <= 0x80000000u) {
    ApertureTable = static_cast<TAperture*>(p);  // anonymous pages: all zero
  }
  const uintptr_t at = reinterpret_cast<uintptr_t>(ApertureTable);
  DrvBlock.Descr.ApertureTable = at + size <= 0x80000000u ? static_cast<uint32_t>(at) : 0;
#else
  DrvBlock.Descr.ApertureTable = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(ApertureTable));
#endif
}

void ReleaseApertureTable() {
#if !defined(_WIN32) && UINTPTR_MAX > 0xFFFFFFFFu
  if (ApertureTable == StaticApertures) return;
  munmap(ApertureTable, sizeof(TAperture) * (MaxAperture + 1));
  ApertureTable = StaticApertures;
  DrvBlock.Descr.ApertureTable = 0;
#endif
}

const TAperture* ApertureRecord(int32_t N) {
  if (N < 0 || N > MaxAperture) return nullptr;
  return &ApertureTable[N];
}
