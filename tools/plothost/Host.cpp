// Host.cpp: replaying calls and showing the driver's records.
#include "Host.h"

#include <algorithm>
#include <cstring>

#include "Output.h"

namespace {

constexpr int LayerCount = 26;  // host layers 0 to 25

std::string Str(const uint8_t* Bytes, int Capacity) {
  const int n = Bytes[0] <= Capacity ? Bytes[0] : Capacity;
  return std::string(reinterpret_cast<const char*>(Bytes + 1), static_cast<size_t>(n));
}

template <int N>
std::string Str(const TShortStr<N>& S) {
  return Str(reinterpret_cast<const uint8_t*>(&S), N);
}

// A name or choice entry as the user sees it: the ">" marks before hot keys
// dropped, unprintable bytes escaped.
std::string Shown(const std::string& S) {
  static const char hex[] = "0123456789ABCDEF";
  std::string r;
  for (unsigned char c : S) {
    if (c == '>') continue;
    if (c >= 0x20 && c < 0x7F) {
      r += static_cast<char>(c);
    } else {
      r += "\\x";
      r += hex[c >> 4];
      r += hex[c & 15];
    }
  }
  return r;
}

std::string Pad(std::string S, size_t Width) {
  if (S.size() < Width) S.append(Width - S.size(), ' ');
  return S;
}

std::string PadLeft(const std::string& S, size_t Width) {
  return S.size() < Width ? std::string(Width - S.size(), ' ') + S : S;
}

std::string Num(int64_t V) { return std::to_string(V); }

std::string Hex4(unsigned V) {
  static const char hex[] = "0123456789ABCDEF";
  std::string s = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) s += hex[(V >> shift) & 15];
  return s;
}

// The plot switches the driver read from its settings file, as its
// documents name them after the root start tag ("<!-- Setup: Mirror -->"):
// asked of an empty document written to memory. Empty when none is on.
std::string ProbeText;
void DRV_CALL Capture(const char* Buf, int32_t Count) {
  if (Count > 0) ProbeText.append(Buf, static_cast<size_t>(Count));
}
std::string SetupSwitches(const Driver& D) {
  ProbeText.clear();
  D.OpenEquip(Capture, 0, 0, 0, 0);
  D.CloseEquip();
  const std::string mark = "<!-- Setup: ";
  const size_t at = ProbeText.find(mark);
  const size_t end = at == std::string::npos ? at : ProbeText.find(" -->", at);
  if (end == std::string::npos) return "";
  return ProbeText.substr(at + mark.size(), end - at - mark.size());
}

std::vector<std::string> SplitChoices(const std::string& S) {
  std::vector<std::string> out(1);
  for (char c : S) {
    if (c == '|') {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

}  // namespace

JournalLimits LimitsOf(const Driver& D) {
  return {D.GetDescrPtr440()->MaxAperture, D.ApertureTable() != nullptr};
}

bool CheckCalls(const std::vector<Call>& Calls, const Driver& D, std::string& Error) {
  const JournalLimits limits = LimitsOf(D);
  for (const Call& c : Calls) {
    if (c.What != Verb::Aperture) continue;
    if (!limits.HaveTable) {
      Error = "cannot write aperture " + Num(c.Arg[0]) + ": driver " + D.Path +
              " publishes no aperture table (its descriptor's ApertureTable field is 0)";
      return false;
    }
    if (c.Arg[0] > limits.MaxAperture) {
      Error = "aperture " + Num(c.Arg[0]) + " lies beyond the driver's aperture table (0 to " +
              Num(limits.MaxAperture) + ")";
      return false;
    }
  }
  return true;
}

bool ParseLayerList(const std::string& Text, LayerFilter& F) {
  size_t pos = 0;
  bool any = false;
  while (pos <= Text.size()) {
    size_t end = Text.find(',', pos);
    if (end == std::string::npos) end = Text.size();
    const std::string item = Text.substr(pos, end - pos);
    const size_t dash = item.find('-');
    auto number = [](const std::string& S, int& N) {
      if (S.empty() || S.size() > 2 || S.find_first_not_of("0123456789") != std::string::npos) return false;
      N = std::stoi(S);
      return N <= 25;
    };
    int lo = 0, hi = 0;
    if (dash == std::string::npos ? !number(item, lo) || !number(item, hi)
                                  : !number(item.substr(0, dash), lo) || !number(item.substr(dash + 1), hi) ||
                                        lo > hi) {
      return false;
    }
    for (int n = lo; n <= hi; ++n) F.Wanted[n] = true;
    any = true;
    pos = end + 1;
  }
  F.Active = any;
  return any;
}

bool Passes(LayerFilter& F, const Call& C) {
  if (!F.Active) return true;
  switch (C.What) {
    case Verb::OpenEquip:
    case Verb::CloseEquip:
      F.Skipping = false;
      return true;
    case Verb::OpenLayer:
      F.Skipping = !(C.Arg[0] >= 0 && C.Arg[0] <= 25 && F.Wanted[C.Arg[0]]);
      return !F.Skipping;
    case Verb::DrawLine:
    case Verb::DrawArc:
    case Verb::FlashPad:
    case Verb::DrillHole:
    case Verb::DrawText:
      return !F.Skipping;
    default:
      return true;
  }
}

void Replay(const Call& C, const Driver& D) {
  const int32_t* a = C.Arg;
  switch (C.What) {
    case Verb::SetParamValue:
      D.SetParamValue(static_cast<uint8_t>(a[0]), a[1]);
      break;
    case Verb::Aperture: {
      // The host's own bytes of the record stay as they are.
      TAperture& rec = D.ApertureTable()[a[0]];
      rec.Shape = static_cast<uint8_t>(a[1]);
      rec.Width = a[2];
      rec.Height = a[3];
      break;
    }
    case Verb::OpenEquip:
      D.OpenEquip(&WriteOutput, a[0], a[1], a[2], a[3]);
      break;
    case Verb::OpenLayer:
      D.OpenLayer(a[0], a[1]);
      break;
    case Verb::DrawLine:
      D.DrawLine(a[0], a[1], a[2], a[3], a[4]);
      break;
    case Verb::DrawArc:
      D.DrawArc(a[0], a[1], a[2], a[3], a[4], a[5]);
      break;
    case Verb::FlashPad:
      D.FlashPad(a[0], a[1], a[2]);
      break;
    case Verb::DrillHole:
      D.DrillHole(a[0], a[1], a[2]);
      break;
    case Verb::DrawText: {
      TShortStr<255> s{};
      s.Len = C.TextLength;
      std::memcpy(s.Text, C.Text, s.Len);
      D.DrawText(&s, 0, 0, 0, 0, 0, 0, 0);
      break;
    }
    case Verb::Comment:
      D.Comment(a[0]);
      break;
    case Verb::CloseEquip:
      D.CloseEquip();
      break;
  }
}

void Describe(const Driver& D, FILE* To) {
  const TDrvDescr& d = *D.GetDescrPtr440();
  std::string out;
  auto row = [&](const char* Label, const std::string& Value) {
    out += Pad(Label, 14) + Value + "\n";
  };
  const std::string shortName = Shown(Str(d.ShortName));
  row("Driver", Shown(Str(d.DriverName)));
  row("Short name", shortName + " (settings file " + shortName +
                        ".ini beside the host program)");
  row("Output", "*" + Shown(Str(d.DefaultExt)));
  row("Paper", Num(d.PaperWidth) + " x " + Num(d.PaperHeight) + " mm");
  row("Flags", Hex4(d.Flags) + " (HiddenText " + ((d.Flags & 0x8000) != 0 ? "on" : "off") + ")");
  const std::string switches = SetupSwitches(D);
  if (!switches.empty()) row("Switches on", switches);
  row("Apertures", "0 to " + Num(d.MaxAperture) + ", table " +
                       (d.ApertureTable != 0 ? "published" : "not published"));
  row("Parameters", Num(d.ParamCount));
  row("Host values", "A " + Num(d.HostByteA) + ", B " + Num(d.HostByteB) + ", IntA " +
                         Num(d.HostIntA) + ", IntB " + Num(d.HostIntB) + ", IntC " +
                         Num(d.HostIntC) + ", IntD " + Num(d.HostIntD) + ", IntE " +
                         Num(d.HostIntE) + ", IntF " + Num(d.HostIntF));
  out += "\n";

  const int count = d.ParamCount < 0 ? 0 : d.ParamCount > 256 ? 256 : d.ParamCount;
  out += "  #  Parameter                   Kind    Value\n";
  // Choice lists, shown once for each run of parameters that share one.
  struct Run {
    int First, Last;
    std::string Choices;
  };
  std::vector<Run> runs;
  for (int i = 0; i < count; ++i) {
    const TDrvParam& p = *D.GetParamPtr(static_cast<uint8_t>(i));
    std::string name = Str(p.Name);
    // A trailing "|" ends a group of parameters: the host draws a rule.
    const bool groupEnd = !name.empty() && name.back() == '|';
    if (groupEnd) name.pop_back();
    std::string value;
    std::string kind;
    if (p.Kind == ParamKindChoice) {
      kind = "choice";
      const std::string choices = Str(p.Choices);
      const std::vector<std::string> entries = SplitChoices(choices);
      value = PadLeft(Num(p.Value), 4) + "  ";
      value += p.Value >= 0 && static_cast<size_t>(p.Value) < entries.size()
                   ? Shown(entries[static_cast<size_t>(p.Value)])
                   : "(not in the list)";
      if (!runs.empty() && runs.back().Last == i - 1 && runs.back().Choices == choices) {
        runs.back().Last = i;
      } else {
        runs.push_back({i, i, choices});
      }
    } else if (p.Kind == ParamKindRange) {
      kind = "range";
      value = PadLeft(Num(p.Value), 4) + "  (" + Num(p.Range.MinValue) + " to " +
              Num(p.Range.MaxValue) + ")";
    } else {
      kind = "kind " + Num(p.Kind);
      value = PadLeft(Num(p.Value), 4);
    }
    out += PadLeft(Num(i), 3) + "  " + Pad(Shown(name), 28) + Pad(kind, 8) + value + "\n";
    if (groupEnd && i + 1 < count) out += "     " + std::string(48, '-') + "\n";
  }
  for (const Run& r : runs) {
    out += "\nChoices of parameter" + std::string(r.First == r.Last ? " " : "s ") + Num(r.First);
    if (r.Last != r.First) out += " to " + Num(r.Last);
    out += ":\n";
    // In columns as wide as the widest entry, as many as fit 78 characters.
    const std::vector<std::string> entries = SplitChoices(r.Choices);
    std::vector<std::string> items;
    size_t width = 0;
    for (size_t k = 0; k < entries.size(); ++k) {
      items.push_back(PadLeft(Num(static_cast<int64_t>(k)), 4) + " " + Shown(entries[k]));
      width = std::max(width, items.back().size() + 2);
    }
    const size_t perLine = std::max<size_t>(1, 78 / width);
    std::string line;
    for (size_t k = 0; k < items.size(); ++k) {
      line += Pad(items[k], width);
      if ((k + 1) % perLine == 0 || k + 1 == items.size()) {
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out += line + "\n";
        line.clear();
      }
    }
  }
  std::fwrite(out.data(), 1, out.size(), To);
}

void PrintLayers(const Driver& D, FILE* To) {
  std::string out = "Position  Layer\n";
  for (int32_t pos = 0; pos < LayerCount; ++pos) {
    out += PadLeft(Num(pos), 8) + "  " + PadLeft(Num(D.LayerOrdering(pos)), 5) + "\n";
  }
  std::fwrite(out.data(), 1, out.size(), To);
}

std::vector<int32_t> PlottingOrder(const Driver& D) {
  std::vector<int32_t> order;
  bool seen[LayerCount] = {};
  for (int32_t pos = 0; pos < LayerCount; ++pos) {
    const int32_t layer = D.LayerOrdering(pos);
    // A layer the order names twice is plotted once, at its first place.
    if (layer < 0 || layer >= LayerCount || seen[layer]) continue;
    seen[layer] = true;
    order.push_back(layer);
  }
  return order;
}
