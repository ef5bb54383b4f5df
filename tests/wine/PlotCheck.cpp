// PlotCheck.cpp: a host that plots one fixed, colour-heavy document through
// the library's entry points and writes its bytes to standard output. Built
// natively and for Windows from this one source: the outputs must be
// identical, whatever x87 control word the host process runs with.
//
// Usage: plotcheck LIBRARY [default|53bit|24bit]
//   53bit, 24bit: set the x87 precision control that way, with the invalid,
//   zero-divide and overflow exceptions unmasked, as hosts built with other
//   runtimes do, before the library is loaded; the control word must read
//   the same after every call into the library.
#include <cstdint>
#include <initializer_list>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#  include <windows.h>
#else
#  include <dlfcn.h>
#endif

#include "driver/Exports.h"

namespace {

void* Library = nullptr;

void* Entry(const char* Name) {
#if defined(_WIN32)
  void* p = reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(Library), Name));
#else
  void* p = dlsym(Library, Name);
#endif
  if (p == nullptr) {
    std::fprintf(stderr, "plotcheck: no entry point %s\n", Name);
    std::exit(1);
  }
  return p;
}

#if defined(__i386__) || defined(__x86_64__)
uint16_t ControlWord() {
  uint16_t cw;
  __asm__ volatile("fnstcw %0" : "=m"(cw));
  return cw;
}
void SetControlWord(uint16_t Cw) { __asm__ volatile("fldcw %0" : : "m"(Cw)); }
#else
uint16_t ControlWord() { return 0; }
void SetControlWord(uint16_t) {}
#endif

uint16_t HostCw = 0;
int CwChanges = 0;

void AfterCall() {
  if (ControlWord() != HostCw) ++CwChanges;
}

void DRV_CALL Write(const char* Buf, int32_t Count) {
  std::fwrite(Buf, 1, static_cast<size_t>(Count), stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: plotcheck LIBRARY [default|53bit|24bit]\n");
    return 2;
  }
#if defined(_WIN32)
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  const char* mode = argc == 3 ? argv[2] : "default";
  // Precision control in bits 8-9; exception masks in bits 0-5.
  if (std::strcmp(mode, "53bit") == 0) SetControlWord(0x0272);
  if (std::strcmp(mode, "24bit") == 0) SetControlWord(0x0072);
  HostCw = ControlWord();

#if defined(_WIN32)
  Library = LoadLibraryA(argv[1]);
#else
  Library = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
#endif
  if (Library == nullptr) {
    std::fprintf(stderr, "plotcheck: cannot load %s\n", argv[1]);
    return 1;
  }
  AfterCall();

  auto descr = reinterpret_cast<decltype(&GetDescrPtr440)>(Entry("GetDescrPtr440"));
  auto setParam = reinterpret_cast<decltype(&SetParamValue)>(Entry("SetParamValue"));
  auto openEquip = reinterpret_cast<decltype(&OpenEquip)>(Entry("OpenEquip"));
  auto openLayer = reinterpret_cast<decltype(&OpenLayer)>(Entry("OpenLayer"));
  auto closeEquip = reinterpret_cast<decltype(&CloseEquip)>(Entry("CloseEquip"));
  auto drawLine = reinterpret_cast<decltype(&DrawLine)>(Entry("DrawLine"));
  auto drawArc = reinterpret_cast<decltype(&DrawArc)>(Entry("DrawArc"));
  auto flashPad = reinterpret_cast<decltype(&FlashPad)>(Entry("FlashPad"));
  auto drillHole = reinterpret_cast<decltype(&DrillHole)>(Entry("DrillHole"));

  TAperture* table = reinterpret_cast<TAperture*>(static_cast<uintptr_t>(descr()->ApertureTable));
  if (table == nullptr) {
    std::fprintf(stderr, "plotcheck: the library published no aperture table\n");
    return 1;
  }
  table[1].Shape = 0, table[1].Width = 60, table[1].Height = 60;
  table[2].Shape = 4, table[2].Width = 40, table[2].Height = 10;
  table[3].Shape = 0, table[3].Width = 25, table[3].Height = 7;

  openEquip(Write, -1000, 333, 2147483000, 2147480000);
  AfterCall();
  // Every saturation and brightness pair: layer colour Yellow shows V and p,
  // its pad variant the shifted pair.
  setParam(0, 4);
  for (int32_t s = 0; s <= 100; ++s) {
    for (int32_t v = 0; v <= 100; ++v) {
      setParam(27, s);
      setParam(28, v);
      openLayer(0, 0);
      flashPad(s, v, 1);
      AfterCall();
    }
  }
  // The greys and their pad variants over the whole shade range.
  for (int32_t shade = -5; shade <= 105; ++shade) {
    setParam(25, shade);
    setParam(26, 100 - shade);
    setParam(30, shade - 50);
    for (int32_t entry : {1, 2}) {
      setParam(0, entry);
      openLayer(0, 0);
      flashPad(0, 0, 3);
      drillHole(1, 1, 3);
    }
    AfterCall();
  }
  // Fixed-point control values over a wide range of radii and centres.
  for (int32_t i = 0; i < 400; ++i) {
    const int32_t r = static_cast<int32_t>(static_cast<uint32_t>(i) * 5368709u + 7u);
    const int32_t c = static_cast<int32_t>(0u - static_cast<uint32_t>(i) * 10737418u);
    drawArc(c, -c, r, 0, 360, 2);
    drawLine(c, r, r, c, 1);
    flashPad(c, r, 2);
  }
  AfterCall();
  closeEquip();
  AfterCall();
  std::fflush(stdout);
  if (CwChanges != 0) {
    std::fprintf(stderr, "plotcheck: the library changed the x87 control word (%d times)\n", CwChanges);
    return 1;
  }
  return 0;
}
