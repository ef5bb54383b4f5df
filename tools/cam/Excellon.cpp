// Excellon.cpp: the drill file reader. Tool hits become drill holes; routed
// slots (G85, and G00/M15/G01/M16 routing) become strokes of the tool.
#include <cmath>
#include <cstring>
#include <map>

#include "Cam.h"
#include "CamModel.h"

namespace cam {
namespace {

struct State {
  bool Metric = false;
  bool UnitsGiven = false;  // the header said METRIC, INCH, M71 or M72
  bool LeadingKept = false;  // LZ: leading zeros written, trailing omitted
  int IntDigits = 2, DecDigits = 4;
  bool FormatGiven = false;
  bool Incremental = false;
  bool Header = false;
  bool Routing = false;  // G00 seen: positions are moves until M15
  bool ToolDown = false;
  int Mode = 5;          // 5 drill, 0 rout move, 1 linear rout
  std::map<int, double> Tools;  // diameter in host units
  int Tool = -1;
  double X = 0, Y = 0;
  double OffX = 0, OffY = 0;
};

bool StartsWith(const std::string& S, const char* P) { return S.rfind(P, 0) == 0; }

}  // namespace

void ReadExcellon(const std::string& Name, const std::string& Text, Image& Out, Diag& D) {
  State s;
  int line = 0;
  size_t pos = 0;
  auto fail = [&](const std::string& What) { throw CamError(line, What); };
  auto warn = [&](const std::string& Kind, const std::string& What) { D.Warn(Name, line, Kind, What); };
  auto unitScale = [&] { return s.Metric ? 100.0 : 2540.0; };
  auto number = [&](const std::string& V, bool IsCoord) -> double {
    if (V.empty() || V.size() > 24) fail("bad number '" + V + "'");
    size_t i = 0;
    bool neg = false;
    if (V[0] == '+' || V[0] == '-') neg = V[0] == '-', i = 1;
    const std::string digits = V.substr(i);
    if (digits.empty() || digits.find_first_not_of("0123456789.") != std::string::npos ||
        std::count(digits.begin(), digits.end(), '.') > 1 || digits == ".") {
      fail("bad number '" + V + "'");
    }
    double v;
    if (digits.find('.') != std::string::npos || !IsCoord) {
      v = std::strtod(digits.c_str(), nullptr);
    } else {
      double m = 0;
      for (char c : digits) m = m * 10 + (c - '0');
      int dec = s.DecDigits;
      if (s.LeadingKept) dec -= s.IntDigits + s.DecDigits - static_cast<int>(digits.size());
      v = m / Pow10(dec);
    }
    return (neg ? -v : v) * unitScale();
  };
  auto units = [&](const std::string& L) {
    // METRIC[,LZ|,TZ][,000.000]
    s.Metric = StartsWith(L, "METRIC");
    if (s.Header) s.UnitsGiven = true;
    if (!s.FormatGiven) s.IntDigits = s.Metric ? 3 : 2, s.DecDigits = s.Metric ? 3 : 4;
    const size_t c = L.find(',');
    if (c == std::string::npos) return;
    std::string rest = L.substr(c + 1);
    for (const char* z : {"LZ", "TZ"}) {
      if (StartsWith(rest, z)) {
        s.LeadingKept = z[0] == 'L';
        rest = rest.size() > 2 && rest[2] == ',' ? rest.substr(3) : rest.substr(2);
      }
    }
    const size_t dot = rest.find('.');
    if (dot != std::string::npos && rest.find_first_not_of("0.") == std::string::npos) {
      s.IntDigits = static_cast<int>(dot);
      s.DecDigits = static_cast<int>(rest.size() - dot - 1);
      s.FormatGiven = true;
    }
  };
  auto defineTool = [&](const std::string& L) {
    // T<n> then C<diameter>, among F/S/B/H/Z words.
    size_t i = 1;
    while (i < L.size() && std::isdigit(static_cast<unsigned char>(L[i]))) ++i;
    if (i == 1 || i > 8) fail("bad tool '" + L + "'");
    const int t = std::atoi(L.substr(1, i - 1).c_str());
    const size_t c = L.find('C', i);
    if (c == std::string::npos) return t;
    size_t e = c + 1;
    while (e < L.size() && (std::isdigit(static_cast<unsigned char>(L[e])) || L[e] == '.')) ++e;
    const double d = number(L.substr(c + 1, e - c - 1), false);
    if (!(d >= 0 && d < 1e7)) fail("bad tool diameter in '" + L + "'");
    s.Tools[t] = d;
    return t;
  };
  auto hit = [&](double X, double Y) {
    if (!(std::fabs(X) <= HostLimit && std::fabs(Y) <= HostLimit)) {
      fail("coordinate outside the host's 32-bit range of 10 um units");
    }
  };
  // M71 in the body of a file whose header named no unit: the header's
  // tool sizes were millimetres too (read as inches, they are 25.4 times
  // too large).
  auto metricBody = [&] {
    if (s.Header || s.UnitsGiven) return;
    s.UnitsGiven = true;
    if (s.Tools.empty()) return;
    warn("M71 tools", "M71 after a header without units: its tool sizes are taken as millimetres");
    for (auto& [t, d] : s.Tools) d /= 25.4;
  };
  auto selected = [&]() -> double {
    if (s.Tool < 0) fail("drill hit before a tool is selected");
    const auto it = s.Tools.find(s.Tool);
    if (it == s.Tools.end()) fail("tool T" + std::to_string(s.Tool) + " is not defined");
    return it->second;
  };
  bool sawHeader = false, ended = false;
  while (pos < Text.size() && !ended) {
    ++line;
    size_t eol = Text.find('\n', pos);
    if (eol == std::string::npos) eol = Text.size();
    std::string raw = Text.substr(pos, eol - pos);
    pos = eol + 1;
    if (raw.size() > 4096) fail("line too long");
    std::string l;
    const size_t semi = raw.find(';');
    if (semi != std::string::npos) {
      const std::string comment = raw.substr(semi + 1);
      size_t f = comment.find("TF.FileFunction,");
      if (f != std::string::npos) {
        Out.FileFunction = comment.substr(f + 16);
        while (!Out.FileFunction.empty() && (Out.FileFunction.back() == '\r' || Out.FileFunction.back() == ' ' || Out.FileFunction.back() == '*')) {
          Out.FileFunction.pop_back();
        }
      }
      f = comment.find("FILE_FORMAT=");
      if (f != std::string::npos) {
        const int a = std::atoi(comment.c_str() + f + 12);
        const size_t colon = comment.find(':', f);
        const int b = colon != std::string::npos ? std::atoi(comment.c_str() + colon + 1) : -1;
        if (a > 0 && a < 10 && b > 0 && b < 10) s.IntDigits = a, s.DecDigits = b, s.FormatGiven = true;
      }
      raw = raw.substr(0, semi);
    }
    for (char c : raw) {
      if (c != ' ' && c != '\t' && c != '\r') l += c;
    }
    if (l.empty()) continue;
    if (l == "M48") {
      s.Header = sawHeader = true;
      continue;
    }
    if (l == "%" || l == "M95") {
      s.Header = false;
      continue;
    }
    if (StartsWith(l, "METRIC") || StartsWith(l, "INCH")) {
      units(l);
      continue;
    }
    if (l == "M71" || l == "M72") {
      s.Metric = l == "M71";
      if (s.Metric) metricBody();
      if (s.Header) s.UnitsGiven = true;
      if (!s.FormatGiven) s.IntDigits = s.Metric ? 3 : 2, s.DecDigits = s.Metric ? 3 : 4;
      continue;
    }
    if (l[0] == 'T' && l.size() > 1 && std::isdigit(static_cast<unsigned char>(l[1]))) {
      const int t = defineTool(l);
      if (!s.Header) s.Tool = t;
      continue;
    }
    if (s.Header) {
      if (StartsWith(l, "FMAT")) {
        if (l != "FMAT,2") warn("FMAT", "only FMAT,2 is read; " + l + " is taken as FMAT,2");
      } else if (!(StartsWith(l, "VER") || StartsWith(l, "ICI") || StartsWith(l, "DETECT") ||
                   StartsWith(l, "ATC") || StartsWith(l, "R,") || StartsWith(l, "/") ||
                   StartsWith(l, "BLKD") || StartsWith(l, "SBK") || StartsWith(l, "SG") ||
                   StartsWith(l, "TCST") || StartsWith(l, "G9") || StartsWith(l, "M7"))) {
        warn("header", "header line '" + l.substr(0, 40) + "' ignored");
      }
      continue;
    }
    // Body. Codes first, then coordinates.
    size_t i = 0;
    bool haveX = false, haveY = false;
    double nx = s.X, ny = s.Y;
    bool slot = false;
    double sx = 0, sy = 0;
    while (i < l.size()) {
      const char c = l[i++];
      size_t j = i;
      if (c == 'X' || c == 'Y') {
        while (j < l.size() && (std::isdigit(static_cast<unsigned char>(l[j])) || l[j] == '.' || l[j] == '+' || l[j] == '-')) ++j;
        const double v = number(l.substr(i, j - i), true);
        i = j;
        if (c == 'X') nx = s.Incremental ? s.X + v : v + s.OffX, haveX = true;
        if (c == 'Y') ny = s.Incremental ? s.Y + v : v + s.OffY, haveY = true;
        continue;
      }
      while (j < l.size() && std::isdigit(static_cast<unsigned char>(l[j]))) ++j;
      if (j == i || j - i > 4) fail("unexpected '" + l.substr(0, 40) + "'");
      const int code = std::atoi(l.substr(i, j - i).c_str());
      i = j;
      if (c == 'G') {
        switch (code) {
          case 90: s.Incremental = false; break;
          case 91: s.Incremental = true; break;
          case 5: s.Mode = 5; s.ToolDown = false; break;
          case 0: s.Mode = 0; break;
          case 1: s.Mode = 1; break;
          case 85:
            if (!haveX && !haveY) fail("G85 without a slot start");
            slot = true, sx = nx, sy = ny;
            haveX = haveY = false;
            break;
          case 93:
            // Zero set: the coordinates that follow give the new origin.
            break;
          default: fail("unsupported code G" + std::to_string(code));
        }
        if (code == 93) {
          // Read "G93X..Y.." as an offset.
          double ox = 0, oy = 0;
          while (i < l.size() && (l[i] == 'X' || l[i] == 'Y')) {
            const char a = l[i++];
            size_t k = i;
            while (k < l.size() && (std::isdigit(static_cast<unsigned char>(l[k])) || l[k] == '.' || l[k] == '+' || l[k] == '-')) ++k;
            (a == 'X' ? ox : oy) = number(l.substr(i, k - i), true);
            i = k;
          }
          s.OffX = ox, s.OffY = oy;
        }
      } else if (c == 'M') {
        switch (code) {
          case 15: s.ToolDown = true; break;
          case 16: case 17: s.ToolDown = false; break;
          case 30: case 0: ended = true; break;
          case 71: s.Metric = true; metricBody(); break;
          case 72: s.Metric = false; break;
          case 48: s.Header = true; break;
          case 1: case 2: case 6: case 9: break;
          default: fail("unsupported code M" + std::to_string(code));
        }
      } else {
        fail("unexpected '" + l.substr(0, 40) + "'");
      }
    }
    if (!sawHeader && !s.Tools.empty() && s.Tools.size() == 1 && s.Tool >= 0) {
      // Files without a header: units and format take their defaults.
    }
    if (slot) {
      const double w = selected();
      hit(sx, sy), hit(nx, ny);
      Obj o{ObjKind::Line};
      o.Line = line;
      o.X1 = sx, o.Y1 = sy, o.X2 = nx, o.Y2 = ny, o.W = w;
      Out.Add(o);
      s.X = nx, s.Y = ny;
      continue;
    }
    if (!haveX && !haveY) continue;
    hit(nx, ny);
    if (s.Mode == 5) {
      Obj o{ObjKind::Drill};
      o.Line = line;
      o.X1 = nx, o.Y1 = ny, o.W = selected();
      Out.Add(o);
    } else if (s.Mode == 1 && s.ToolDown) {
      Obj o{ObjKind::Line};
      o.Line = line;
      o.X1 = s.X, o.Y1 = s.Y, o.X2 = nx, o.Y2 = ny, o.W = selected();
      Out.Add(o);
    }
    s.X = nx, s.Y = ny;
  }
  Out.IsDrill = true;
}

char SniffKind(const std::string& Text) {
  // Excellon never uses '*'; Gerber ends every command with one.
  const size_t head = std::min<size_t>(Text.size(), CamSniffBytes);
  bool printable = true;
  for (size_t i = 0; i < head; ++i) {
    const unsigned char c = static_cast<unsigned char>(Text[i]);
    if (c == 0 || (c < 32 && c != '\n' && c != '\r' && c != '\t') || c >= 127) {
      printable = false;
      break;
    }
  }
  if (!printable) return 0;
  const std::string h = Text.substr(0, head);
  if (h.find("%FS") != std::string::npos || h.find("%MO") != std::string::npos ||
      h.find("%AD") != std::string::npos || h.find("G04") != std::string::npos) {
    return 'G';
  }
  if (h.find("M48") != std::string::npos) return 'E';
  // A header-less drill file: tool lines and coordinates only.
  size_t p = 0;
  bool tool = false, coord = false;
  while (p < h.size()) {
    size_t e = h.find('\n', p);
    if (e == std::string::npos) e = h.size();
    const std::string l = h.substr(p, e - p);
    p = e + 1;
    if (l.empty() || l[0] == ';' || l[0] == '%' || l[0] == '\r') continue;
    if (l[0] == 'T' && l.size() > 1 && std::isdigit(static_cast<unsigned char>(l[1]))) {
      tool = true;
    } else if (l[0] == 'X' || l[0] == 'Y') {
      coord = true;
    }
    if (l.find('*') != std::string::npos) return h.find("D0") != std::string::npos ? 'G' : 0;
  }
  if (tool && coord) return 'E';
  return 0;
}

}  // namespace cam
