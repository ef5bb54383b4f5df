// RecordCheck.cpp: a host that drives seeded random call sequences through
// the library and, as a real host does, writes parameter values and aperture
// records straight into the driver's records before every call. Built
// natively and for Windows from this one source; with Record set in the
// SVG.ini beside it, the driver's journal must replay to exactly the bytes
// this host received (record-roundtrip.sh checks that).
//
// Usage: recordcheck LIBRARY SEED COUNT OUT
//   runs sequences SEED to SEED + COUNT - 1 in one load of LIBRARY, unloads
//   it (which writes the journal's last lines) and writes every byte it
//   received to OUT ("-": standard output).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#  include <windows.h>
#  undef DrawText
#else
#  include <dlfcn.h>
#endif

#include "tests/common/CallDecoder.h"

namespace {

std::string Received;

void DRV_CALL Write(const char* Buf, int32_t Count) {
  Received.append(Buf, static_cast<size_t>(Count));
}

// splitmix64: the same numbers on every platform.
uint64_t State;
uint32_t Next() {
  uint64_t z = (State += 0x9E3779B97F4A7C15u);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

// The aperture numbers the decoder names most: its special values and its
// small nearby values (byte * 37 - 2000) that fall inside the table.
constexpr int Named[] = {0,   1,   2,   25,  50,  90,  100, 180, 270, 360, 450, 35,  72,
                         109, 146, 183, 220, 257, 294, 331, 368, 405, 442, 479, 516, 553, 590};

int32_t SomeValue() {
  const uint32_t r = Next();
  switch (r % 4) {
    case 0: return static_cast<int32_t>(r >> 8) % 28;          // a colour entry
    case 1: return static_cast<int32_t>(r >> 8) % 201 - 100;   // a percentage, or beyond
    case 2: return static_cast<int32_t>(r >> 8) % 400;         // a size
    default: return static_cast<int32_t>(Next());              // anything
  }
}

// What a host writes in place between two calls: one parameter value and
// one aperture record.
void ChangeRecords(TDrvParam* Params, TAperture* Table) {
  const int32_t v = SomeValue();
  char* p = reinterpret_cast<char*>(Params) + (Next() % 31) * sizeof(TDrvParam);
  std::memcpy(p + offsetof(TDrvParam, Value), &v, 4);
  if (Table == nullptr) return;
  char* rec = reinterpret_cast<char*>(Table) +
              Named[Next() % (sizeof Named / sizeof Named[0])] * sizeof(TAperture);
  const int32_t w = SomeValue(), h = SomeValue();
  rec[offsetof(TAperture, Shape)] = static_cast<char>(Next() % 8);
  std::memcpy(rec + offsetof(TAperture, Width), &w, 4);
  std::memcpy(rec + offsetof(TAperture, Height), &h, 4);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: recordcheck LIBRARY SEED COUNT OUT\n");
    return 2;
  }
  const unsigned long seed = std::strtoul(argv[2], nullptr, 10);
  const unsigned long count = std::strtoul(argv[3], nullptr, 10);
#if defined(_WIN32)
  HMODULE lib = LoadLibraryA(argv[1]);
  auto entry = [&](const char* Name) { return reinterpret_cast<void*>(GetProcAddress(lib, Name)); };
#else
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  auto entry = [&](const char* Name) { return dlsym(lib, Name); };
#endif
  if (lib == nullptr) {
    std::fprintf(stderr, "recordcheck: cannot load %s\n", argv[1]);
    return 1;
  }
  TEntryPoints e{};
  bool ok = true;
  auto resolve = [&](auto& Fn, const char* Name) {
    void* p = entry(Name);
    ok = ok && p != nullptr;
    Fn = reinterpret_cast<std::remove_reference_t<decltype(Fn)>>(p);
  };
  resolve(e.GetDescrPtr440, "GetDescrPtr440");
  resolve(e.GetParamPtr, "GetParamPtr");
  resolve(e.SetParamValue, "SetParamValue");
  resolve(e.LayerOrdering, "LayerOrdering");
  resolve(e.OpenEquip, "OpenEquip");
  resolve(e.OpenLayer, "OpenLayer");
  resolve(e.CloseEquip, "CloseEquip");
  resolve(e.Comment, "Comment");
  resolve(e.DrawLine, "DrawLine");
  resolve(e.DrawArc, "DrawArc");
  resolve(e.FlashPad, "FlashPad");
  resolve(e.DrillHole, "DrillHole");
  resolve(e.DrawText, "DrawText");
  if (!ok) {
    std::fprintf(stderr, "recordcheck: an entry point is missing\n");
    return 1;
  }
  // Pointers taken once, as a host keeps them.
  TDrvParam* params = e.GetParamPtr(0);
  TAperture* table = reinterpret_cast<TAperture*>(
      static_cast<uintptr_t>(e.GetDescrPtr440()->ApertureTable));

  // A text no journal line can hold as it is.
  TShortStr<255> text = Str<255>("two\r\nlines");
  text.Text[text.Len++] = 0;
  e.OpenEquip(Write, 0, 0, 1000, 1000);
  e.DrawText(&text, 1, 2, 3, 4, 5, 6, 7);
  e.CloseEquip();

  uint8_t bytes[1600];
  for (unsigned long s = seed; s < seed + count; ++s) {
    State = s;
    // One byte in four a special value of the decoder, so that more calls
    // name an aperture of the table and open documents get drawn in.
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(Next() % 4 == 0 ? Next() % 22 : Next());
    RunCalls(bytes, sizeof bytes, e, Write, [&](TCallKind) { ChangeRecords(params, table); });
    e.CloseEquip();  // a host ends its plot, whatever came before
  }
#if defined(_WIN32)
  FreeLibrary(lib);
#else
  dlclose(lib);
#endif

  FILE* out = std::strcmp(argv[4], "-") == 0 ? stdout : std::fopen(argv[4], "wb");
#if defined(_WIN32)
  if (out == stdout) _setmode(_fileno(stdout), _O_BINARY);
#endif
  if (out == nullptr ||
      std::fwrite(Received.data(), 1, Received.size(), out) != Received.size() ||
      std::fflush(out) != 0) {
    std::fprintf(stderr, "recordcheck: cannot write %s\n", argv[4]);
    return 1;
  }
  return 0;
}
