// DrvCheck.cpp: a minimal Windows host that loads the DLL as the layout
// program does (LoadLibrary, GetProcAddress, stdcall) and checks what a host
// sees before it plots: the descriptor and parameter block, the aperture
// table, SetParamValue and the layer order.
//
// Usage: drvcheck SCENARIO DLL
//   plain   no settings file anywhere
//   ini     SVG.ini beside this program: HiddenText off, layer 24 first
//   dllini  the same SVG.ini beside the DLL only, which must not be read
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "driver/Exports.h"
#include "tests/common/StoredBlock.h"

static int Passed = 0, Failed = 0;

static void Check(bool Ok, const char* What) {
  if (Ok) {
    ++Passed;
  } else {
    ++Failed;
    std::printf("FAILED: %s\n", What);
  }
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::printf("usage: drvcheck plain|ini|dllini DLL\n");
    return 2;
  }
  const char* scenario = argv[1];
  HMODULE lib = LoadLibraryA(argv[2]);
  if (lib == nullptr) {
    std::printf("FAILED: cannot load %s\n", argv[2]);
    return 1;
  }
  auto getDescr = reinterpret_cast<decltype(&GetDescrPtr440)>(GetProcAddress(lib, "GetDescrPtr440"));
  auto getParam = reinterpret_cast<decltype(&GetParamPtr)>(GetProcAddress(lib, "GetParamPtr"));
  auto setParam = reinterpret_cast<decltype(&SetParamValue)>(GetProcAddress(lib, "SetParamValue"));
  auto ordering = reinterpret_cast<decltype(&LayerOrdering)>(GetProcAddress(lib, "LayerOrdering"));
  if (!getDescr || !getParam || !setParam || !ordering) {
    std::printf("FAILED: an entry point is missing under its plain name\n");
    return 1;
  }

  const bool hiddenOff = std::strcmp(scenario, "ini") == 0;
  TDrvDescr* d = getDescr();
  const uint8_t* block = reinterpret_cast<const uint8_t*>(d);
  Check(getDescr() == d, "GetDescrPtr440 returns one address");

  // The block, byte for byte; the table field holds the table's address.
  static uint8_t expected[stored::BlockSize];
  uint32_t table = 0;
  std::memcpy(&table, block + stored::TableFieldOffset, 4);
  stored::Expected(expected, hiddenOff ? 0x5D0C : 0xDD0C, table);
  Check(std::memcmp(block, expected, stored::BlockSize) == 0, "descriptor and parameters hold the stored contents");
  Check(table != 0, "the aperture table's address is published");
  const TAperture* ap = reinterpret_cast<const TAperture*>(static_cast<uintptr_t>(table));
  bool zero = true;
  for (int n = 0; n <= 600; ++n) zero = zero && ap[n].Shape == 0 && ap[n].Width == 0 && ap[n].Height == 0;
  Check(zero, "the aperture table is all zero at load");

  const uint8_t* p0 = reinterpret_cast<const uint8_t*>(getParam(0));
  Check(p0 == block + 95, "parameter 0 directly follows the descriptor");
  Check(reinterpret_cast<const uint8_t*>(getParam(30)) == p0 + 8760, "parameter 30 lies 8,760 bytes on");

  setParam(27, 150);
  Check(getParam(27)->Value == 150, "SetParamValue stores a value beyond the range unchanged");
  setParam(27, 30);
  setParam(31, 12345);  // past the last record: ignored
  setParam(255, 12345);
  Check(std::memcmp(block, expected, stored::BlockSize) == 0, "out-of-range SetParamValue writes nothing");

  static const int32_t defaultOrder[26] = {3, 11, 10, 9, 8, 7, 6, 4, 0, 5, 1, 2, 20,
                                           12, 13, 14, 15, 16, 17, 19, 23, 18, 22, 21, 24, 25};
  // SVG.ini stacks layer 21 first; every layer still comes once.
  static const int32_t layer21First[26] = {21, 3, 11, 10, 9, 8, 7, 6, 4, 0, 5, 1, 2,
                                           20, 12, 13, 14, 15, 16, 17, 19, 23, 18, 22, 24, 25};
  const int32_t* order = hiddenOff ? layer21First : defaultOrder;
  bool same = true;
  for (int i = 0; i < 26; ++i) same = same && ordering(i) == order[i];
  Check(same, hiddenOff ? "LayerOrdering follows SVG.ini beside the host" : "LayerOrdering is the built-in order");
  Check(ordering(-1) == -1 && ordering(100) == 100, "positions outside 0..23 answer themselves");

  std::printf("drvcheck %s: %d passed, %d failed\n", scenario, Passed, Failed);
  return Failed == 0 ? 0 : 1;
}
