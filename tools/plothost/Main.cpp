// plothost: a stand-in for the layout program that hosts the SVG driver.
//
// It loads the driver library at run time, configures it and drives plots
// through its exported entry points only, exactly as the host does: from a
// plot journal, or the built-in demo board.
//
// Exit status: 0 done; 1 the driver or the output failed, or memory ran
// out; 2 bad usage or a bad journal (nothing is called and no output file is
// made).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#endif

#include "CallSpool.h"
#include "Check.h"
#include "Driver.h"
#include "Files.h"
#include "Host.h"
#include "Journal.h"
#include "JournalFile.h"
#include "Output.h"
#include "SettingsCheck.h"
#include "Stage.h"
#if defined(PLOTHOST_CAM)
#  include "tools/cam/Cam.h"
#  include "tools/cam/View.h"
#  if defined(__linux__)
#    include <malloc.h>
#    include <sys/mman.h>
#    include <unistd.h>
#  endif
#endif

#ifndef PLOTHOST_VERSION
#  define PLOTHOST_VERSION "0"
#endif

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

LayerFilter OnlyLayers;  // --only-layers

const char* const HelpText =
    "Usage: plothost [-o OUT.svg] [--driver LIBRARY] [--settings FILE] [-q]\n"
    "                [--only-layers LIST] [JOURNAL]\n"
    "       plothost --layers | --describe | --demo-journal [--driver LIBRARY]\n"
    "                [--settings FILE]\n"
    "       plothost [-o OUT.svg] [-q] [--settings FILE] [--only-layers LIST] --cam\n"
    "                [--layer FILE=N]... [--margin MM] [--journal-out FILE] FILE...\n"
    "       plothost [-o OUT.svg] [-q] --cam --view top|bottom|both [--mask COLOUR]\n"
    "                [--finish enig|hasl|osp] [--settings FILE] [--layer FILE=N]...\n"
    "                [--margin MM] FILE...\n"
    "       plothost --cam --layers-map\n"
    "\n"
    "Stand-in host for the SVG output driver: loads the driver library, configures\n"
    "it and drives plots through its exported entry points, as the layout program\n"
    "does.\n"
    "\n"
    "  JOURNAL            replay this plot journal ('-' reads standard input);\n"
    "                     without one, plot the built-in demo board\n"
    "  -o, --output FILE  write the plot to FILE instead of standard output; FILE\n"
    "                     appears only once the whole plot has been written\n"
    "  -q, --quiet        print no warnings (journal calls that draw nothing, the\n"
    "                     settings file's mistakes, the CAM files' deprecated\n"
    "                     constructs and the files --cam skips)\n"
    "  --driver LIBRARY   load this driver library instead of the one beside\n"
    "                     plothost\n"
    "  --settings FILE    the driver reads FILE as its settings file instead of\n"
    "                     the SVG.ini beside plothost (its Record key is ignored)\n"
    "  --only-layers LIST plot only these host layers (0,3,22-24); the others'\n"
    "                     OpenLayer and drawing calls are not made\n"
    "  --layers           print the layer plotting order the driver answers\n"
    "  --describe         print the driver's descriptor and its parameters, and\n"
    "                     each layer's settings as the driver reads them\n"
    "  --demo-journal     print the built-in demo board as a journal\n"
    "  --cam              plot a board's Gerber and Excellon files (the positional\n"
    "                     arguments) as the layout program would; without settings\n"
    "                     of the user's, in the CAM colour set (cam-colors.ini)\n"
    "  --layer FILE=N     with --cam: plot FILE on host layer N\n"
    "  --margin MM        with --cam: margin around the board (default 2)\n"
    "  --journal-out FILE with --cam: also write the calls as a journal\n"
    "  --layers-map       with --cam: print the default host layer of each file\n"
    "  --view SIDE        with --cam: the fabricated board seen from the top, the\n"
    "                     bottom (mirrored) or both side by side, instead of the\n"
    "                     layers: substrate in the outline's shape, copper,\n"
    "                     translucent solder mask, finish on open copper,\n"
    "                     silkscreen, holes through (docs/board-views.md)\n"
    "  --mask COLOUR      with --view: green (default), black, blue, red, white,\n"
    "                     yellow: a built-in settings preset\n"
    "  --finish KIND      with --view: enig (gold, default), hasl, osp\n"
    "  --settings FILE    with --view: laid over the presets, key by key\n"
    "  -h, --help         print this help and exit\n"
    "  --version          print the version and exit\n"
    "\n"
    "Journal lines (one host call each; '#' starts a comment line):\n"
    "  SetParamValue INDEX VALUE        OpenLayer LAYER [ARG]\n"
    "  Aperture N SHAPE WIDTH HEIGHT    DrawLine X1 Y1 X2 Y2 APERTURE\n"
    "  OpenEquip XMIN YMIN XMAX YMAX    DrawArc X Y RADIUS STARTANGLE ENDANGLE APERTURE\n"
    "  FlashPad X Y APERTURE            DrillHole X Y APERTURE\n"
    "  DrawText TEXT                    Comment [N]\n"
    "  CloseEquip\n"
    "\n"
    "The driver reads its settings file (SVG.ini) from the directory that holds\n"
    "plothost. Exit status: 0 done, 1 driver or output failure, 2 bad usage, bad\n"
    "journal or bad CAM file.\n";

int UsageError(const std::string& What) {
  std::fprintf(stderr, "plothost: %s\nTry 'plothost --help' for more information.\n", What.c_str());
  return ExitUsage;
}

int Failure(const std::string& What) {
  std::fprintf(stderr, "plothost: %s\n", What.c_str());
  return ExitFailure;
}

void PrintError(void*, const std::string& Message) {
  std::fprintf(stderr, "%s\n", Message.c_str());
}

// The settings file beside plothost, which the driver is about to read:
// what the driver would pass over in silence is told here (-q silences it),
// and a file it cannot read at all is refused. Returns -1 to go on, else
// the exit status.
int CheckSettingsBeside(bool Quiet, SettingsName& Name) {
  const std::string path = DefaultSettingsPath();
  std::string text, refusal;
  Name = SettingsName{};
  if (!ReadSettingsText(path, text, refusal)) return -1;
  Name = NameOfStaged(path, text);
  if (!refusal.empty()) {
    std::fprintf(stderr, "plothost: %s: %s\n", Name.Shown.c_str(), refusal.c_str());
    return ExitUsage;
  }
  if (!Quiet) {
    for (const std::string& w : CheckSettings(path, text, Name)) std::fprintf(stderr, "%s\n", w.c_str());
  }
  return -1;
}

// A settings file given with --settings that the driver could not read.
int RefuseSettingsFile(const std::string& Path) {
  std::string text, refusal;
  if (!ReadSettingsText(Path, text, refusal) || refusal.empty()) return -1;
  std::fprintf(stderr, "plothost: %s: %s\n", Path.c_str(), refusal.c_str());
  return ExitUsage;
}

// Checks the journal whole (printing its errors, then its warnings), keeping
// its calls in a scratch file, then replays them into the output.
int PlotJournal(JournalFile& J, const Driver& D, const std::string& OutPath, bool Quiet) {
  std::string error;
  CallSpool spool;
  if (!OpenSpool(spool, error)) return Failure(error);
  LineReader reader;
  StartReader(reader, &ReadJournal, &J);
  Warnings warnings;
  CheckOutcome outcome;
  switch (CheckJournal(reader, J.Name, LimitsOf(D), &PrintError, nullptr, warnings, outcome,
                       &SpoolCall, &spool)) {
    case CheckResult::Good:
      break;
    case CheckResult::Bad:
      if (outcome.Errors > MaxErrorsShown) {
        std::fprintf(stderr, "plothost: %s more errors not shown\n",
                     Decimal(outcome.Errors - MaxErrorsShown).c_str());
      }
      return ExitUsage;
    case CheckResult::ReadFailed:
      std::fprintf(stderr, "%s: cannot read: %s\n", J.Name.c_str(), J.FailText.c_str());
      return ExitUsage;
    case CheckResult::NoTable:
      std::fprintf(stderr, "%s: driver %s publishes no aperture table (its descriptor's ApertureTable field is 0)\n",
                   outcome.Failure.c_str(), D.Path.c_str());
      return ExitFailure;
  }
  if (!Quiet) PrintWarnings(warnings, stderr);

  if (!RewindSpool(spool)) {
    return Failure("cannot keep the checked calls in " + spool.Name + ": " + spool.FailText);
  }
  if (!OpenOutput(OutPath, error)) return Failure(error);
  Call c;
  int next;
  while ((next = NextSpooledCall(spool, c)) > 0) {
    if (Passes(OnlyLayers, c)) Replay(c, D);
  }
  if (next < 0) {
    AbortOutput();
    return Failure("cannot read back the checked calls from " + spool.Name + ": " + spool.FailText);
  }
  if (!CommitOutput(error)) return Failure(error);
  return 0;
}

void PrintJournal(const std::vector<Call>& Calls, FILE* To) {
  std::string out =
      "# The built-in demo board of plothost, as a journal: apertures first, then\n"
      "# one document whose layers follow the driver's plotting order.\n";
  for (const Call& c : Calls) {
    if (c.What == Verb::OpenEquip || c.What == Verb::OpenLayer || c.What == Verb::CloseEquip) {
      out += "\n";
    }
    out += FormatCall(c) + "\n";
  }
  std::fwrite(out.data(), 1, out.size(), To);
}

#if defined(PLOTHOST_CAM)
// An import touches tens of megabytes once, and where a fresh 4 KiB page
// costs a dear fault (virtual machines) that is a third of the time: the
// heap takes the large blocks too, keeps what is freed for the next phase,
// and is reserved up front as one region that may take transparent huge
// pages. Nothing here is touched until used. (Linux only.)
void PreferHugePages() {
#  if defined(__linux__)
  constexpr size_t Reserve = 256u << 20;
  mallopt(M_MMAP_THRESHOLD, static_cast<int>(Reserve));
  mallopt(M_TRIM_THRESHOLD, static_cast<int>(Reserve));
  void* probe = std::malloc(1);
  void* region = std::malloc(Reserve - (1u << 20));
  if (probe != nullptr && region != nullptr) {
    const uintptr_t page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t from = reinterpret_cast<uintptr_t>(probe) & ~(page - 1);
    const uintptr_t to = reinterpret_cast<uintptr_t>(sbrk(0));
    if (to > from) madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
  }
  std::free(region);
  std::free(probe);
#  endif
}
#endif

#if defined(PLOTHOST_CAM)
// The colours a board is plotted with when the user gives no settings.
const char* const CamColorSet =
#  include "CamColors.inc"
    ;

// Whether a file given to --cam may be CAM data: what is plainly not (a
// job file, a report, an SVG, an earlier plot in the same folder) is left
// out with a warning. A file that cannot be read is kept, for the import to
// name its failure.
bool MayBeCam(const std::string& Path) {
  FILE* f = std::fopen(Path.c_str(), "rb");
  if (f == nullptr) return true;
  std::string head(CamSniffBytes, '\0');
  head.resize(std::fread(head.data(), 1, head.size(), f));
  const bool failed = std::ferror(f) != 0;
  std::fclose(f);
  return failed || CamLooksLikeData(head);
}
#endif

// plothost --cam: the board's files become the calls a layout program
// makes. A board's calls are few enough to hold in memory; they are checked
// like the demo board's and replayed the same way.
int CamMain(const std::vector<std::string>& Given,
            std::vector<std::pair<std::string, int32_t>> Layers, double Margin,
            bool LayersMap, const std::string& OutPath, const std::string& JournalOut,
            const std::string* DriverPath, bool Quiet, int View = -1) {
#if defined(PLOTHOST_CAM)
  if (LayersMap) {
    if (!Given.empty()) return UsageError("--layers-map takes no files");
    std::fputs(CamLayersMap().c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : Failure("cannot write standard output");
  }
  if (Given.empty()) return UsageError("--cam needs Gerber or Excellon files");
  // --layer names a file as the user likes (./a.gbr for a.gbr): it is
  // matched by identity and then named as the file list names it.
  std::vector<bool> placed(Given.size(), false);
  for (auto& [name, layer] : Layers) {
    for (size_t k = 0; k < Given.size(); ++k) {
      if (name == Given[k] || SameFileNames(name, Given[k])) {
        name = Given[k];
        placed[k] = true;
        break;
      }
    }
  }
  std::vector<std::string> files;
  for (size_t k = 0; k < Given.size(); ++k) {
    if (placed[k] || MayBeCam(Given[k])) {
      files.push_back(Given[k]);
    } else if (!Quiet) {
      std::fprintf(stderr, "%s: warning: neither Gerber nor Excellon: skipped\n", Given[k].c_str());
    }
  }
  if (files.empty()) return UsageError("no Gerber or Excellon file among the files given");
  // No output may replace an input, or the other output.
  const std::string* outs[2] = {&OutPath, &JournalOut};
  for (const std::string* out : outs) {
    if (out->empty() || *out == "-") continue;
    for (const std::string& f : files) {
      if (SameFileNames(*out, f)) return UsageError("the output " + *out + " would overwrite the input " + f);
    }
  }
  if (!JournalOut.empty() && OutPath == JournalOut && OutPath == "-") {
    return UsageError("the journal and the plot cannot both go to standard output");
  }
  if (!JournalOut.empty() && JournalOut != "-" && OutPath != "-" && SameFileNames(JournalOut, OutPath)) {
    return UsageError("--journal-out and -o name the same file " + OutPath);
  }
  PreferHugePages();
  Driver driver;
  std::string error;
  if (!LoadDriver(DriverPath, driver, error)) return Failure(error);
  const JournalLimits limits = LimitsOf(driver);
  if (!limits.HaveTable) {
    return Failure("driver " + driver.Path + " publishes no aperture table (its descriptor's ApertureTable field is 0)");
  }
  CamOptions options;
  options.Files = files;
  options.Layers = Layers;
  options.MarginMm = Margin;
  std::deque<CamCall> calls;
  std::vector<std::string> errors, warnings;
  int64_t origin[2] = {0, 0};
  const bool ok = View >= 0 ? cam::ImportView(options, static_cast<cam::BoardSide>(View), limits.MaxAperture, calls,
                                             errors, warnings)
                            : ImportCam(options, PlottingOrder(driver), limits.MaxAperture, calls, errors,
                                        warnings, origin);
  for (const std::string& w : warnings) {
    if (!Quiet) std::fprintf(stderr, "%s\n", w.c_str());
  }
  if (!ok) {
    for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    return ExitUsage;
  }
  if (!JournalOut.empty()) {
    std::string text = "# Made by plothost --cam from:";
    for (const std::string& f : files) text += " " + f;
    text += "\n# Plot origin 0 0 is the files' point " + Decimal(origin[0]) + " " + Decimal(origin[1]) +
            " (10 um units)\n";
    if (!OpenOutput(JournalOut, error)) return Failure(error);
    WriteOutput(text.data(), static_cast<int32_t>(text.size()));
    for (const CamCall& c : calls) {
      text = FormatCall(ToCall(c)) + "\n";
      WriteOutput(text.data(), static_cast<int32_t>(text.size()));
    }
    if (!CommitOutput(error)) return Failure(error);
  }
  if (!OpenOutput(OutPath, error)) return Failure(error);
  for (const CamCall& c : calls) {
    const Call full = ToCall(c);
    if (Passes(OnlyLayers, full)) Replay(full, driver);
  }
  if (!CommitOutput(error)) return Failure(error);
  return 0;
#else
  (void)Given, (void)Layers, (void)Margin, (void)LayersMap, (void)OutPath, (void)JournalOut,
      (void)DriverPath, (void)Quiet, (void)View;
  return UsageError("--cam is not available in this build (no polygon library)");
#endif
}

#if defined(PLOTHOST_CAM)
// --view: the driver reads its colours from the settings file beside the
// host, so plothost runs itself again with the mask and finish presets, the
// user's --settings laid over them, as that file. Returns the run's status,
// or -1 when the arguments are fine for this run as it is (none).
int StageView(int Argc, char** Argv, const std::string& Mask, const std::string& Finish,
              const std::string* Settings) {
  const char* mask = cam::ViewPreset("mask-" + Mask);
  const char* finish = cam::ViewPreset("finish-" + Finish);
  if (mask == nullptr) return UsageError("--mask " + Mask + ": expected " + cam::ViewPresetNames("mask-"));
  if (finish == nullptr) return UsageError("--finish " + Finish + ": expected " + cam::ViewPresetNames("finish-"));
  std::string text = cam::MergeSettings(mask, finish);
  if (Settings != nullptr) {
    std::string user;
    FILE* f = std::fopen(Settings->c_str(), "rb");
    if (f == nullptr) return UsageError("--settings " + *Settings + ": cannot read");
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) user.append(buf, n);
    std::fclose(f);
    text = cam::MergeSettings(text, user);
  }
  char name[] = "/tmp/plothost-view-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return Failure("cannot make a scratch settings file");
  const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  close(fd);
  if (!written) {
    unlink(name);
    return Failure("cannot write a scratch settings file");
  }
  // The same arguments less the user's --settings, and the mark that the
  // presets are in force.
  std::vector<std::string> args;
  for (int i = 0; i < Argc; ++i) {
    const std::string a = Argv[i];
    if (a == "--settings") {
      ++i;
      continue;
    }
    if (a.rfind("--settings=", 0) == 0) continue;
    args.push_back(a);
    if (i == 0) args.emplace_back("--view-staged");  // before any "--"
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  const int status = RunWithSettings(static_cast<int>(args.size()), argv.data(), 0, 0, name);
  unlink(name);
  return status;
}
#endif

int Run(int argc, char** argv) {
#if defined(_WIN32)
  // Every text that plothost prints is its own; keep line ends as written.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::string outPath, driverPath, journalPath, settingsPath;
  bool haveOut = false, haveDriver = false, haveJournal = false, quiet = false;
  bool haveSettings = false;
  int settingsAt = 0, settingsArgs = 0;  // where --settings stands in argv
  enum class Mode { Plot, Layers, Describe, DemoJournal } mode = Mode::Plot;
  int modes = 0;
  bool cam = false, layersMap = false, haveJournalOut = false;
  std::string journalOut;
  std::vector<std::string> camFiles;
  std::vector<std::pair<std::string, int32_t>> camLayers;
  double camMargin = 2.0;
  std::string view, mask = "green", finish = "enig";
  bool haveView = false, viewStaged = false, given = false;

  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](const char* Option, std::string& Into, bool& Seen) -> bool {
      // Both "--option VALUE" and "--option=VALUE".
      const std::string opt = Option;
      std::string v;
      if (arg == opt) {
        if (i + 1 >= argc) return false;
        v = argv[++i];
      } else {
        v = arg.substr(opt.size() + 1);
      }
      Into = v;
      Seen = true;
      return true;
    };
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "-h" || arg == "--help")) {
      std::fputs(HelpText, stdout);
      return 0;
    } else if (options && arg == "--version") {
      std::fputs("plothost " PLOTHOST_VERSION "\n", stdout);
      return 0;
    } else if (options && (arg == "-o" || arg == "--output" || arg.rfind("--output=", 0) == 0)) {
      if (haveOut) return UsageError("-o given twice");
      if (!value(arg == "-o" ? "-o" : "--output", outPath, haveOut)) {
        return UsageError("option " + arg + " needs a file name");
      }
      if (outPath.empty()) return UsageError("empty output file name");
    } else if (options && arg.size() > 2 && arg.rfind("-o", 0) == 0 && arg[2] != '-') {
      if (haveOut) return UsageError("-o given twice");
      outPath = arg.substr(2);
      haveOut = true;
    } else if (options && (arg == "--driver" || arg.rfind("--driver=", 0) == 0)) {
      if (haveDriver) return UsageError("--driver given twice");
      if (!value("--driver", driverPath, haveDriver)) {
        return UsageError("option --driver needs a library path");
      }
      if (driverPath.empty()) return UsageError("empty driver path");
    } else if (options && (arg == "-q" || arg == "--quiet")) {
      quiet = true;
    } else if (options && (arg == "--settings" || arg.rfind("--settings=", 0) == 0)) {
      if (haveSettings) return UsageError("--settings given twice");
      settingsAt = i;
      if (!value("--settings", settingsPath, haveSettings)) {
        return UsageError("option --settings needs a file name");
      }
      settingsArgs = i - settingsAt + 1;
      if (settingsPath.empty()) return UsageError("empty settings file name");
    } else if (options && arg == "--layers") {
      mode = Mode::Layers, ++modes;
    } else if (options && arg == "--describe") {
      mode = Mode::Describe, ++modes;
    } else if (options && arg == "--demo-journal") {
      mode = Mode::DemoJournal, ++modes;
    } else if (options && arg == "--cam") {
      cam = true;
    } else if (options && arg == "--layers-map") {
      layersMap = true;
    } else if (options && (arg == "--layer" || arg.rfind("--layer=", 0) == 0)) {
      std::string v;
      bool seen = false;
      if (!value("--layer", v, seen)) return UsageError("option --layer needs FILE=N");
      const size_t eq = v.rfind('=');
      const std::string n = eq == std::string::npos ? "" : v.substr(eq + 1);
      if (eq == 0 || n.empty() || n.size() > 2 || n.find_first_not_of("0123456789") != std::string::npos ||
          std::stoi(n) > 25) {
        return UsageError("--layer " + v + ": expected FILE=N with a host layer N from 0 to 25");
      }
      camLayers.emplace_back(v.substr(0, eq), static_cast<int32_t>(std::stoi(n)));
    } else if (options && (arg == "--only-layers" || arg.rfind("--only-layers=", 0) == 0)) {
      std::string v;
      bool seen = false;
      if (!value("--only-layers", v, seen)) return UsageError("option --only-layers needs a list of layers");
      if (!ParseLayerList(v, OnlyLayers)) {
        return UsageError("--only-layers " + v + ": expected layers from 0 to 25 such as 0,3,22-24");
      }
    } else if (options && (arg == "--margin" || arg.rfind("--margin=", 0) == 0)) {
      std::string v;
      bool seen = false;
      if (!value("--margin", v, seen)) return UsageError("option --margin needs a size in mm");
      char* end = nullptr;
      camMargin = std::strtod(v.c_str(), &end);
      if (v.empty() || *end != '\0' || !(camMargin >= 0 && camMargin <= 1000)) {
        return UsageError("--margin " + v + ": expected millimetres from 0 to 1000");
      }
    } else if (options && (arg == "--view" || arg.rfind("--view=", 0) == 0)) {
      if (!value("--view", view, haveView)) return UsageError("option --view needs top, bottom or both");
    } else if (options && (arg == "--mask" || arg.rfind("--mask=", 0) == 0)) {
      if (!value("--mask", mask, given)) return UsageError("option --mask needs a colour");
    } else if (options && (arg == "--finish" || arg.rfind("--finish=", 0) == 0)) {
      if (!value("--finish", finish, given)) return UsageError("option --finish needs enig, hasl or osp");
    } else if (options && arg == "--view-staged") {
      viewStaged = true;  // plothost's own: the presets are in the staged settings
    } else if (options && (arg == "--journal-out" || arg.rfind("--journal-out=", 0) == 0)) {
      if (haveJournalOut) return UsageError("--journal-out given twice");
      if (!value("--journal-out", journalOut, haveJournalOut) || journalOut.empty()) {
        return UsageError("option --journal-out needs a file name");
      }
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "'");
    } else if (cam) {
      camFiles.push_back(arg);
    } else {
      if (haveJournal) return UsageError("more than one journal given ('" + arg + "')");
      journalPath = arg;
      haveJournal = true;
    }
  }
  if (modes > 1) return UsageError("--layers, --describe and --demo-journal exclude each other");
  if (cam) {
    // Files given before --cam were taken for a journal.
    if (haveJournal) camFiles.insert(camFiles.begin(), journalPath), haveJournal = false;
    if (modes > 0) return UsageError("--cam excludes --layers, --describe and --demo-journal");
#if defined(PLOTHOST_CAM)
    if (haveView) {
      const int side = view == "top" ? 0 : view == "bottom" ? 1 : view == "both" ? 2 : -1;
      if (side < 0) return UsageError("--view " + view + ": expected top, bottom or both");
      if (layersMap || haveJournalOut) return UsageError("--view excludes --layers-map and --journal-out");
      if (!viewStaged) {
        const int status = StageView(argc, argv, mask, finish, haveSettings ? &settingsPath : nullptr);
        if (status >= 0) return status;
      }
      return CamMain(camFiles, camLayers, camMargin, false, haveOut ? outPath : "-", "",
                     haveDriver ? &driverPath : nullptr, quiet, side);
    }
    if (!layersMap && !camFiles.empty()) {
      if (haveSettings) {
        const int status = RefuseSettingsFile(settingsPath);
        if (status >= 0) return status;
        return RunWithSettings(argc, argv, settingsAt, settingsArgs, settingsPath);
      }
      // Without settings of the user's, a board is plotted in the CAM
      // colour set (the staged copy finds it as its SVG.ini).
      if (!FileExists(DefaultSettingsPath())) return RunWithSettingsText(argc, argv, CamColorSet);
    }
#endif
    SettingsName settingsName;
    if (!layersMap) {
      const int status = CheckSettingsBeside(quiet, settingsName);
      if (status >= 0) return status;
    }
    return CamMain(camFiles, camLayers, camMargin, layersMap, haveOut ? outPath : "-",
                   haveJournalOut ? journalOut : "", haveDriver ? &driverPath : nullptr, quiet);
  }
  if (layersMap || !camLayers.empty() || haveJournalOut) {
    return UsageError("--layers-map, --layer and --journal-out go with --cam");
  }
  if (mode != Mode::Plot && (haveJournal || haveOut)) {
    return UsageError("--layers, --describe and --demo-journal take no journal and no -o");
  }

  if (haveSettings) {
    const int status = RefuseSettingsFile(settingsPath);
    if (status >= 0) return status;
    return RunWithSettings(argc, argv, settingsAt, settingsArgs, settingsPath);
  }
  SettingsName settingsName;
  {
    const int status = CheckSettingsBeside(quiet, settingsName);
    if (status >= 0) return status;
  }

  // The journal is opened before the driver is loaded: a journal that
  // cannot be read, or that the output would replace, is a usage error.
  JournalFile journal;
  if (haveJournal) {
    std::string error;
    if (!OpenJournal(journalPath, journal, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return ExitUsage;
    }
    if (haveOut && SameFile(journal.Fd, outPath)) {
      CloseJournal(journal);
      return UsageError("the output would overwrite the journal");
    }
  }

  Driver driver;
  std::string error;
  if (!LoadDriver(haveDriver ? &driverPath : nullptr, driver, error)) return Failure(error);

  switch (mode) {
    case Mode::Layers:
      PrintLayers(driver, stdout);
      return std::fflush(stdout) == 0 ? 0 : Failure("cannot write standard output");
    case Mode::Describe: {
      Describe(driver, stdout);
      int positions[26];  // by layer: where the driver's order first plots it
      for (int& p : positions) p = -1;
      for (int p = 25; p >= 0; --p) {
        const int32_t l = driver.LayerOrdering(p);
        if (l >= 0 && l < 26) positions[l] = p;
      }
      std::string source = settingsName.Shown.empty() ? "no SVG.ini beside plothost: the defaults"
                           : settingsName.LineOffset > 0 ? settingsName.Shown
                                                         : "SVG.ini beside plothost";
      PrintLayerSettings(DefaultSettingsPath(), source, positions, stdout);
      return std::fflush(stdout) == 0 ? 0 : Failure("cannot write standard output");
    }
    case Mode::DemoJournal:
      PrintJournal(DemoBoard(driver), stdout);
      return std::fflush(stdout) == 0 ? 0 : Failure("cannot write standard output");
    case Mode::Plot:
      break;
  }

  const std::string out = haveOut ? outPath : "-";
  if (haveJournal) {
    const int status = PlotJournal(journal, driver, out, quiet);
    CloseJournal(journal);
    return status;
  }
  const std::vector<Call> calls = DemoBoard(driver);
  if (!CheckCalls(calls, driver, error)) return Failure("demo board: " + error);
  if (!OpenOutput(out, error)) return Failure(error);
  for (const Call& c : calls) {
    if (Passes(OnlyLayers, c)) Replay(c, driver);
  }
  if (!CommitOutput(error)) return Failure(error);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(argc, argv);
  } catch (const std::bad_alloc&) {
    // Whatever was being written is dropped whole.
    AbortOutput();
    std::fputs("plothost: out of memory\n", stderr);
    return ExitFailure;
  }
}
