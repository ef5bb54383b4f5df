// SettingsAgree.cpp: what the library makes of a settings file, for many
// files in one process, so that the 32-bit DLL (Windows' profile reader,
// under Wine) and the native library (our own reader) can be compared.
// Built natively and for Windows from this one source.
//
//   settingsagree --generate DIR COUNT SEED
//       writes COUNT settings files into DIR: quotes, blanks, repeated
//       sections and keys, comments, every line end, long names and values,
//       byte order marks, UTF-16, stray bytes.
//   settingsagree LIBRARY LIST
//       for each file named in LIST (one path a line): puts it beside this
//       program as SVG.ini, loads LIBRARY, and writes to standard output
//       the descriptor's flags, the stacking order and a plot that opens
//       every layer (each layer group carries its opacity and colours),
//       then unloads LIBRARY. The library must be a private copy beside
//       this program: it reads SVG.ini beside the program.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#  include <fcntl.h>
#  include <io.h>
#  include <windows.h>
#else
#  include <dlfcn.h>
#  include <unistd.h>
#endif

#include "driver/Exports.h"

namespace {

// ---- Generating files ----------------------------------------------------

uint64_t Rng;
uint32_t Next(uint32_t N) {
  Rng = Rng * 6364136223846793005ULL + 1442695040888963407ULL;
  return static_cast<uint32_t>(Rng >> 33) % N;
}
template <size_t N>
const char* Pick(const char* const (&List)[N]) { return List[Next(N)]; }

const char* const Sections[] = {
    "[Setup]", "[setup]", "[SETUP]", " [Setup] ", "[ Setup ]", "[Setup", "[Setup] ; on",
    "[Setup]]", "[Setup]x]", "[Set up]", "\t[Setup]\t", "[Setup]\"", "[]", "[Layer]"};
const char* const Keys[] = {
    "Color", "color", "COLOR", " Color ", "Colour", "Col or", "Opacity", "opacity", "ZOrder",
    "zorder", "Z Order", "HiddenText", "hiddentext", "InkscapeLayers", "SeeThroughHoles", "Mirror",
    "Monochrome", "Negative", "TrueSize", "\"Color\"", "Color\t", "; Color", "#Opacity", ""};
const char* const Values[] = {
    "#FF0000", "#00ff00", "\"#00FF00\"", "'#0000FF'", "\"#123456'", "'#654321\"", "\"", "'",
    "\"\"", "''", "\"'\"", "  \"50\"  ", "\" 50\"", "\"50 \"", "\"\"50\"\"", "'\"7\"'", "50", "-5",
    "150", "abc", "$10", "0x1F", "+7", " - 3", "2147483648", "-2147483648", "4294967295",
    "$FFFFFFFF", "#FFFFFFFF", "", "0", "1", "2", "500", "-1", "1e3", "50;comment", "50 ; x",
    "\"50\" ; x", "#FF0000 ", "\t#FF0000\t", "255", "#ff", "x10", "0X1f", "$", "#", "red",
    "\"red\"", "\"\"\"", "'''", "\" \"", "\"#FFFFFFFF\""};
const char* const Ends[] = {"\n", "\r\n", "\r", "\n\r", "\r\r\n", "\n\n"};
const char* const Blanks[] = {" ", "\t", "\v", "\f", "\x1a", "\xa0", "  ", ""};
const char* const Junk[] = {
    "; a comment", "# another", "// and one", "=", "==", "=5", "Color", "[", "]", "[[Layer1]]",
    "no equals sign", "\x80\xff\xfe", "caf\xc3\xa9=1", "Color = #FF0000 = 2"};

std::string SectionLine() {
  if (Next(3) == 0) return Pick(Sections);
  const int layer = static_cast<int>(Next(30)) - 2;
  char buf[64];
  const char* forms[] = {"[Layer%d]", "[layer%d]", "[LAYER%d]", "[ Layer%d ]", "[Layer%d] ; x",
                         "[Layer %d]", "[Layer0%d]", "[Layer%d", "[Layer%d]]", "[Layer+%d]"};
  std::snprintf(buf, sizeof buf, forms[Next(Next(2) ? 1 : 10)], layer);
  return buf;
}

std::string LongText(char Fill, size_t Around) {
  return std::string(Around - 8 + Next(16), Fill);
}

std::string ValueText() {
  switch (Next(40)) {
    case 0: return LongText('0', 2047) + std::to_string(Next(100));
    case 1: return "\"" + LongText('0', 2046) + "7\"";
    case 2: return "'" + LongText('1', 2049);
    case 3: return LongText(' ', 2047) + "5";
    case 4: {
      std::string v = "50";
      v += '\0';
      v += Pick(Values);
      return v;
    }
    default: return Pick(Values);
  }
}

std::string KeyLine() {
  std::string k = Next(20) == 0 ? LongText('K', 70) : Pick(Keys);
  std::string line = Pick(Blanks) + k;
  if (Next(12) != 0) line += std::string(Pick(Blanks)) + "=" + Pick(Blanks);
  line += ValueText();
  if (Next(4) == 0) line += Pick(Blanks);
  return line;
}

std::string MakeFile() {
  std::string text;
  const uint32_t lines = 1 + Next(Next(4) == 0 ? 200 : 30);
  const char* end = Pick(Ends);
  for (uint32_t i = 0; i < lines; ++i) {
    const uint32_t kind = Next(10);
    if (kind < 3) {
      text += SectionLine();
    } else if (kind < 9) {
      text += KeyLine();
    } else {
      text += Pick(Junk);
    }
    if (Next(10) == 0) end = Pick(Ends);
    if (i + 1 < lines || Next(3) != 0) text += end;
  }
  return text;
}

// The same text as UTF-16, little- or big-endian, with or without its mark.
std::string Utf16(const std::string& Text, bool Big, bool Mark) {
  std::string out;
  auto unit = [&](uint16_t U) {
    out += static_cast<char>(Big ? U >> 8 : U & 0xFF);
    out += static_cast<char>(Big ? U & 0xFF : U >> 8);
  };
  if (Mark) unit(0xFEFF);
  for (unsigned char c : Text) unit(c < 0x80 ? c : static_cast<uint16_t>(0x100 + c));
  return out;
}

int Generate(const char* Dir, int Count, uint64_t Seed) {
  Rng = Seed;
  for (int n = 0; n < Count; ++n) {
    std::string text = MakeFile();
    switch (Next(16)) {
      case 0: text = "\xEF\xBB\xBF" + text; break;
      case 1: text = Utf16(text, false, true); break;
      case 2: text = Utf16(text, true, true); break;
      case 3: text = Utf16(text, false, false); break;
      default: break;
    }
    char path[1024];
    std::snprintf(path, sizeof path, "%s/gen-%05d.ini", Dir, n);
    std::FILE* f = std::fopen(path, "wb");
    if (f == nullptr || std::fwrite(text.data(), 1, text.size(), f) != text.size() ||
        std::fclose(f) != 0) {
      std::fprintf(stderr, "settingsagree: cannot write %s\n", path);
      return 1;
    }
  }
  return 0;
}

// ---- Reading them through the library ------------------------------------

std::string ExeDir() {
  char buf[4096];
#if defined(_WIN32)
  const DWORD n = GetModuleFileNameA(nullptr, buf, sizeof buf);
  std::string s(buf, n);
  return s.substr(0, s.find_last_of("\\/") + 1);
#else
  const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
  if (n <= 0) return "./";
  std::string s(buf, static_cast<size_t>(n));
  return s.substr(0, s.rfind('/') + 1);
#endif
}

bool CopyFile(const std::string& From, const std::string& To) {
  std::FILE* in = std::fopen(From.c_str(), "rb");
  std::FILE* out = std::fopen(To.c_str(), "wb");
  bool ok = in != nullptr && out != nullptr;
  char buf[65536];
  size_t n;
  while (ok && (n = std::fread(buf, 1, sizeof buf, in)) > 0) ok = std::fwrite(buf, 1, n, out) == n;
  if (in != nullptr) std::fclose(in);
  if (out != nullptr && std::fclose(out) != 0) ok = false;
  return ok;
}

void DRV_CALL Write(const char* Buf, int32_t Count) {
  std::fwrite(Buf, 1, static_cast<size_t>(Count), stdout);
}

template <typename F>
F Entry(void* Lib, const char* Name) {
#if defined(_WIN32)
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(Lib), Name)));
#else
  return reinterpret_cast<F>(dlsym(Lib, Name));
#endif
}

bool Report(const std::string& Library) {
#if defined(_WIN32)
  void* lib = LoadLibraryA(Library.c_str());
#else
  void* lib = dlopen(Library.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
  if (lib == nullptr) return false;
  auto descr = Entry<decltype(&::GetDescrPtr440)>(lib, "GetDescrPtr440");
  auto ordering = Entry<decltype(&::LayerOrdering)>(lib, "LayerOrdering");
  auto openEquip = Entry<decltype(&::OpenEquip)>(lib, "OpenEquip");
  auto openLayer = Entry<decltype(&::OpenLayer)>(lib, "OpenLayer");
  auto closeEquip = Entry<decltype(&::CloseEquip)>(lib, "CloseEquip");
  auto drawLine = Entry<decltype(&::DrawLine)>(lib, "DrawLine");
  auto flashPad = Entry<decltype(&::FlashPad)>(lib, "FlashPad");
  auto drillHole = Entry<decltype(&::DrillHole)>(lib, "DrillHole");
  bool ok = descr && ordering && openEquip && openLayer && closeEquip && drawLine && flashPad &&
            drillHole;
  if (ok) {
    TDrvDescr* d = descr();
    auto* table = reinterpret_cast<TAperture*>(static_cast<uintptr_t>(d->ApertureTable));
    table[1].Width = table[1].Height = 20;
    std::printf("flags %04X order", static_cast<unsigned>(d->Flags));
    for (int i = 0; i < 26; ++i) std::printf(" %d", static_cast<int>(ordering(i)));
    std::printf("\n");
    openEquip(Write, 0, 0, 1000, 1000);
    for (int32_t layer = 0; layer < 26; ++layer) {
      openLayer(layer, 0);
      drawLine(0, 0, 100, 100, 1);
      flashPad(50, 50, 1);
      drillHole(60, 60, 1);
    }
    closeEquip();
  }
#if defined(_WIN32)
  FreeLibrary(static_cast<HMODULE>(lib));
#else
  dlclose(lib);
#endif
  return ok;
}

int ReadAll(const char* Library, const char* List) {
#if defined(_WIN32)
  _setmode(_fileno(stdout), _O_BINARY);
#endif
  const std::string settings = ExeDir() + "SVG.ini";
  std::FILE* list = std::fopen(List, "rb");
  if (list == nullptr) {
    std::fprintf(stderr, "settingsagree: cannot read %s\n", List);
    return 1;
  }
  char line[4096];
  int files = 0;
  while (std::fgets(line, sizeof line, list) != nullptr) {
    std::string path = line;
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    if (path.empty()) continue;
    if (!CopyFile(path, settings)) {
      std::fprintf(stderr, "settingsagree: cannot copy %s to %s\n", path.c_str(), settings.c_str());
      return 1;
    }
    // The name without its folder: the two sides see the files at other paths.
    std::printf("== %s\n", path.substr(path.find_last_of("\\/") + 1).c_str());
    if (!Report(Library)) {
      std::fprintf(stderr, "settingsagree: cannot load %s\n", Library);
      return 1;
    }
    ++files;
  }
  std::fclose(list);
  std::remove(settings.c_str());
  std::fflush(stdout);
  std::fprintf(stderr, "settingsagree: %d files read\n", files);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "--generate") == 0) {
    return Generate(argv[2], std::atoi(argv[3]), std::strtoull(argv[4], nullptr, 10));
  }
  if (argc == 3) return ReadAll(argv[1], argv[2]);
  std::fprintf(stderr,
               "usage: settingsagree --generate DIR COUNT SEED\n"
               "       settingsagree LIBRARY LIST\n");
  return 2;
}
