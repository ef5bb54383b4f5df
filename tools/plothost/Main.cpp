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
#include "Stage.h"

#ifndef PLOTHOST_VERSION
#  define PLOTHOST_VERSION "0"
#endif

namespace {

constexpr int ExitFailure = 1;
constexpr int ExitUsage = 2;

const char* const HelpText =
    "Usage: plothost [-o OUT.svg] [--driver LIBRARY] [--settings FILE] [JOURNAL]\n"
    "       plothost --layers | --describe | --demo-journal [--driver LIBRARY]\n"
    "                [--settings FILE]\n"
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
    "  --settings FILE    the driver reads FILE as its settings file instead of\n"
    "                     the SVG.ini beside plothost (its Record key is ignored)\n"
    "  --layers           print the layer plotting order the driver answers\n"
    "  --describe         print the driver's descriptor and its parameters\n"
    "  --demo-journal     print the built-in demo board as a journal\n"
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

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
  // Every text that plothost prints is its own; keep line ends as written.
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  std::string outPath, driverPath, journalPath, settingsPath;
  bool haveOut = false, haveDriver = false, haveJournal = false, haveSettings = false;
  int settingsAt = 0, settingsArgs = 0;  // where --settings stands in argv
  enum class Mode { Plot, Layers, Describe, DemoJournal } mode = Mode::Plot;
  int modes = 0;

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
    } else if (options && arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option '" + arg + "'");
    } else {
      if (haveJournal) return UsageError("more than one journal given ('" + arg + "')");
      journalPath = arg;
      haveJournal = true;
    }
  }
  if (modes > 1) return UsageError("--layers, --describe and --demo-journal exclude each other");
  if (mode != Mode::Plot && (haveJournal || haveOut)) {
    return UsageError("--layers, --describe and --demo-journal take no journal and no -o");
  }

  if (haveSettings) return RunWithSettings(argc, argv, settingsAt, settingsArgs, settingsPath);

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
