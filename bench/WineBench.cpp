// WineBench.cpp: the 32-bit DLL's cost per element, as a Windows host meets
// it, for two builds of the DLL in one run (the release DLL and the same
// sources linked without link-time optimisation). Both are loaded side by
// side with LoadLibrary and driven through their exports with a write
// callback that only counts; the rounds alternate between them, so drift of
// a shared machine falls on both alike. Prints each element's median time
// per call for each DLL and their ratio.
//
//   winebench DLL_A DLL_B [ROUNDS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "driver/Exports.h"

namespace {

struct TDriver {
  const char* Path;
  decltype(&::GetDescrPtr440) GetDescrPtr440;
  decltype(&::OpenEquip) OpenEquip;
  decltype(&::OpenLayer) OpenLayer;
  decltype(&::CloseEquip) CloseEquip;
  decltype(&::DrawLine) DrawLine;
  decltype(&::DrawArc) DrawArc;
  decltype(&::FlashPad) FlashPad;
};

bool Load(const char* Path, TDriver& D) {
  D.Path = Path;
  HMODULE lib = LoadLibraryA(Path);
  if (lib == nullptr) {
    std::fprintf(stderr, "winebench: cannot load %s\n", Path);
    return false;
  }
  bool ok = true;
  auto resolve = [&](auto& Fn, const char* Name) {
    Fn = reinterpret_cast<std::remove_reference_t<decltype(Fn)>>(
        reinterpret_cast<void*>(GetProcAddress(lib, Name)));
    if (Fn == nullptr) {
      std::fprintf(stderr, "winebench: %s has no entry point %s\n", Path, Name);
      ok = false;
    }
  };
  resolve(D.GetDescrPtr440, "GetDescrPtr440");
  resolve(D.OpenEquip, "OpenEquip");
  resolve(D.OpenLayer, "OpenLayer");
  resolve(D.CloseEquip, "CloseEquip");
  resolve(D.DrawLine, "DrawLine");
  resolve(D.DrawArc, "DrawArc");
  resolve(D.FlashPad, "FlashPad");
  if (!ok) return false;
  auto* table = reinterpret_cast<TAperture*>(static_cast<uintptr_t>(D.GetDescrPtr440()->ApertureTable));
  table[10].Width = table[10].Height = 25;  // round line tool
  table[20].Width = table[20].Height = 120; // round pad
  return true;
}

unsigned long long Bytes;
void DRV_CALL CountWrite(const char*, int32_t Count) { Bytes += static_cast<uint32_t>(Count); }

constexpr int Calls = 20000;
constexpr int32_t Extent = 200000;

// One element kind: what it draws for call i.
struct TElement {
  const char* Name;
  void (*Draw)(const TDriver&, int32_t);
};
const TElement Elements[] = {
    {"DrawLine", [](const TDriver& D, int32_t i) { D.DrawLine(i, 2 * i, i + 500, 3 * i, 10); }},
    {"DrawArc (quarter)", [](const TDriver& D, int32_t i) { D.DrawArc(i, i, 1000 + i, 0, 90, 10); }},
    {"FlashPad (round)", [](const TDriver& D, int32_t i) { D.FlashPad(i, 7 * i, 20); }},
};

// Nanoseconds per call for one round of one element on one DLL.
double Round(const TDriver& D, const TElement& E) {
  D.OpenEquip(CountWrite, 0, 0, Extent, Extent);
  D.OpenLayer(1, 0);
  for (int32_t i = 0; i < 4; ++i) E.Draw(D, i);
  LARGE_INTEGER f, t0, t1;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&t0);
  for (int32_t i = 0; i < Calls; ++i) E.Draw(D, i % 100000);
  QueryPerformanceCounter(&t1);
  D.CloseEquip();
  return static_cast<double>(t1.QuadPart - t0.QuadPart) * 1e9 / static_cast<double>(f.QuadPart) / Calls;
}

double Median(std::vector<double> V) {
  std::sort(V.begin(), V.end());
  return V[V.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: winebench DLL_A DLL_B [ROUNDS]\n");
    return 2;
  }
  TDriver d[2];
  if (!Load(argv[1], d[0]) || !Load(argv[2], d[1])) return 1;
  const int rounds = argc > 3 ? std::atoi(argv[3]) : 15;
  std::printf("%-20s %14s %14s %8s\n", "ns per call", "A", "B", "B / A");
  for (const TElement& e : Elements) {
    std::vector<double> t[2];
    for (int r = 0; r < rounds; ++r)
      for (int k = 0; k < 2; ++k) t[(k + r) % 2 == 0 ? 0 : 1].push_back(Round(d[(k + r) % 2], e));
    const double a = Median(t[0]), b = Median(t[1]);
    std::printf("%-20s %14.1f %14.1f %8.2f\n", e.Name, a, b, b / a);
  }
  std::printf("A: %s\nB: %s\n", argv[1], argv[2]);
  return 0;
}
