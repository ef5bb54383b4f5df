// Bench.cpp: the driver's cost per element as a host meets it. The real
// library is loaded with dlopen and driven through its exported entry points
// with a write callback that only counts. In the same run two baselines
// write the same bytes through the same callback: a hand-rolled writer and
// an snprintf writer; the summary gives every element as a ratio to the
// hand-rolled one, since absolute times drift on shared machines.
//
//   svgdrv_bench [--driver LIB] [benchmark flags]   the element table
//   svgdrv_bench --scaling [--plothost EXE] [N...]   plothost end to end
//   svgdrv_bench --journal N                          the mixed journal
//   svgdrv_bench --cam-vs-gerbv [--plothost EXE] [--npm DIR]
//                                                     plothost --cam against gerbv,
//                                                     gerber-to-svg and pcb-stackup
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "AllocCount.h"
#include "CamVsGerbv.h"
#include "Scaling.h"
#include "driver/Exports.h"
#include "tools/plothost/Driver.h"

namespace {

// ---- The library, as a host holds it ----------------------------------

// The library as plothost holds it: loaded, every entry point resolved.
Driver D;
std::string DriverPath = SVGDRV_LIBRARY;
std::string PlothostPath = SVGDRV_PLOTHOST;
// Where scripts/install-deps.sh has npm install tracespace's packages.
std::string NpmPath = SVGDRV_SOURCE_DIR "/build/npm";

bool Load(const std::string& Path, Driver& Into) {
  std::string error;
  if (LoadDriver(&Path, Into, error)) return true;
  std::fprintf(stderr, "svgdrv_bench: %s\n", error.c_str());
  return false;
}

// ---- Write callbacks -----------------------------------------------------

struct TCount {
  unsigned long long Calls;
  unsigned long long Bytes;
};
TCount Count;

// Kept out of line: the baselines pay for the call through a pointer as the
// driver does.
__attribute__((noinline)) void DRV_CALL CountWrite(const char* /*Buf*/, int32_t N) {
  ++Count.Calls;
  Count.Bytes += static_cast<unsigned long long>(N);
}
TDrvWriteProc Sink = CountWrite;

std::string Captured;
void DRV_CALL CaptureWrite(const char* Buf, int32_t N) { Captured.append(Buf, static_cast<size_t>(N)); }

// ---- Inputs --------------------------------------------------------------

constexpr int32_t Extent = 2000000;  // the document's plot area, 0..Extent
constexpr uint32_t TableSize = 256;

struct TInput {
  int32_t X1, Y1, X2, Y2, Radius;
};
TInput Inputs[TableSize];

void MakeInputs() {
  uint64_t s = 42;
  auto next = [&](uint32_t Bound) {
    s = s * 6364136223846793005u + 1442695040888963407u;
    return static_cast<int32_t>((s >> 33) % Bound);
  };
  for (TInput& in : Inputs) {
    in.X1 = next(Extent);
    in.Y1 = next(Extent);
    in.X2 = next(Extent);
    in.Y2 = next(Extent);
    in.Radius = 1000 + next(100000);
  }
}

// Aperture numbers the benchmarks use.
enum : int32_t {
  ApLine = 10, ApLineWide = 11, ApArc = 12,
  ApRound = 20, ApObround = 21, ApRect = 22, ApRing = 23, ApDrill = 30
};
constexpr int32_t KeywordLayer = 1;  // a colour keyword by default
constexpr int32_t HueLayer = 2;      // given a hue-wheel colour below
constexpr int32_t HueEntry = 6;
constexpr int32_t DrillLayer = 24;

bool SetUpDriver(const Driver& Drv) {
  TDrvDescr* d = Drv.GetDescrPtr440();
  auto* table = reinterpret_cast<TAperture*>(static_cast<uintptr_t>(d->ApertureTable));
  if (table == nullptr) {
    std::fprintf(stderr, "svgdrv_bench: the driver published no aperture table\n");
    return false;
  }
  auto set = [&](int32_t N, uint8_t Shape, int32_t W, int32_t H) {
    table[N].Shape = Shape;
    table[N].Width = W;
    table[N].Height = H;
  };
  set(ApLine, 0, 25, 25);
  set(ApLineWide, 0, 150, 150);
  set(ApArc, 0, 30, 30);
  set(ApRound, 0, 120, 120);
  set(ApObround, 0, 160, 80);
  set(ApRect, 1, 140, 100);
  set(ApRing, 4, 80, 30);
  set(ApDrill, 0, 40, 40);
  Drv.SetParamValue(HueLayer, HueEntry);
  return true;
}

// ---- The baselines: the driver's line for aperture ApLine ---------------

// Y as the driver mirrors it: the document's YMin + YMax minus Y.
int32_t Mirror(int32_t Y) { return Extent - Y; }

char* HandInt(char* P, int32_t V) {
  char digits[12];
  int n = 0;
  uint32_t m = V < 0 ? 0u - static_cast<uint32_t>(V) : static_cast<uint32_t>(V);
  do {
    digits[n++] = static_cast<char>('0' + m % 10);
    m /= 10;
  } while (m != 0);
  if (V < 0) *P++ = '-';
  while (n > 0) *P++ = digits[--n];
  return P;
}

template <size_t N>
char* HandText(char* P, const char (&S)[N]) {
  std::memcpy(P, S, N - 1);
  return P + N - 1;
}

void HandLine(const TInput& In) {
  char buf[256];
  char* p = buf;
  p = HandText(p, "<line x1=\"");
  p = HandInt(p, In.X1);
  p = HandText(p, "\" y1=\"");
  p = HandInt(p, Mirror(In.Y1));
  p = HandText(p, "\" x2=\"");
  p = HandInt(p, In.X2);
  p = HandText(p, "\" y2=\"");
  p = HandInt(p, Mirror(In.Y2));
  p = HandText(p, "\"/>");
  Sink(buf, static_cast<int32_t>(p - buf));
  Sink("\r", 1);
  Sink("\n", 1);
}

void SnprintfLine(const TInput& In) {
  char buf[256];
  const int n = std::snprintf(buf, sizeof buf, "<line x1=\"%d\" y1=\"%d\" x2=\"%d\" y2=\"%d\"/>",
                              In.X1, Mirror(In.Y1), In.X2, Mirror(In.Y2));
  Sink(buf, n);
  Sink("\r", 1);
  Sink("\n", 1);
}

// The baselines must write what the driver writes, byte for byte.
bool CheckBaselines() {
  D.OpenEquip(CaptureWrite, 0, 0, Extent, Extent);
  D.OpenLayer(KeywordLayer, 0);
  D.DrawLine(0, 0, 1, 1, ApLine);  // opens the stroke-width group
  bool ok = true;
  for (const TInput& in : Inputs) {
    Captured.clear();
    D.DrawLine(in.X1, in.Y1, in.X2, in.Y2, ApLine);
    const std::string driver = Captured;
    TDrvWriteProc saved = Sink;
    Sink = CaptureWrite;
    Captured.clear();
    HandLine(in);
    const std::string hand = Captured;
    Captured.clear();
    SnprintfLine(in);
    Sink = saved;
    if (driver != hand || driver != Captured) {
      std::fprintf(stderr, "svgdrv_bench: a baseline differs from the driver:\n%s%s%s",
                   driver.c_str(), hand.c_str(), Captured.c_str());
      ok = false;
      break;
    }
  }
  // The hue-wheel pad must take the wheel's path and the other a keyword.
  D.OpenLayer(HueLayer, 0);
  Captured.clear();
  D.FlashPad(0, 0, ApRound);
  ok = ok && Captured.find("fill=\"#") != std::string::npos;
  D.OpenLayer(KeywordLayer, 0);
  Captured.clear();
  D.FlashPad(0, 0, ApRound);
  ok = ok && Captured.find("fill=\"") != std::string::npos &&
       Captured.find("fill=\"#") == std::string::npos;
  D.CloseEquip();
  if (!ok) std::fprintf(stderr, "svgdrv_bench: the pad layers do not give the colours meant\n");
  return ok;
}

// ---- Element benchmarks --------------------------------------------------

// Calls Element(i) once per iteration on a fresh document's Layer, after a
// few calls that bring the element's groups into force, and reports bytes,
// callback calls and heap allocations per call.
template <typename F>
void Measure(benchmark::State& St, int32_t Layer, F Element) {
  D.OpenEquip(CountWrite, 0, 0, Extent, Extent);
  D.OpenLayer(Layer, 0);
  for (uint32_t i = 0; i < 4; ++i) Element(i);
  Count = {};
  uint32_t i = 0;
  for (auto _ : St) {
    Element(i);
    ++i;
  }
  const double n = static_cast<double>(St.iterations());
  St.counters["bytes"] = static_cast<double>(Count.Bytes) / n;
  St.counters["writes"] = static_cast<double>(Count.Calls) / n;
  // Allocations over calls of their own: the benchmark library's start and
  // stop of the timed loop may allocate.
  constexpr uint32_t allocCalls = 1024;
  const unsigned long long allocs = HeapAllocations;
  for (uint32_t k = 0; k < allocCalls; ++k) Element(i + k);
  St.counters["allocs"] = static_cast<double>(HeapAllocations - allocs) / allocCalls;
  D.CloseEquip();
}

const TInput& In(uint32_t I) { return Inputs[I % TableSize]; }

// ---- Load ----------------------------------------------------------------

std::string ExeDir() {
  char buf[4096];
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  buf[n] = 0;
  std::string s = buf;
  return s.substr(0, s.rfind('/') + 1);
}

// The library reads its settings beside the host executable: here, beside
// this benchmark.
std::string SettingsPath() { return ExeDir() + "SVG.ini"; }

// A copy of the library under another name: the copy loaded for the element
// benchmarks stays open, and a second dlopen of it would load nothing.
std::string LoadCopy;
std::string RecordCopy, RecordJournal;  // the recording copy and its journal

bool MakeLoadCopyAt(const std::string& To) {
  std::FILE* in = std::fopen(DriverPath.c_str(), "rb");
  std::FILE* out = std::fopen(To.c_str(), "wb");
  bool ok = in != nullptr && out != nullptr;
  char buf[65536];
  size_t n;
  while (ok && (n = std::fread(buf, 1, sizeof buf, in)) > 0) ok = std::fwrite(buf, 1, n, out) == n;
  if (in != nullptr) std::fclose(in);
  if (out != nullptr && std::fclose(out) != 0) ok = false;
  return ok;
}

bool MakeLoadCopy() {
  const char* tmp = std::getenv("TMPDIR");
  std::string dir = std::string(tmp != nullptr && *tmp != 0 ? tmp : "/tmp") + "/svgdrv-bench-XXXXXX";
  if (mkdtemp(dir.data()) == nullptr) return false;
  LoadCopy = dir + "/svgdrv-load.so";
  return MakeLoadCopyAt(LoadCopy);
}

void RemoveLoadCopy() {
  if (LoadCopy.empty()) return;
  unlink(LoadCopy.c_str());
  if (!RecordCopy.empty()) unlink(RecordCopy.c_str());
  if (!RecordJournal.empty()) unlink(RecordJournal.c_str());
  rmdir(LoadCopy.substr(0, LoadCopy.rfind('/')).c_str());
}

// A second copy, loaded with Record set: the same line through a library
// that journals every call, into a file beside the copy. The file is cut
// back after each measurement, so it never grows past one run's calls.
Driver Recording;

bool LoadRecordingCopy() {
  const std::string dir = LoadCopy.substr(0, LoadCopy.rfind('/') + 1);
  RecordCopy = dir + "svgdrv-record.so";
  RecordJournal = dir + "record.jnl";
  if (!MakeLoadCopyAt(RecordCopy)) return false;
  std::FILE* f = std::fopen(SettingsPath().c_str(), "w");
  if (f == nullptr) return false;
  std::fprintf(f, "; written by svgdrv_bench, removed at once\n[Setup]\nRecord=%s\n",
               RecordJournal.c_str());
  std::fclose(f);
  const bool ok = Load(RecordCopy, Recording);
  unlink(SettingsPath().c_str());
  return ok && SetUpDriver(Recording);
}

// Every section and key the driver reads, with values it accepts.
void WriteFullSettings() {
  std::FILE* f = std::fopen(SettingsPath().c_str(), "w");
  if (f == nullptr) return;
  std::fputs("; written by svgdrv_bench for the load benchmark, removed after it\n"
             "[Setup]\nHiddenText=0\n", f);
  for (int layer = 0; layer <= 25; ++layer) {
    std::fprintf(f, "\n[Layer%d]\nColor=#%02X80%02X\nOpacity=%d\nZOrder=%d\n", layer, layer * 9,
                 255 - layer * 9, 40 + layer * 2, 1000 - layer * 30);
  }
  std::fclose(f);
}

// The process's CPU time, system calls included: a load is timed by hand
// in the same clock as the elements.
double Now() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// dlopen runs the library's start-up: the aperture table, the settings and
// the stacking order.
void MeasureLoad(benchmark::State& St, bool Settings) {
  if (Settings) WriteFullSettings();
  const unsigned long long allocs = HeapAllocations;
  for (auto _ : St) {
    const double start = Now();
    void* lib = dlopen(LoadCopy.c_str(), RTLD_NOW | RTLD_LOCAL);
    St.SetIterationTime(Now() - start);
    if (lib == nullptr) {
      St.SkipWithError("cannot load the library copy");
      break;
    }
    dlclose(lib);
    if (dlopen(LoadCopy.c_str(), RTLD_NOW | RTLD_NOLOAD) != nullptr) {
      St.SkipWithError("the library stays loaded after dlclose: nothing would be timed");
      break;
    }
  }
  St.counters["allocs"] = static_cast<double>(HeapAllocations - allocs) /
                          static_cast<double>(St.iterations());
  if (Settings) unlink(SettingsPath().c_str());
}

// ---- Registration and the summary -----------------------------------------

struct TRow {
  const char* Name;
  const char* Label;  // as the summary shows it
};

// Summary rows, in table order; each is a benchmark of that name.
const TRow Rows[] = {
    {"line", "DrawLine, same aperture"},
    {"hand_rolled_line", "baseline: hand-rolled writer, same line"},
    {"snprintf_line", "baseline: snprintf writer, same line"},
    {"line_recorded", "DrawLine, same aperture, Record on"},
    {"line_aperture_change", "DrawLine, aperture change every call"},
    {"arc_quarter", "DrawArc, quarter"},
    {"arc_full_circle", "DrawArc, full circle"},
    {"pad_round", "FlashPad round"},
    {"pad_obround", "FlashPad obround"},
    {"pad_rect", "FlashPad rect"},
    {"pad_ring", "FlashPad ring"},
    {"pad_round_hue_wheel", "FlashPad round, hue-wheel layer colour"},
    {"drill_hole", "DrillHole"},
    {"load_no_settings", "load (dlopen + settings + sort), no settings file"},
    {"load_full_settings", "load (dlopen + settings + sort), full settings file"},
};

void RegisterAll() {
  auto element = [](const char* Name, int32_t Layer, auto Call) {
    benchmark::RegisterBenchmark(Name, [Layer, Call](benchmark::State& St) { Measure(St, Layer, Call); })
        ->Unit(benchmark::kNanosecond);
  };
  element("line", KeywordLayer, [](uint32_t I) {
    const TInput& in = In(I);
    D.DrawLine(in.X1, in.Y1, in.X2, in.Y2, ApLine);
  });
  element("hand_rolled_line", KeywordLayer, [](uint32_t I) { HandLine(In(I)); });
  if (Recording.DrawLine != nullptr) {
    benchmark::RegisterBenchmark("line_recorded", [](benchmark::State& St) {
      const Driver plain = D;
      D = Recording;
      Measure(St, KeywordLayer, [](uint32_t I) {
        const TInput& in = In(I);
        D.DrawLine(in.X1, in.Y1, in.X2, in.Y2, ApLine);
      });
      D = plain;
      truncate(RecordJournal.c_str(), 0);  // the driver writes on past the cut: a sparse file
    })->Unit(benchmark::kNanosecond);
  }
  element("snprintf_line", KeywordLayer, [](uint32_t I) { SnprintfLine(In(I)); });
  element("line_aperture_change", KeywordLayer, [](uint32_t I) {
    const TInput& in = In(I);
    D.DrawLine(in.X1, in.Y1, in.X2, in.Y2, (I & 1) != 0 ? ApLineWide : ApLine);
  });
  element("arc_quarter", KeywordLayer, [](uint32_t I) {
    const TInput& in = In(I);
    const int32_t q = static_cast<int32_t>(I % 4) * 90;
    D.DrawArc(in.X1, in.Y1, in.Radius, q, q + 90, ApArc);
  });
  element("arc_full_circle", KeywordLayer, [](uint32_t I) {
    const TInput& in = In(I);
    D.DrawArc(in.X1, in.Y1, in.Radius, 0, 360, ApArc);
  });
  auto pad = [&](const char* Name, int32_t Layer, int32_t Aperture) {
    element(Name, Layer, [Aperture](uint32_t I) { D.FlashPad(In(I).X1, In(I).Y1, Aperture); });
  };
  pad("pad_round", KeywordLayer, ApRound);
  pad("pad_obround", KeywordLayer, ApObround);
  pad("pad_rect", KeywordLayer, ApRect);
  pad("pad_ring", KeywordLayer, ApRing);
  pad("pad_round_hue_wheel", HueLayer, ApRound);
  element("drill_hole", DrillLayer, [](uint32_t I) { D.DrillHole(In(I).X1, In(I).Y1, ApDrill); });

  // A fixed count keeps the loads to a few seconds.
  for (const bool settings : {false, true}) {
    benchmark::RegisterBenchmark(settings ? "load_full_settings" : "load_no_settings",
                                 [settings](benchmark::State& St) { MeasureLoad(St, settings); })
        ->UseManualTime()
        ->Iterations(200)
        ->Unit(benchmark::kMicrosecond);
  }
}

struct TResult {
  double Ns = 0;  // the median of the repetitions, else the single run
  double Bytes = 0, Allocs = 0;
  bool Median = false;
};

// The console output as usual; the rows of the summary kept aside.
struct TSummaryReporter : benchmark::ConsoleReporter {
  std::map<std::string, TResult> Results;
  void ReportRuns(const std::vector<Run>& Runs) override {
    for (const Run& r : Runs) {
      const bool median = r.run_type == Run::RT_Aggregate && r.aggregate_name == "median";
      if (!median && r.run_type == Run::RT_Aggregate) continue;
      TResult& res = Results[r.run_name.function_name];
      if (res.Median && !median) continue;
      res.Median = median;
      // CPU time: on a shared machine the wall clock also counts the time
      // other processes had the core. The loads are timed by hand, in CPU
      // time too.
      const double t = r.run_name.time_type == "manual_time" ? r.GetAdjustedRealTime()
                                                              : r.GetAdjustedCPUTime();
      res.Ns = t * benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
               benchmark::GetTimeUnitMultiplier(r.time_unit);
      auto counter = [&](const char* Name) {
        auto it = r.counters.find(Name);
        return it == r.counters.end() ? 0.0 : it->second.value;
      };
      res.Bytes = counter("bytes");
      res.Allocs = counter("allocs");
    }
    ConsoleReporter::ReportRuns(Runs);
  }
};

void PrintSummary(const std::map<std::string, TResult>& R) {
  auto ns = [&](const char* Name) {
    auto it = R.find(Name);
    return it == R.end() ? 0.0 : it->second.Ns;
  };
  const double base = ns("hand_rolled_line");
  std::printf("\n| element | CPU ns/call | x hand-rolled | bytes | heap allocations |\n"
              "|---|---:|---:|---:|---:|\n");
  for (const TRow& row : Rows) {
    auto it = R.find(row.Name);
    if (it == R.end()) continue;
    const TResult& r = it->second;
    if (std::strncmp(row.Name, "load", 4) == 0) {
      std::printf("| %s | %.1f us | | | %.0f |\n", row.Label, r.Ns / 1000, r.Allocs);
    } else {
      std::printf("| %s | %.1f | %.2f | %.0f | %.3g |\n", row.Label, r.Ns,
                  base > 0 ? r.Ns / base : 0.0, r.Bytes, r.Allocs);
    }
  }
  // The targets, each as a ratio of two rows of this run.
  struct TTarget {
    const char* Name;
    const char* Of;
    double Limit;
  };
  const TTarget targets[] = {
      {"line", "hand_rolled_line", 1.15},        {"arc_quarter", "hand_rolled_line", 2.5},
      {"arc_full_circle", "arc_quarter", 4.0},   {"pad_ring", "arc_quarter", 4.0},
      {"pad_round", "hand_rolled_line", 1.2},    {"drill_hole", "hand_rolled_line", 1.2},
      {"pad_round_hue_wheel", "pad_round", 1.1},
  };
  if (ns("line_recorded") > 0 && ns("line") > 0) {
    std::printf("\nRecord on: DrawLine %.1f ns more a call (%.2f x)\n",
                ns("line_recorded") - ns("line"), ns("line_recorded") / ns("line"));
  }
  std::printf("\n");
  for (const TTarget& t : targets) {
    if (ns(t.Name) <= 0 || ns(t.Of) <= 0) continue;
    const double ratio = ns(t.Name) / ns(t.Of);
    std::printf("%-20s / %-17s = %5.2f  (target <= %.2f) %s\n", t.Name, t.Of, ratio, t.Limit,
                ratio <= t.Limit ? "met" : "NOT MET");
  }
  bool allocs = false;
  for (const auto& [name, r] : R) {
    if (name.rfind("load", 0) != 0) allocs = allocs || r.Allocs > 0;
  }
  std::printf("heap allocations per element: %s\n", allocs ? "SOME (target 0)" : "0 (met)");
}

}  // namespace

int main(int argc, char** argv) {
  // Own flags first; the rest goes to the benchmark library.
  std::vector<char*> rest = {argv[0]};
  bool scaling = false, camVsGerbv = false;
  long journal = -1;
  std::vector<long> sizes;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--driver" && i + 1 < argc) {
      DriverPath = argv[++i];
    } else if (a == "--plothost" && i + 1 < argc) {
      PlothostPath = argv[++i];
    } else if (a == "--npm" && i + 1 < argc) {
      NpmPath = argv[++i];
    } else if (a == "--scaling") {
      scaling = true;
    } else if (a == "--cam-vs-gerbv") {
      camVsGerbv = true;
    } else if (a == "--journal" && i + 1 < argc) {
      journal = std::atol(argv[++i]);
    } else if (scaling && !a.empty() && a[0] != '-') {
      sizes.push_back(std::atol(a.c_str()));
    } else {
      rest.push_back(argv[i]);
    }
  }
  if (journal >= 0) {
    WriteMixedJournal(stdout, journal);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (camVsGerbv)
    return RunCamVsGerbv(PlothostPath, "/usr/share/doc/gerbv/examples", NpmPath, SVGDRV_SOURCE_DIR "/tests/cam",
                         3);
  if (scaling) {
    if (sizes.empty()) sizes = {100000, 1000000, 3000000};
    return RunScaling(PlothostPath, sizes);
  }

  if (access(SettingsPath().c_str(), F_OK) == 0) {
    std::fprintf(stderr,
                 "svgdrv_bench: %s exists; the driver would read it. Remove it: the elements "
                 "are measured with the default settings.\n",
                 SettingsPath().c_str());
    return 2;
  }
  MakeInputs();
  if (!MakeLoadCopy()) {
    std::fprintf(stderr, "svgdrv_bench: cannot copy %s to a temporary file\n", DriverPath.c_str());
    RemoveLoadCopy();
    return 1;
  }
  if (!Load(DriverPath, D) || !SetUpDriver(D) || !CheckBaselines()) {
    RemoveLoadCopy();
    return 1;
  }
  if (!LoadRecordingCopy()) {
    std::fprintf(stderr, "svgdrv_bench: no recording copy of the library; its row is left out\n");
    Recording = {};
  }
  RegisterAll();
  int n = static_cast<int>(rest.size());
  benchmark::Initialize(&n, rest.data());
  if (benchmark::ReportUnrecognizedArguments(n, rest.data())) {
    RemoveLoadCopy();
    return 2;
  }
  TSummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  RemoveLoadCopy();
  PrintSummary(reporter.Results);
  return 0;
}
