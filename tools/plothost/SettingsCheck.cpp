// SettingsCheck.cpp: plothost's reading of the settings file (see
// SettingsCheck.h). Values are looked up with the driver's own reader and
// converted with its own rules; only finding names and their lines is done
// here.
#include "SettingsCheck.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "Journal.h"
#include "settings/Settings.h"

#if defined(_WIN32)
#  include <windows.h>
#endif

namespace {

constexpr const char* StagedPrefix = "; plothost --settings ";
constexpr const char* OwnSetName = "the CAM colour set";

}  // namespace

const char* const CamColorSetName = OwnSetName;

namespace {

constexpr int32_t BuiltInKey[LayerCount] = {
    1800, 2000, 2100, 1000, 1700, 1900, 1600, 1500, 1400, 1300, 1200, 1100, 3100,
    3200, 3300, 3400, 3500, 3600, 3900, 3700, 3000, 4100, 4000, 3800, 9999, 9999};

char Fold(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }

bool SameName(const std::string& A, const char* B) {
  const size_t n = std::strlen(B);
  if (A.size() != n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (Fold(A[i]) != Fold(B[i])) return false;
  }
  return true;
}

std::string Trim(const std::string& S) {
  size_t b = 0, e = S.size();
  while (b < e && (S[b] == ' ' || S[b] == '\t' || S[b] == '\r')) ++b;
  while (e > b && (S[e - 1] == ' ' || S[e - 1] == '\t' || S[e - 1] == '\r')) --e;
  return S.substr(b, e - b);
}

// Section -1: Setup; 0 to 25: LayerN exactly as the driver spells it; -2
// anything else.
int SectionOf(const std::string& Name) {
  if (SameName(Name, "Setup")) return -1;
  for (int n = 0; n < LayerCount; ++n) {
    if (SameName(Name, ("Layer" + std::to_string(n)).c_str())) return n;
  }
  return -2;
}

const char* const LayerKeys[] = {"Color", "Opacity", "ZOrder"};

// The keys of [Setup]: HiddenText, Record and the plot switches.
std::vector<const char*> SetupKeys() {
  std::vector<const char*> k{"HiddenText", "Record"};
  for (int n = 0; n < PlotSwitchCount; ++n) k.push_back(PlotSwitchNames[n]);
  return k;
}

std::string KeyList(const std::vector<const char*>& Keys) {
  std::string s;
  for (size_t i = 0; i < Keys.size(); ++i) s += (i == 0 ? "" : ", ") + std::string(Keys[i]);
  return s;
}

#if defined(_WIN32)
std::wstring Wide(const std::string& S) {
  const int n = MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), nullptr, 0);
  std::wstring w(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, S.data(), static_cast<int>(S.size()), w.data(), n);
  return w;
}
#endif

// Looks the entries up in the file with the driver's reader.
void Lookup(const std::string& Path, std::vector<TProfileEntry>& E) {
  if (E.empty()) return;
#if defined(_WIN32)
  const std::wstring file = Wide(Path);
  ReadProfile(file.c_str(), E.data(), static_cast<int>(E.size()));
#else
  ReadProfile(Path.c_str(), E.data(), static_cast<int>(E.size()));
#endif
}

struct Found {
  int Section;       // as SectionOf
  std::string Key;   // as spelt in the file
  int64_t Line;      // where the driver reads it from
};

// What the driver makes of one value, and what to say when that is not what
// the text seems to ask for.
std::string Verdict(int Section, const std::string& Key, const char* Value) {
  const std::string v = Value;
  int32_t n = 0;
  if (v.empty()) return "";
  if (Section >= 0 && SameName(Key, "Color")) {
    if (!ColorRule(Value, n)) {
      return "Color=" + v + " is neither #RRGGBB nor a number: the layer keeps its parameter's colour";
    }
    if (v[0] == '#' && v.size() != 7 && v.size() != 9) {
      char rgb[16];
      std::snprintf(rgb, sizeof rgb, "#%06X", static_cast<unsigned>(n));
      return "Color=" + v + " has " + std::to_string(v.size() - 1) +
             " hexadecimal digits: it reads as " + rgb + "; write #RRGGBB";
    }
    return "";
  }
  if (SameName(Key, "Record")) return "";
  const std::string name = Key + "=" + v;
  if (!IntRule(Value, n)) {
    if (Section >= 0 && SameName(Key, "Opacity")) return name + " is not a number: the opacity stays 100";
    if (Section >= 0) {
      return name + " is not a number: the built-in key " + std::to_string(BuiltInKey[Section]) + " is used";
    }
    return name + " is not a number: " + (SameName(Key, "HiddenText") ? "on" : "off") + " is used";
  }
  if (Section >= 0 && SameName(Key, "Opacity") && (n < 0 || n > 100)) {
    return name + " lies outside 0 to 100: " + (n < 0 ? "0" : "100") + " is used";
  }
  return "";
}

}  // namespace

std::string StagedMarker(const std::string& Shown) { return StagedPrefix + Shown + "\n"; }

SettingsName NameOfStaged(const std::string& Path, const std::string& Text) {
  SettingsName n;
  n.Shown = Path;
  const size_t p = std::strlen(StagedPrefix);
  if (Text.compare(0, p, StagedPrefix) != 0) return n;
  const size_t end = Text.find('\n');
  n.Shown = Text.substr(p, end == std::string::npos ? std::string::npos : end - p);
  n.LineOffset = 1;
  n.Skip = n.Shown == OwnSetName;
  return n;
}

bool ReadSettingsText(const std::string& Path, std::string& Text, std::string& Refusal) {
  Text.clear();
  FILE* f = std::fopen(Path.c_str(), "rb");
  if (f == nullptr) return false;
  char buf[4096];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0 && Text.size() < (16u << 20)) Text.append(buf, got);
  std::fclose(f);
  const bool le = Text.size() >= 2 && Text[0] == '\xFF' && Text[1] == '\xFE';
  const bool be = Text.size() >= 2 && Text[0] == '\xFE' && Text[1] == '\xFF';
  if (!le && !be) {
    if (Text.compare(0, 3, "\xEF\xBB\xBF") == 0) Text.erase(0, 3);
    return true;
  }
  // As the driver's reader takes it: UTF-16 text, anything beyond ASCII '?'.
  std::string narrow;
  for (size_t i = 2; i + 1 < Text.size(); i += 2) {
    const unsigned u = le ? static_cast<unsigned char>(Text[i]) | static_cast<unsigned char>(Text[i + 1]) << 8
                          : static_cast<unsigned char>(Text[i]) << 8 | static_cast<unsigned char>(Text[i + 1]);
    narrow += u < 0x80 ? static_cast<char>(u) : '?';
  }
  Text = narrow;
  (void)Refusal;
  return true;
}

std::vector<std::string> CheckSettings(const std::string& Path, const std::string& Text,
                                       const SettingsName& Name) {
  std::vector<std::string> out;
  if (Name.Skip) return out;
  const std::vector<const char*> setupKeys = SetupKeys();
  std::vector<Found> found;
  std::vector<std::pair<int, int64_t>> sections;  // first line of each section read
  int current = -3;      // -3: before any section
  bool reading = false;  // the current section is the first of its name
  size_t pos = 0;
  int64_t line = -Name.LineOffset;
  auto warn = [&](int64_t Line, const std::string& What) {
    out.push_back(Where(Name.Shown, Line) + "warning: " + What);
  };
  while (pos < Text.size()) {
    size_t end = Text.find('\n', pos);
    if (end == std::string::npos) end = Text.size();
    const std::string l = Trim(Text.substr(pos, end - pos));
    pos = end + 1;
    ++line;
    if (line < 1 || l.empty() || l[0] == ';') continue;
    if (l[0] == '[') {
      const size_t close = l.find(']');
      if (close == std::string::npos) {
        warn(line, "'" + l + "' has no ']': ignored, and the section before goes on");
        continue;
      }
      const std::string name = l.substr(1, close - 1);
      current = SectionOf(name);
      reading = false;
      if (current == -2) {
        warn(line, "unknown section [" + name + "]: the driver reads [Setup] and [Layer0] to [Layer25]");
        continue;
      }
      reading = true;
      for (const auto& [s, first] : sections) {
        if (s == current) {
          warn(line, "[" + name + "] again: only the first (line " + Decimal(first) + ") is read");
          reading = false;
        }
      }
      if (reading) sections.emplace_back(current, line);
      continue;
    }
    const size_t eq = l.find('=');
    const std::string key = Trim(l.substr(0, eq));
    if (current == -3) {
      warn(line, "'" + l + "' stands before any section: ignored");
      continue;
    }
    if (current == -2 || !reading) continue;
    if (eq == std::string::npos) {
      warn(line, "'" + l + "' is not KEY=VALUE: ignored");
      continue;
    }
    bool known = false;
    if (current == -1) {
      for (const char* k : setupKeys) known = known || SameName(key, k);
    } else {
      for (const char* k : LayerKeys) known = known || SameName(key, k);
    }
    const std::string section = current == -1 ? "Setup" : "Layer" + std::to_string(current);
    if (!known) {
      warn(line, "unknown key " + key + " in [" + section + "]: the keys there are " +
                     (current == -1 ? KeyList(setupKeys) : "Color, Opacity, ZOrder"));
      continue;
    }
    bool again = false;
    for (const Found& f : found) {
      if (f.Section == current && SameName(f.Key, key.c_str())) {
        warn(line, key + " again in [" + section + "]: only the first (line " + Decimal(f.Line) + ") counts");
        again = true;
      }
    }
    if (!again) found.push_back(Found{current, key, line});
  }
  // The values of the keys found, as the driver reads and converts them.
  std::vector<std::string> sectionText(found.size());
  std::vector<TProfileEntry> entries(found.size());
  for (size_t i = 0; i < found.size(); ++i) {
    sectionText[i] = found[i].Section == -1 ? "Setup" : "Layer" + std::to_string(found[i].Section);
    entries[i].Section = sectionText[i].c_str();
    entries[i].Key = found[i].Key.c_str();
  }
  Lookup(Path, entries);
  for (size_t i = 0; i < found.size(); ++i) {
    const std::string v = Verdict(found[i].Section, found[i].Key, entries[i].Value);
    if (!v.empty()) warn(found[i].Line, v);
  }
  // In line order, as a reader goes through the file.
  std::stable_sort(out.begin(), out.end(), [&](const std::string& A, const std::string& B) {
    auto lineOf = [&](const std::string& S) {
      return std::strtoll(S.c_str() + Name.Shown.size() + 1, nullptr, 10);
    };
    return lineOf(A) < lineOf(B);
  });
  return out;
}

void PrintLayerSettings(const std::string& Path, const std::string& Source, const int (&Positions)[26],
                        FILE* To) {
#if defined(_WIN32)
  const std::wstring file = Wide(Path);
  LoadSettingsFrom(file.c_str());
#else
  LoadSettingsFrom(Path.c_str());
#endif
  SortStackingOrder();
  int32_t key[LayerCount];
  for (const TStackEntry& e : StackingOrder) key[e.Layer] = e.ZOrder;
  std::string out = "\nLayer settings (" + Source + ", as the driver reads it):\n"
                    "  Layer  Colour     Opacity  ZOrder  Position\n";
  // (Colour: the override written in place of the layer's parameter colour.)
  for (int n = 0; n < LayerCount; ++n) {
    char row[96];
    char colour[16];
    if (LayerSettings[n].ColorOverride == -1) {
      std::snprintf(colour, sizeof colour, "parameter");
    } else {
      std::snprintf(colour, sizeof colour, "#%06X", static_cast<unsigned>(LayerSettings[n].ColorOverride));
    }
    char plotted[16];
    if (Positions[n] < 0) {
      std::snprintf(plotted, sizeof plotted, "never");
    } else {
      std::snprintf(plotted, sizeof plotted, "%d", Positions[n]);
    }
    std::snprintf(row, sizeof row, "  %5d  %-9s  %5d %%  %6d  %s\n", n, colour,
                  static_cast<int>(LayerSettings[n].Opacity), static_cast<int>(key[n]), plotted);
    out += row;
  }
  std::fputs(out.c_str(), To);
}
