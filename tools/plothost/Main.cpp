// plothost: a stand-in for the layout program that hosts the SVG driver.
//
// It loads the driver library at run time, configures it and drives plots
// through its exported entry points only, exactly as the host does: from a
// plot journal, or the built-in demo board.
//
// Exit status: 0 done; 1 the driver or the output failed; 2 bad usage or a
// bad journal (nothing is called and no output file is made).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#endif

#include "Driver.h"
#include "Host.h"
#include "Journal.h"
#include "Output.h"
#if defined(PLOTHOST_CAM)
#  include "tools/cam/Cam.h"
#endif

#ifndef PLOTHOST_VERSION
#  define PLOTHOST_VERSION "0"
#endif

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

const char* const HelpText =
    "Usage: plothost [-o OUT.svg] [--driver LIBRARY] [JOURNAL]\n"
    "       plothost --layers | --describe | --demo-journal [--driver LIBRARY]\n"
    "       plothost [-o OUT.svg] --cam [--layer FILE=N]... [--margin MM]\n"
    "                [--journal-out FILE] FILE...\n"
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
    "  --driver LIBRARY   load this driver library instead of the one beside\n"
    "                     plothost\n"
    "  --layers           print the layer plotting order the driver answers\n"
    "  --describe         print the driver's descriptor and its parameters\n"
    "  --demo-journal     print the built-in demo board as a journal\n"
    "  --cam              plot a board's Gerber and Excellon files (the positional\n"
    "                     arguments) as the layout program would\n"
    "  --layer FILE=N     with --cam: plot FILE on host layer N\n"
    "  --margin MM        with --cam: margin around the board (default 2)\n"
    "  --journal-out FILE with --cam: also write the calls as a journal\n"
    "  --layers-map       with --cam: print the default host layer of each file\n"
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
    "plothost. Exit status: 0 done, 1 driver or output failure, 2 bad usage or\n"
    "bad journal.\n";

int UsageError(const std::string& What) {
  std::fprintf(stderr, "plothost: %s\nTry 'plothost --help' for more information.\n", What.c_str());
  return ExitUsage;
}

int Failure(const std::string& What) {
  std::fprintf(stderr, "plothost: %s\n", What.c_str());
  return ExitFailure;
}

// Reads the whole journal; "-" is standard input.
bool ReadJournal(const std::string& Path, std::string& Name, std::string& Text, std::string& Error) {
  FILE* f = nullptr;
  if (Path == "-") {
    Name = "<stdin>";
    f = stdin;
#if defined(_WIN32)
    _setmode(_fileno(stdin), _O_BINARY);
#endif
  } else {
    Name = Path;
    f = std::fopen(Path.c_str(), "rb");
    if (f == nullptr) {
      Error = Name + ": cannot open: " + std::strerror(errno);
      return false;
    }
  }
  char buf[1 << 15];
  size_t n;
  errno = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) Text.append(buf, n);
  const bool failed = std::ferror(f) != 0;
  const int err = errno;
  if (f != stdin) std::fclose(f);
  if (failed) {
    Error = Name + ": cannot read: " + std::strerror(err != 0 ? err : EIO);
    return false;
  }
  return true;
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

// plothost --cam: the board's files become the calls a layout program makes.
int CamMain(const std::vector<std::string>& Files,
            const std::vector<std::pair<std::string, int32_t>>& Layers, double Margin,
            bool LayersMap, const std::string& OutPath, const std::string& JournalOut,
            const std::string* DriverPath) {
#if defined(PLOTHOST_CAM)
  if (LayersMap) {
    if (!Files.empty()) return UsageError("--layers-map takes no files");
    std::fputs(CamLayersMap().c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : Failure("cannot write standard output");
  }
  if (Files.empty()) return UsageError("--cam needs Gerber or Excellon files");
  Driver driver;
  std::string error;
  if (!LoadDriver(DriverPath, driver, error)) return Failure(error);
  CamOptions options;
  options.Files = Files;
  options.Layers = Layers;
  options.MarginMm = Margin;
  std::vector<Call> calls;
  std::vector<std::string> errors, warnings;
  int64_t origin[2] = {0, 0};
  const bool ok = ImportCam(options, PlottingOrder(driver), driver.GetDescrPtr440()->MaxAperture,
                            calls, errors, warnings, origin);
  for (const std::string& w : warnings) std::fprintf(stderr, "%s\n", w.c_str());
  if (!ok) {
    for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
    return ExitUsage;
  }
  std::string driverError;
  if (!CheckCalls(calls, driver, "CAM import", errors, driverError)) return Failure(driverError);
  if (!errors.empty()) return Failure(errors.front());
  if (!JournalOut.empty()) {
    std::string text = "# Made by plothost --cam from:";
    for (const std::string& f : Files) text += " " + f;
    text += "\n# Plot origin 0 0 is the files' point " + std::to_string(origin[0]) + " " +
            std::to_string(origin[1]) + " (10 um units)\n";
    for (const Call& c : calls) text += FormatCall(c) + "\n";
    Output journal;
    if (!journal.Open(JournalOut, error)) return Failure(error);
    Output::Write(text.data(), static_cast<int32_t>(text.size()));
    if (!journal.Commit(error)) return Failure(error);
  }
  Output out;
  if (!out.Open(OutPath, error)) return Failure(error);
  Replay(calls, driver);
  if (!out.Commit(error)) return Failure(error);
  return 0;
#else
  (void)Files, (void)Layers, (void)Margin, (void)LayersMap, (void)OutPath, (void)JournalOut,
      (void)DriverPath;
  return UsageError("--cam is not available in this build (no polygon library)");
#endif
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Every text that plothost prints is its own; keep line ends as written.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::string outPath, driverPath, journalPath;
  bool haveOut = false, haveDriver = false, haveJournal = false;
  enum class Mode { Plot, Layers, Describe, DemoJournal } mode = Mode::Plot;
  int modes = 0;
  bool cam = false, layersMap = false, haveJournalOut = false;
  std::string journalOut;
  std::vector<std::string> camFiles;
  std::vector<std::pair<std::string, int32_t>> camLayers;
  double camMargin = 2.0;

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
    } else if (options && (arg == "--margin" || arg.rfind("--margin=", 0) == 0)) {
      std::string v;
      bool seen = false;
      if (!value("--margin", v, seen)) return UsageError("option --margin needs a size in mm");
      char* end = nullptr;
      camMargin = std::strtod(v.c_str(), &end);
      if (v.empty() || *end != '\0' || !(camMargin >= 0 && camMargin <= 1000)) {
        return UsageError("--margin " + v + ": expected millimetres from 0 to 1000");
      }
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
    return CamMain(camFiles, camLayers, camMargin, layersMap, haveOut ? outPath : "-",
                   haveJournalOut ? journalOut : "", haveDriver ? &driverPath : nullptr);
  }
  if (layersMap || !camLayers.empty() || haveJournalOut) {
    return UsageError("--layers-map, --layer and --journal-out go with --cam");
  }
  if (mode != Mode::Plot && (haveJournal || haveOut)) {
    return UsageError("--layers, --describe and --demo-journal take no journal and no -o");
  }

  // The journal is read and checked whole before the driver is even loaded.
  std::vector<Call> calls;
  std::string journalName;
  if (haveJournal) {
    std::string text, error;
    if (!ReadJournal(journalPath, journalName, text, error)) {
      std::fprintf(stderr, "%s\n", error.c_str());
      return ExitUsage;
    }
    std::vector<std::string> errors;
    ParseJournal(journalName, text, calls, errors);
    if (!errors.empty()) {
      for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
      return ExitUsage;
    }
  }

  Driver driver;
  std::string error;
  if (!LoadDriver(haveDriver ? &driverPath : nullptr, driver, error)) return Failure(error);

  switch (mode) {
    case Mode::Layers:
      PrintLayers(driver, stdout);
      return std::fflush(stdout) == 0 ? 0 : Failure("cannot write standard output");
    case Mode::Describe:
      Describe(driver, stdout);
      return std::fflush(stdout) == 0 ? 0 : Failure("cannot write standard output");
    case Mode::DemoJournal:
      PrintJournal(DemoBoard(driver), stdout);
      return std::fflush(stdout) == 0 ? 0 : Failure("cannot write standard output");
    case Mode::Plot:
      break;
  }

  if (haveJournal) {
    std::vector<std::string> errors;
    std::string driverError;
    if (!CheckCalls(calls, driver, journalName, errors, driverError)) {
      std::fprintf(stderr, "%s\n", driverError.c_str());
      return ExitFailure;
    }
    if (!errors.empty()) {
      for (const std::string& e : errors) std::fprintf(stderr, "%s\n", e.c_str());
      return ExitUsage;
    }
  } else {
    calls = DemoBoard(driver);
    std::vector<std::string> errors;
    std::string driverError;
    if (!CheckCalls(calls, driver, "demo board", errors, driverError)) {
      return Failure(driverError);
    }
    if (!errors.empty()) return Failure(errors.front());
  }

  Output out;
  if (!out.Open(haveOut ? outPath : "-", error)) return Failure(error);
  Replay(calls, driver);
  if (!out.Commit(error)) return Failure(error);
  return 0;
}
