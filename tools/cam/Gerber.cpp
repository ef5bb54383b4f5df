// Gerber.cpp: the RS-274X reader (with X2 attributes and the deprecated
// constructs that real files still carry). It turns a file into an Image:
// round-tool strokes and simple flashes as the driver's own elements, and
// everything else (regions, macros, polygons, rectangular strokes, flashes
// that are rotated or have holes) as areas.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string_view>

#include "CamModel.h"
#include "Hatch.h"

namespace cam {
namespace {

// Bounds on what one file may make (see Reader::Spend): far above any
// real board (the largest of gerbv's examples makes some 100 000 objects).
constexpr int64_t MaxObjects = 4000000;
constexpr int64_t MaxPoints = 20000000;
constexpr double MaxMoireRings = 100;
// Widest area (host units, 10 m) that the hatching takes: far beyond any
// panel, and within its bound on rows.
constexpr double MaxAreaSpan = 1000000;
// How far a ring aperture's flash, drawn as the driver's ring, may put
// either edge from the true one, host units: within what hatching an area
// allows (strokes reach a unit out, slivers of two are left).
constexpr double RingError = 0.75;

// Whether a rotation by a whole number of quarter turns swaps width and
// height: an odd count of them. Counted in doubles, since a rotation may be
// any number: an integer conversion overflows, and long overflows far
// sooner on Windows (32 bits) than on Linux, so the two would part.
bool OddQuarterTurns(double Deg) { return std::fmod(std::round(Deg / 90.0), 2.0) != 0; }

// A count or code read as a number: whole numbers beyond a billion, and
// what is not a number at all, come back as -1 or a billion, which every
// caller's range check refuses (a plain cast of such a value is undefined).
int Count(double V) {
  return std::isfinite(V) ? static_cast<int>(std::clamp(V, -1e9, 1e9)) : -1;
}

enum class ApType : uint8_t { Circle, Rect, Obround, Polygon, Macro, Block };

// A malformed aperture definition: not an error until a command uses it.
struct BadAperture : CamError {
  BadAperture(int Line_, int DCode_, const std::string& What) : CamError(Line_, What), DCode(DCode_) {}
  int DCode;
};

struct Aperture {
  ApType Type = ApType::Circle;
  double P[4] = {0, 0, 0, 0};  // host units: C d; R/O w h; P d n rot
  double Hole[2] = {0, 0};     // hole diameter, or (old files) a rectangular hole w h
  int Holes = 0;               // how many hole values were given
  Paths Shape;                 // Polygon, Macro, and shapes with holes: clip units about 0,0
  Image Block;                 // Block
  // A macro of one thermal primitive: centre x, y (turned with it about
  // the macro's origin), outer and inner diameter, gap (host units),
  // rotation (degrees) about that centre.
  bool Thermal = false;
  double Th[6] = {0, 0, 0, 0, 0, 0};
  bool Void = false;  // its hole takes all of it: a flash draws nothing
};

struct MacroStmt {
  int Line;
  std::string Text;
};

struct Macro {
  std::vector<MacroStmt> Stmts;
};

// Arithmetic expressions of aperture macros: + - x X / ( ), unary signs,
// numbers and $n variables.
struct ExprParser {
  const std::string& S;
  size_t I = 0;
  const std::map<int, double>& Vars;
  int Line;

  [[noreturn]] void Fail(const std::string& What) const {
    throw CamError(Line, "aperture macro: " + What + " in '" + S + "'");
  }
  void Blank() {
    while (I < S.size() && (S[I] == ' ' || S[I] == '\t' || S[I] == '\r' || S[I] == '\n')) ++I;
  }
  double Primary(int Depth) {
    if (Depth > 64) Fail("expression nested too deeply");
    Blank();
    if (I >= S.size()) Fail("missing operand");
    const char c = S[I];
    if (c == '+' || c == '-') {
      ++I;
      const double v = Primary(Depth + 1);
      return c == '-' ? -v : v;
    }
    if (c == '(') {
      ++I;
      const double v = Sum(Depth + 1);
      Blank();
      if (I >= S.size() || S[I] != ')') Fail("missing ')'");
      ++I;
      return v;
    }
    if (c == '$') {
      ++I;
      size_t start = I;
      long n = 0;
      while (I < S.size() && S[I] >= '0' && S[I] <= '9' && I - start < 6) n = n * 10 + (S[I++] - '0');
      if (I == start) Fail("'$' without a variable number");
      const auto it = Vars.find(static_cast<int>(n));
      return it == Vars.end() ? 0.0 : it->second;
    }
    size_t start = I;
    while (I < S.size() && ((S[I] >= '0' && S[I] <= '9') || S[I] == '.')) ++I;
    if (I == start) Fail(std::string("unexpected '") + c + "'");
    if (I - start > 30) Fail("number too long");
    return std::strtod(S.substr(start, I - start).c_str(), nullptr);
  }
  double Product(int Depth) {
    double v = Primary(Depth);
    for (;;) {
      Blank();
      if (I < S.size() && (S[I] == 'x' || S[I] == 'X')) {
        ++I;
        v *= Primary(Depth);
      } else if (I < S.size() && S[I] == '/') {
        ++I;
        const double d = Primary(Depth);
        v = d == 0 ? 0 : v / d;
      } else {
        return v;
      }
    }
  }
  double Sum(int Depth) {
    double v = Product(Depth);
    for (;;) {
      Blank();
      if (I < S.size() && S[I] == '+') {
        ++I;
        v += Product(Depth);
      } else if (I < S.size() && S[I] == '-') {
        ++I;
        v -= Product(Depth);
      } else {
        return v;
      }
    }
  }
};

double Eval(const std::string& Text, const std::map<int, double>& Vars, int Line) {
  ExprParser p{Text, 0, Vars, Line};
  const double v = p.Sum(0);
  p.Blank();
  if (p.I != Text.size()) p.Fail("unexpected '" + std::string(1, Text[p.I]) + "'");
  if (!std::isfinite(v)) p.Fail("value is not finite");
  return v;
}

std::vector<std::string> Split(const std::string& S, char By) {
  std::vector<std::string> out(1);
  for (char c : S) {
    if (c == By) {
      out.emplace_back();
    } else {
      out.back() += c;
    }
  }
  return out;
}

IntPoint RotPt(double X, double Y, double Deg) {
  const double a = Deg * Pi / 180.0, c = std::cos(a), s = std::sin(a);
  return ToClip(X * c - Y * s, X * s + Y * c);
}

Path Rotated(const std::vector<std::pair<double, double>>& Pts, double Deg) {
  Path p;
  p.reserve(Pts.size());
  for (const auto& [x, y] : Pts) p.push_back(RotPt(x, y, Deg));
  return p;
}

Path RegularPolygon(double CX, double CY, double Diam, int N, double RotDeg) {
  std::vector<std::pair<double, double>> pts;
  for (int k = 0; k < N; ++k) {
    const double a = (RotDeg + 360.0 * k / N) * Pi / 180.0;
    pts.emplace_back(CX + Diam / 2 * std::cos(a), CY + Diam / 2 * std::sin(a));
  }
  return Rotated(pts, 0);
}

class Reader {
 public:
  Reader(const std::string& Name_, const std::string& Text_, Image& Out_, Diag& D_)
      : Name(Name_), Text(Text_), Out(Out_), D(D_) {
    Sinks.push_back(&Out);
    for (int k = 0; k < 81; ++k) P10[k] = Pow10(k - 40);
  }
  void Run();

 private:
  const std::string& Name;
  const std::string& Text;
  Image& Out;
  Diag& D;
  int Line = 1;

  // Coordinate format.
  int IntDigits = 2, DecDigits = 4;
  bool HaveFormat = false;
  bool TrailingOmitted = false;
  bool Incremental = false;
  double UnitScale = 2540.0;  // host units per file unit: inch by default
  bool HaveUnits = false;
  // Old image parameters.
  double OffA = 0, OffB = 0, ScaleA = 1, ScaleB = 1;
  bool MirrorA = false, MirrorB = false;

  std::map<int, Aperture> Aps;
  // Malformed definitions by D code: their line and what is wrong.
  std::map<int, std::pair<int, std::string>> BadAps;
  std::map<std::string, Macro> Macros;
  int CurAp = -1;
  double X = 0, Y = 0;  // current point, host units
  int Interp = 1;       // 1 linear, 2 clockwise, 3 counter-clockwise
  bool MultiQuadrant = false;
  bool QuadrantTold = false;
  int LastOp = 0;  // deprecated modal D01/D02/D03
  bool ClearPolarity = false;
  bool MirrorX = false, MirrorY = false;
  double Rotation = 0, Scaling = 1;
  bool InRegion = false;
  Path Contour;
  Paths Contours;
  bool Ended = false;
  std::string Blk;  // the data block being read, its buffer kept from block to block
  double P10[81];   // Pow10(-40) to Pow10(40), at hand

  // Where objects go: the file, an open block, an open step and repeat.
  std::vector<Image*> Sinks;
  struct OpenBlock {
    int DCode;
    std::unique_ptr<Image> Img;
  };
  std::vector<OpenBlock> Blocks;
  std::unique_ptr<Image> RepeatImg;
  int RepeatX = 1, RepeatY = 1;
  double RepeatI = 0, RepeatJ = 0;
  int RepeatLine = 0;

  [[noreturn]] void Fail(const std::string& What) const { throw CamError(Line, What); }
  void Warn(const std::string& Kind, const std::string& What) { D.Warn(Name, Line, Kind, What); }
  [[noreturn]] void BadCode(char L, std::string_view W) const {
    Fail(std::string("bad ") + L + " code in '" + std::string(W.substr(0, 40)) + "'");
  }

  // What the file has made so far, against MaxObjects and MaxPoints: step
  // and repeat, block apertures and macros multiply a few lines into very
  // many objects, which must not exhaust memory.
  int64_t Objects = 0, Points = 0;
  void Spend(int64_t Objs, int64_t Pts) {
    Objects += Objs, Points += Pts;
    if (Objects > MaxObjects || Points > MaxPoints) {
      Fail("the file makes more than " + std::to_string(MaxObjects) + " objects or " +
           std::to_string(MaxPoints) + " outline points (step and repeat, block apertures or macros)");
    }
  }
  static int64_t PointsOf(const Paths& P) {
    int64_t n = 0;
    for (const Path& p : P) n += static_cast<int64_t>(p.size());
    return n;
  }

  Image& Sink() { return *Sinks.back(); }
  void Add(Obj O) {
    Spend(1, 0);
    O.Line = Line;
    O.Clear = ClearPolarity;
    if (O.Clear) Sink().AnyClear = true;
    Sink().Add(O);
  }
  [[noreturn]] void TooLarge() const {
    Fail("an area more than " + std::to_string(static_cast<int>(MaxAreaSpan / 100000)) + " m across: too large to fill");
  }
  void AddArea(Paths P) {
    if (P.empty()) return;
    Spend(0, PointsOf(P));
    // An area is filled with rows of pens; one larger than any panel would
    // take rows and offsets of millions of points: refuse it here, where
    // the line is known.
    ClipperLib::cInt lo[2] = {0, 0}, hi[2] = {0, 0};
    bool first = true;
    for (const Path& p : P) {
      for (const IntPoint& q : p) {
        if (first) lo[0] = hi[0] = q.X, lo[1] = hi[1] = q.Y, first = false;
        lo[0] = std::min(lo[0], q.X), hi[0] = std::max(hi[0], q.X);
        lo[1] = std::min(lo[1], q.Y), hi[1] = std::max(hi[1], q.Y);
      }
    }
    if (static_cast<double>(std::max(hi[0] - lo[0], hi[1] - lo[1])) > MaxAreaSpan * ClipScale) TooLarge();
    Obj o{ObjKind::Area};
    o.Index = static_cast<uint32_t>(Sink().Areas.size());
    Sink().Areas.push_back(std::move(P));
    Add(o);
  }

  double Host(double FileValue) const { return FileValue * UnitScale; }
  double Coord(std::string_view Digits, char Axis);
  double CoordIn(std::string_view W, size_t& K, char Axis);
  double Decimal(const std::string& S, const char* What);
  void Extended(size_t& Pos);
  void ExtCommand(const std::string& Cmd, int CmdLine);
  void DefineMacro(const std::vector<std::pair<std::string, int>>& Parts);
  void DefineAperture(const std::string& Cmd);
  void MalformedAperture(int DCode, const std::string& Why);
  Paths MacroShape(const Macro& M, const std::vector<double>& Params);
  // What the last MacroShape drew: how many primitives, and the last
  // thermal's values (as Aperture::Th).
  int MacroPrimitives = 0, MacroThermals = 0;
  double MacroThermal[6] = {0, 0, 0, 0, 0, 0};
  void DataBlock(std::string_view W);
  void Operation(int Op, bool HaveX, bool HaveY, double NX, double NY, bool HaveI, bool HaveJ,
                 double I, double J);
  void Flash(double AtX, double AtY);
  void Stroke(double NX, double NY, double I, double J, bool HaveIJ);
  bool ArcCentre(double NX, double NY, double I, double J, double& CX, double& CY, double& R,
                 double& A0, double& Sweep);
  Xform ApertureXform(double AtX, double AtY) const;
  Paths ApertureArea(const Aperture& A, const Xform& T);
  void PlaceImage(const Image& Src, const Xform& T, bool Toggle);
  void CloseRepeat();
  void CheckHost(double V) const {
    if (!(std::fabs(V) <= HostLimit)) {
      Fail("coordinate outside the host's 32-bit range of 10 um units");
    }
  }
};

// Characters that end or interrupt a data block's plain run ('\0' also ends
// the text).
constexpr struct SpecialTable {
  bool V[256] = {};
  constexpr SpecialTable() {
    for (char c : {'*', '\n', '%', '\r', ' ', '\t', '\0'}) V[static_cast<unsigned char>(c)] = true;
  }
  constexpr bool operator[](unsigned char C) const { return V[C]; }
} Special;

void Reader::Run() {
  size_t pos = 0;
  const size_t n = Text.size();
  while (pos < n && !Ended) {
    const char c = Text[pos];
    if (c == '\n') {
      ++Line;
      ++pos;
    } else if (c == ' ' || c == '\t' || c == '\r') {
      ++pos;
    } else if (c == '%') {
      Extended(pos);
    } else {
      // A data block: up to '*'. Line breaks inside are dropped.
      const int startLine = Line;
      std::string& w = Blk;
      w.clear();
      // Most blocks hold no line break or blank: read where they lie.
      const size_t begin = pos;
      size_t end = pos;
      while (!Special[static_cast<unsigned char>(Text[end])]) ++end;  // Text[n] is '\0'
      const bool inPlace = end < n && Text[end] == '*' && end - pos <= 1000000;
      if (inPlace) pos = end;
      while (pos < n && Text[pos] != '*') {
        const char d = Text[pos++];
        if (d == '\n') {
          ++Line;
        } else if (d == '%') {
          Line = startLine;
          Fail("data block '" + w.substr(0, 40) + "' is not ended by '*'");
        } else if (d != '\r' && d != ' ' && d != '\t') {
          w += d;
          if (w.size() > 1000000) Fail("data block too long");
        } else if (w.rfind("G04", 0) == 0 || w.rfind("G4", 0) == 0) {
          w += d;  // comments keep their blanks
        }
      }
      if (pos >= n) {
        Line = startLine;
        Fail("data block '" + w.substr(0, 40) + "' is not ended by '*'");
      }
      ++pos;  // '*'
      const int endLine = Line;
      Line = startLine;
      DataBlock(inPlace ? std::string_view(Text).substr(begin, end - begin) : std::string_view(w));
      Line = endLine;
    }
  }
  if (!Ended) Warn("no M02", "the file does not end with M02");
  if (InRegion) Fail("region (G36) not closed by G37 at the end of the file");
  if (!Blocks.empty()) Fail("block aperture (%AB) not closed at the end of the file");
  if (RepeatImg) CloseRepeat();
}

void Reader::Extended(size_t& Pos) {
  const size_t n = Text.size();
  const int startLine = Line;
  ++Pos;  // '%'
  std::vector<std::pair<std::string, int>> blocks;
  std::string cur;
  int curLine = Line;
  bool closed = false;
  while (Pos < n) {
    const char c = Text[Pos++];
    if (c == '%') {
      closed = true;
      break;
    }
    if (c == '\n') {
      ++Line;
      continue;
    }
    if (c == '\r') continue;
    if (c == '*') {
      blocks.emplace_back(cur, curLine);
      cur.clear();
      curLine = Line;
      continue;
    }
    if (cur.empty() && (c == ' ' || c == '\t')) continue;
    if (cur.empty()) curLine = Line;
    cur += c;
    if (cur.size() > 1000000) Fail("extended command too long");
  }
  if (!closed) {
    Line = startLine;
    Fail("extended command not closed by '%'");
  }
  while (!cur.empty() && (cur.back() == ' ' || cur.back() == '\t')) cur.pop_back();
  // Text after an aperture definition's '*' in its block (some files
  // carry it) makes that definition malformed; anywhere else an error.
  int runOnCode = -1;
  if (!cur.empty()) {
    const std::string& last = blocks.empty() ? cur : blocks.back().first;
    const size_t digits = last.find_first_not_of("0123456789", 3);
    if (blocks.empty() || blocks[0].first.rfind("AM", 0) == 0 || last.rfind("ADD", 0) != 0 || digits == 3 ||
        digits > 12) {
      Line = curLine;
      Fail("extended command '" + cur.substr(0, 40) + "' is not ended by '*'");
    }
    runOnCode = std::atoi(last.c_str() + 3);
  }
  const int endLine = Line;
  if (!blocks.empty() && blocks[0].first.rfind("AM", 0) == 0) {
    Line = blocks[0].second;
    DefineMacro(blocks);
  } else {
    for (const auto& [cmd, l] : blocks) {
      Line = l;
      if (runOnCode >= 0 && &cmd == &blocks.back().first) {
        MalformedAperture(runOnCode, "text '" + cur.substr(0, 40) + "' follows its '*' in the same %...% block");
      } else {
        ExtCommand(cmd, l);
      }
    }
  }
  Line = endLine;
}

double Reader::Decimal(const std::string& S, const char* What) {
  if (S.empty() || S.size() > 40) Fail(std::string("bad ") + What + " '" + S + "'");
  size_t i = 0;
  if (S[0] == '+' || S[0] == '-') i = 1;
  bool digits = false, dot = false;
  for (; i < S.size(); ++i) {
    if (S[i] >= '0' && S[i] <= '9') {
      digits = true;
    } else if (S[i] == '.' && !dot) {
      dot = true;
    } else {
      Fail(std::string("bad ") + What + " '" + S + "'");
    }
  }
  if (!digits) Fail(std::string("bad ") + What + " '" + S + "'");
  return std::strtod(S.c_str(), nullptr);
}

double Reader::Coord(std::string_view S, char Axis) {
  if (!HaveFormat) Fail("coordinate before the format statement (%FS)");
  if (!HaveUnits) {
    HaveUnits = true;
    Warn("no units", "no unit statement (%MO); inches assumed");
  }
  auto what = [&] { return std::string(1, Axis) + " coordinate"; };
  const size_t first = !S.empty() && (S[0] == '+' || S[0] == '-') ? 1 : 0;
  if (S.find('.') != std::string_view::npos) return Host(Decimal(std::string(S), what().c_str()));
  const std::string_view digits = S.substr(first);
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    Fail("bad " + what() + " '" + std::string(S) + "'");
  }
  if (digits.size() > 18) Fail(what() + " '" + std::string(S) + "' has too many digits");
  double m = 0;
  for (char c : digits) m = m * 10 + (c - '0');
  int dec = DecDigits;
  if (TrailingOmitted) dec -= IntDigits + DecDigits - static_cast<int>(digits.size());
  const double v = m / Pow10(dec);
  return Host(S[0] == '-' ? -v : v);
}

double Reader::CoordIn(std::string_view W, size_t& K, char Axis) {
  // A sign and at most 15 digits once the format and units are known, the
  // common case, decoded as they are scanned.
  const size_t start = K;
  size_t k = start;
  const bool neg = k < W.size() && W[k] == '-';
  if (k < W.size() && (W[k] == '+' || W[k] == '-')) ++k;
  const size_t first = k;
  // Exact in an integer up to 15 digits, as in a double digit by digit.
  uint64_t u = 0;
  for (; k < W.size() && W[k] >= '0' && W[k] <= '9'; ++k) u = u * 10 + static_cast<unsigned>(W[k] - '0');
  if (HaveFormat && HaveUnits && k > first && k - first <= 15 && (k == W.size() || W[k] != '.')) {
    const double m = static_cast<double>(u);
    int dec = DecDigits;
    if (TrailingOmitted) dec -= IntDigits + DecDigits - static_cast<int>(k - first);
    const double v = m / (dec >= -40 && dec <= 40 ? P10[dec + 40] : Pow10(dec));
    K = k;
    return Host(neg ? -v : v);
  }
  // Anything else the general way.
  k = start;
  if (k < W.size() && (W[k] == '+' || W[k] == '-')) ++k;
  while (k < W.size() && ((W[k] >= '0' && W[k] <= '9') || W[k] == '.')) ++k;
  const std::string_view v = W.substr(start, k - start);
  if (v.empty()) Fail(std::string("missing ") + Axis + " value in '" + std::string(W.substr(0, 40)) + "'");
  K = k;
  return Coord(v, Axis);
}

void Reader::ExtCommand(const std::string& Cmd, int CmdLine) {
  (void)CmdLine;
  if (Cmd.size() < 2) Fail("bad extended command '" + Cmd + "'");
  const std::string code = Cmd.substr(0, 2);
  const std::string arg = Cmd.substr(2);
  if (code == "FS") {
    size_t i = 0;
    TrailingOmitted = false;
    Incremental = false;
    bool haveZero = false, haveMode = false;
    if (i < arg.size() && (arg[i] == 'L' || arg[i] == 'T' || arg[i] == 'D')) {
      if (arg[i] == 'T') {
        TrailingOmitted = true;
        Warn("FS trailing", "%FS with trailing zeros omitted is deprecated");
      }
      ++i;
      haveZero = true;
    }
    if (i < arg.size() && (arg[i] == 'A' || arg[i] == 'I')) {
      if (arg[i] == 'I') {
        Incremental = true;
        Warn("FS incremental", "%FS with incremental coordinates is deprecated");
      }
      ++i;
      haveMode = true;
    }
    if (!haveZero || !haveMode) Warn("FS format only", "%FS without zero or coordinate mode is deprecated");
    int xi = -1, xd = -1, yi = -1, yd = -1;
    while (i < arg.size()) {
      const char c = arg[i++];
      if ((c == 'X' || c == 'Y') && i + 1 < arg.size() + 1) {
        if (i + 2 > arg.size() || !std::isdigit(static_cast<unsigned char>(arg[i])) ||
            !std::isdigit(static_cast<unsigned char>(arg[i + 1]))) {
          Fail("bad format statement '%" + Cmd + "'");
        }
        (c == 'X' ? xi : yi) = arg[i] - '0';
        (c == 'X' ? xd : yd) = arg[i + 1] - '0';
        i += 2;
      } else if (c == 'N' || c == 'G' || c == 'D' || c == 'M') {
        while (i < arg.size() && std::isdigit(static_cast<unsigned char>(arg[i]))) ++i;
      } else {
        Fail("bad format statement '%" + Cmd + "'");
      }
    }
    if (xi < 0 || yi < 0) Fail("format statement '%" + Cmd + "' lacks X or Y digits");
    if (xi != yi || xd != yd) Warn("FS XY differ", "X and Y formats differ; X's is used");
    IntDigits = xi;
    DecDigits = xd;
    HaveFormat = true;
  } else if (code == "MO") {
    if (arg == "MM") {
      UnitScale = 100.0;
    } else if (arg == "IN") {
      UnitScale = 2540.0;
    } else {
      Fail("bad unit statement '%" + Cmd + "'");
    }
    HaveUnits = true;
  } else if (code == "AD") {
    try {
      DefineAperture(arg);
    } catch (const BadAperture& e) {
      MalformedAperture(e.DCode, e.what());
    }
  } else if (code == "LP") {
    if (arg != "D" && arg != "C") Fail("bad polarity '%" + Cmd + "'");
    ClearPolarity = arg == "C";
  } else if (code == "LM") {
    if (arg == "N") {
      MirrorX = MirrorY = false;
    } else if (arg == "X") {
      MirrorX = true, MirrorY = false;
    } else if (arg == "Y") {
      MirrorX = false, MirrorY = true;
    } else if (arg == "XY") {
      MirrorX = MirrorY = true;
    } else {
      Fail("bad mirroring '%" + Cmd + "'");
    }
  } else if (code == "LR") {
    Rotation = Decimal(arg, "rotation");
  } else if (code == "LS") {
    Scaling = Decimal(arg, "scaling");
    if (!(Scaling > 0) || Scaling > 1e6) Fail("bad scaling '%" + Cmd + "'");
  } else if (code == "AB") {
    if (arg.empty()) {
      if (Blocks.empty()) Fail("%AB closes no open block");
      if (InRegion) Fail("%AB inside a region");
      Aperture a;
      a.Type = ApType::Block;
      a.Block = std::move(*Blocks.back().Img);
      BadAps.erase(Blocks.back().DCode);
      Aps[Blocks.back().DCode] = std::move(a);
      Blocks.pop_back();
      Sinks.pop_back();
    } else {
      if (arg[0] != 'D' || arg.size() < 2 || arg.size() > 9 ||
          arg.find_first_not_of("0123456789", 1) != std::string::npos) {
        Fail("bad block aperture '%" + Cmd + "'");
      }
      if (Blocks.size() > 32) Fail("block apertures nested too deeply");
      Blocks.push_back({std::atoi(arg.c_str() + 1), std::make_unique<Image>()});
      Sinks.push_back(Blocks.back().Img.get());
    }
  } else if (code == "SR") {
    if (RepeatImg) CloseRepeat();
    if (!arg.empty()) {
      int xs = 1, ys = 1;
      double is = 0, js = 0;
      size_t i = 0;
      while (i < arg.size()) {
        const char c = arg[i++];
        size_t j = i;
        while (j < arg.size() && !std::isalpha(static_cast<unsigned char>(arg[j]))) ++j;
        const std::string v = arg.substr(i, j - i);
        i = j;
        if (c == 'X') {
          xs = Count(Decimal(v, "repeat count"));
        } else if (c == 'Y') {
          ys = Count(Decimal(v, "repeat count"));
        } else if (c == 'I') {
          is = Host(Decimal(v, "step"));
        } else if (c == 'J') {
          js = Host(Decimal(v, "step"));
        } else {
          Fail("bad step and repeat '%" + Cmd + "'");
        }
      }
      if (xs < 1 || ys < 1 || static_cast<int64_t>(xs) * ys > 100000) {
        Fail("step and repeat counts out of range in '%" + Cmd + "'");
      }
      if (xs > 1 || ys > 1) {
        if (!Blocks.empty()) Fail("step and repeat inside a block aperture");
        RepeatX = xs, RepeatY = ys, RepeatI = is, RepeatJ = js, RepeatLine = Line;
        RepeatImg = std::make_unique<Image>();
        Sinks.push_back(RepeatImg.get());
      }
    }
  } else if (code == "TF") {
    if (arg.rfind(".FileFunction,", 0) == 0) Out.FileFunction = arg.substr(14);
  } else if (code == "TA" || code == "TO" || code == "TD") {
    // Object attributes change nothing that is drawn.
  } else if (code == "IP") {
    if (arg != "POS" && arg != "NEG") Fail("bad image polarity '%" + Cmd + "'");
    Out.Negative = arg == "NEG";
    Warn("IP", "%IP is deprecated");
  } else if (code == "IN" || code == "LN" || code == "IC") {
    Warn(code, "%" + code + " is deprecated; ignored");
  } else if (code == "AS") {
    if (arg != "AXBY") Fail("axis select '%" + Cmd + "' is not supported");
    Warn("AS", "%AS is deprecated");
  } else if (code == "IR") {
    if (Decimal(arg, "image rotation") != 0) Fail("image rotation '%" + Cmd + "' is not supported");
    Warn("IR", "%IR is deprecated");
  } else if (code == "MI" || code == "OF" || code == "SF") {
    Warn(code, "%" + code + " is deprecated");
    size_t i = 0;
    while (i < arg.size()) {
      const char c = arg[i++];
      size_t j = i;
      while (j < arg.size() && arg[j] != 'A' && arg[j] != 'B') ++j;
      const double v = Decimal(arg.substr(i, j - i), code.c_str());
      i = j;
      if (c != 'A' && c != 'B') Fail("bad '%" + Cmd + "'");
      if (code == "MI") (c == 'A' ? MirrorA : MirrorB) = v != 0;
      if (code == "OF") (c == 'A' ? OffA : OffB) = Host(v);
      if (code == "SF") (c == 'A' ? ScaleA : ScaleB) = v;
    }
  } else {
    Fail("unknown extended command '%" + Cmd.substr(0, 20) + "'");
  }
}

void Reader::DefineMacro(const std::vector<std::pair<std::string, int>>& Parts) {
  const std::string name = Parts[0].first.substr(2);
  if (name.empty()) Fail("aperture macro without a name");
  Macro m;
  for (size_t k = 1; k < Parts.size(); ++k) {
    std::string s;
    for (char c : Parts[k].first) {
      if (c != ' ' && c != '\t') s += c;
    }
    if (s.empty()) continue;
    m.Stmts.push_back({Parts[k].second, s});
  }
  Macros[name] = std::move(m);
}

Paths Reader::MacroShape(const Macro& M, const std::vector<double>& Params) {
  std::map<int, double> vars;
  for (size_t k = 0; k < Params.size(); ++k) vars[static_cast<int>(k + 1)] = Params[k];
  Paths acc;
  const int saved = Line;
  MacroPrimitives = MacroThermals = 0;
  for (const MacroStmt& st : M.Stmts) {
    Line = st.Line;
    const std::string& s = st.Text;
    if (s[0] == '0') continue;  // comment
    if (s[0] == '$') {
      const size_t eq = s.find('=');
      if (eq == std::string::npos) Fail("aperture macro: bad statement '" + s + "'");
      const int v = std::atoi(s.c_str() + 1);
      vars[v] = Eval(s.substr(eq + 1), vars, Line);
      continue;
    }
    std::vector<std::string> f = Split(s, ',');
    std::vector<double> a;
    for (size_t k = 1; k < f.size(); ++k) a.push_back(Eval(f[k], vars, Line));
    const int code = Count(Eval(f[0], vars, Line));
    auto need = [&](size_t N) {
      if (a.size() < N) {
        Fail("aperture macro: primitive " + std::to_string(code) + " needs " + std::to_string(N) +
             " parameters in '" + s + "'");
      }
    };
    auto H = [&](double V) { return Host(V); };
    bool on = true;
    ++MacroPrimitives;
    Paths prim;
    if (code == 1) {
      need(4);
      on = a[0] != 0;
      const IntPoint c = RotPt(H(a[2]), H(a[3]), a.size() > 4 ? a[4] : 0);
      prim.push_back(CirclePath(c.X / ClipScale, c.Y / ClipScale, H(a[1]) / 2));
    } else if (code == 2 || code == 20) {
      need(7);
      on = a[0] != 0;
      const double w = H(a[1]), x1 = H(a[2]), y1 = H(a[3]), x2 = H(a[4]), y2 = H(a[5]);
      const double len = std::hypot(x2 - x1, y2 - y1);
      if (len > 0) {
        const double nx = -(y2 - y1) / len * w / 2, ny = (x2 - x1) / len * w / 2;
        prim.push_back(Rotated({{x1 + nx, y1 + ny}, {x1 - nx, y1 - ny}, {x2 - nx, y2 - ny},
                                {x2 + nx, y2 + ny}}, a[6]));
      }
    } else if (code == 21 || code == 22) {
      need(6);
      on = a[0] != 0;
      const double w = H(a[1]), h = H(a[2]);
      double cx = H(a[3]), cy = H(a[4]);
      if (code == 22) {
        Warn("AM 22", "macro primitive 22 is deprecated");
        cx += w / 2, cy += h / 2;
      }
      prim.push_back(Rotated({{cx - w / 2, cy - h / 2}, {cx + w / 2, cy - h / 2},
                              {cx + w / 2, cy + h / 2}, {cx - w / 2, cy + h / 2}}, a[5]));
    } else if (code == 4) {
      need(2);
      on = a[0] != 0;
      const double nv = a[1];
      if (!(nv >= 1 && nv <= 100000)) Fail("aperture macro: bad outline vertex count in '" + s + "'");
      const size_t n = static_cast<size_t>(nv);
      need(2 + 2 * (n + 1) + 1);
      std::vector<std::pair<double, double>> pts;
      for (size_t k = 0; k <= n; ++k) pts.emplace_back(H(a[2 + 2 * k]), H(a[3 + 2 * k]));
      prim = Normalised({Rotated(pts, a[2 + 2 * (n + 1)])});
    } else if (code == 5) {
      need(6);
      on = a[0] != 0;
      const int n = Count(a[1]);
      if (n < 3 || n > 1000) Fail("aperture macro: bad polygon vertex count in '" + s + "'");
      Path p = RegularPolygon(H(a[2]), H(a[3]), H(a[4]), n, 0);
      Path r;
      for (const IntPoint& q : p) r.push_back(RotPt(q.X / ClipScale, q.Y / ClipScale, a[5]));
      prim.push_back(r);
    } else if (code == 6) {
      need(9);
      const double cx = H(a[0]), cy = H(a[1]), od = H(a[2]), th = H(a[3]), gap = H(a[4]);
      if (!(a[5] >= 0 && a[5] <= MaxMoireRings)) {
        Fail("aperture macro: moire ring count must be 0 to " + std::to_string(MaxMoireRings) + " in '" + s + "'");
      }
      const int rings = static_cast<int>(a[5]);
      const double cth = H(a[6]), clen = H(a[7]), rot = a[8];
      double d = od;
      // Rings alternate outline and hole, nested: the even-odd rule makes
      // them rings in one pass.
      Paths all;
      for (int k = 0; k < rings && d > 0; ++k) {
        all.push_back(CirclePath(cx, cy, d / 2));
        if (d - 2 * th > 0) all.push_back(CirclePath(cx, cy, d / 2 - th));
        Spend(0, static_cast<int64_t>(all.back().size()) * 2);
        d -= 2 * (th + gap);
      }
      ClipperLib::SimplifyPolygons(all, prim, ClipperLib::pftEvenOdd);
      UnionInto(prim, {RectPath(cx, cy, clen, cth), RectPath(cx, cy, cth, clen)});
      Paths r;
      for (const Path& p : prim) {
        Path q;
        for (const IntPoint& pt : p) q.push_back(RotPt(pt.X / ClipScale, pt.Y / ClipScale, rot));
        r.push_back(q);
      }
      prim = r;
    } else if (code == 7) {
      need(6);
      const double cx = H(a[0]), cy = H(a[1]), od = H(a[2]), id = H(a[3]), gap = H(a[4]);
      // The centre as turned about the macro's origin with the rest.
      const double ra = a[5] * Pi / 180.0, rc = std::cos(ra), rs = std::sin(ra);
      const double th[6] = {cx * rc - cy * rs, cx * rs + cy * rc, od, id, gap, a[5]};
      std::copy(th, th + 6, MacroThermal);
      ++MacroThermals;
      prim = ThermalPaths(th[0], th[1], od, id, gap, a[5]);
    } else {
      Fail("aperture macro: unknown primitive " + std::to_string(code) + " in '" + s + "'");
    }
    if (on) {
      UnionInto(acc, prim);
    } else {
      Subtract(acc, prim);
    }
  }
  Line = saved;
  return acc;
}

void Reader::DefineAperture(const std::string& Arg) {
  if (Arg.empty() || Arg[0] != 'D') Fail("bad aperture definition '%AD" + Arg + "'");
  size_t i = 1;
  while (i < Arg.size() && std::isdigit(static_cast<unsigned char>(Arg[i]))) ++i;
  if (i == 1 || i > 10) Fail("bad aperture number in '%AD" + Arg + "'");
  const int dcode = std::atoi(Arg.substr(1, i - 1).c_str());
  // From here on what is wrong is the definition's, told when D is used.
  auto Fail = [&](const std::string& What) { throw BadAperture(Line, dcode, What); };
  const size_t comma = Arg.find(',', i);
  const std::string name = Arg.substr(i, comma == std::string::npos ? std::string::npos : comma - i);
  std::vector<double> params;
  if (comma != std::string::npos) {
    for (const std::string& p : Split(Arg.substr(comma + 1), 'X')) {
      if (p.empty()) {
        Warn("AD empty", "empty aperture parameter ignored");
        continue;
      }
      try {
        params.push_back(Decimal(p, "aperture parameter"));
      } catch (const CamError& e) {
        Fail(e.what());
      }
    }
  }
  if (name.empty()) Fail("aperture D" + std::to_string(dcode) + " has no template");
  if (!HaveUnits) {
    HaveUnits = true;
    Warn("no units", "no unit statement (%MO); inches assumed");
  }
  Aperture a;
  auto holes = [&](size_t From) {
    for (size_t k = From; k < params.size() && a.Holes < 2; ++k) a.Hole[a.Holes++] = Host(params[k]);
    if (params.size() > From + 2) Fail("aperture D" + std::to_string(dcode) + ": too many parameters");
  };
  auto needParams = [&](size_t Min) {
    if (params.size() < Min) Fail("aperture D" + std::to_string(dcode) + " " + name + ": missing parameters");
  };
  for (double p : params) {
    if (std::fabs(p) * UnitScale > HostLimit) Fail("aperture D" + std::to_string(dcode) + " is too large");
  }
  if (name == "C") {
    needParams(1);
    a.Type = ApType::Circle;
    a.P[0] = Host(params[0]);
    holes(1);
  } else if (name == "R" || name == "O") {
    if (params.size() == 1) {
      Warn("AD square", "rectangle or obround aperture with one size: taken as square");
      params.push_back(params[0]);
    }
    needParams(2);
    a.Type = name == "R" ? ApType::Rect : ApType::Obround;
    a.P[0] = Host(params[0]);
    a.P[1] = Host(params[1]);
    holes(2);
  } else if (name == "P") {
    needParams(2);
    a.Type = ApType::Polygon;
    a.P[0] = Host(params[0]);
    const int n = Count(params[1]);
    if (n < 3 || n > 12) Fail("aperture D" + std::to_string(dcode) + ": polygon needs 3 to 12 vertices");
    a.P[1] = n;
    a.P[2] = params.size() > 2 ? params[2] : 0;
    a.Shape.push_back(RegularPolygon(0, 0, a.P[0], n, a.P[2]));
    holes(3);
  } else {
    const auto it = Macros.find(name);
    if (it == Macros.end()) Fail("aperture D" + std::to_string(dcode) + " uses unknown macro '" + name + "'");
    a.Type = ApType::Macro;
    a.Shape = MacroShape(it->second, params);  // the macro's own errors are errors
    // A thermal relief alone is drawn lean where flashed (see Flash).
    a.Thermal = MacroPrimitives == 1 && MacroThermals == 1;
    if (a.Thermal) std::copy(MacroThermal, MacroThermal + 6, a.Th);
  }
  if (a.Holes > 0 && a.Type != ApType::Macro) {
    if (a.Shape.empty()) {
      a.Shape.push_back(a.Type == ApType::Circle    ? CirclePath(0, 0, a.P[0] / 2)
                        : a.Type == ApType::Rect ? RectPath(0, 0, a.P[0], a.P[1])
                                                 : ObroundPath(0, 0, a.P[0], a.P[1]));
    }
    Subtract(a.Shape, {a.Holes == 1 ? CirclePath(0, 0, a.Hole[0] / 2)
                                    : RectPath(0, 0, a.Hole[0], a.Hole[1])});
    // A hole no smaller than the aperture (a file may not give one) leaves
    // nothing to flash.
    a.Void = a.Shape.empty() || (a.Type == ApType::Circle && a.Holes == 1 && a.Hole[0] >= a.P[0]);
    if (a.Void) {
      Warn("AD void", "aperture D" + std::to_string(dcode) +
                          ": its hole is as large as the aperture; its flashes draw nothing");
    }
  }
  BadAps.erase(dcode);
  Aps[dcode] = std::move(a);
}

void Reader::MalformedAperture(int DCode, const std::string& Why) {
  Aps.erase(DCode);
  BadAps[DCode] = {Line, Why};
  Warn("AD malformed", "aperture D" + std::to_string(DCode) + " is malformed (" + Why +
                           "); an error only where a command uses it");
}

Xform Reader::ApertureXform(double AtX, double AtY) const {
  // Mirror, then rotate, then scale, about the aperture's origin; then move.
  const double mx = MirrorX ? -1 : 1, my = MirrorY ? -1 : 1;
  const double r = Rotation * Pi / 180.0, c = std::cos(r), s = std::sin(r);
  Xform t;
  t.A = Scaling * c * mx;
  t.B = -Scaling * s * my;
  t.D = Scaling * s * mx;
  t.E = Scaling * c * my;
  t.C = AtX;
  t.F = AtY;
  t.Scale = Scaling;
  t.RotDeg = Rotation;
  t.Mirrored = MirrorX != MirrorY;
  return t;
}

Paths Reader::ApertureArea(const Aperture& A, const Xform& T) {
  if (!A.Shape.empty()) return XformPaths(A.Shape, T);
  Paths base;
  switch (A.Type) {
    case ApType::Circle: base.push_back(CirclePath(0, 0, A.P[0] / 2)); break;
    case ApType::Rect: base.push_back(RectPath(0, 0, A.P[0], A.P[1])); break;
    case ApType::Obround: base.push_back(ObroundPath(0, 0, A.P[0], A.P[1])); break;
    default: break;
  }
  return XformPaths(base, T);
}

// Places the objects of a block (or a repeated stretch) through T.
void Reader::PlaceImage(const Image& Src, const Xform& T, bool Toggle) {
  auto at = [&](double& Px, double& Py) {
    const double x = Px, y = Py;
    Px = T.A * x + T.B * y + T.C;
    Py = T.D * x + T.E * y + T.F;
  };
  const double rq = std::fmod(std::fabs(T.RotDeg), 90.0);
  const bool square = rq < 1e-9 || 90.0 - rq < 1e-9;
  const bool swap = square && OddQuarterTurns(T.RotDeg);
  // Src is never the sink that grows here: a repeat ends only in the sink
  // it was opened in, and a block is an aperture only once closed.
  for (size_t k = 0, n = Src.Objs.size(); k < n; ++k) {
    const Obj o0 = Src.Full(Src.Objs[k]);
    Spend(1, o0.Kind == ObjKind::Area ? PointsOf(Src.Areas[o0.Index]) : 0);
    Obj o = o0;
    o.Clear = o0.Clear != Toggle;
    o.Line = o0.Line;
    if (o.Clear) Sink().AnyClear = true;
    switch (o.Kind) {
      case ObjKind::Line:
        at(o.X1, o.Y1), at(o.X2, o.Y2);
        o.W *= T.Scale;
        break;
      case ObjKind::Arc:
        at(o.X1, o.Y1), at(o.X2, o.Y2), at(o.CX, o.CY);
        o.R *= T.Scale;
        o.W *= T.Scale;
        o.A0 = std::atan2(o.Y1 - o.CY, o.X1 - o.CX) * 180.0 / Pi;
        if (T.Mirrored) o.Sweep = -o.Sweep;
        break;
      case ObjKind::Flash:
        if (o.Shape == PadThermal && !T.Mirrored &&
            LeanThermal(o.W * T.Scale, o.H * T.Scale, o.X2 * T.Scale)) {
          // A thermal turns and scales as a whole (step and repeat moves it).
          at(o.X1, o.Y1);
          o.W *= T.Scale, o.H *= T.Scale, o.X2 *= T.Scale, o.Y2 += T.RotDeg;
        } else if (square && o.Shape != PadThermal) {
          at(o.X1, o.Y1);
          o.W *= T.Scale, o.H *= T.Scale;
          if (swap && o.Shape != PadRing) std::swap(o.W, o.H);
        } else {
          Paths p = ObjArea(o0, Src);
          o.Kind = ObjKind::Area;
          o.Index = static_cast<uint32_t>(Sink().Areas.size());
          Sink().Areas.push_back(XformPaths(p, T));
        }
        break;
      case ObjKind::Drill:
        at(o.X1, o.Y1);
        o.W *= T.Scale;
        break;
      case ObjKind::Area:
        o.Index = static_cast<uint32_t>(Sink().Areas.size());
        Sink().Areas.push_back(XformPaths(Src.Areas[o0.Index], T));
        break;
    }
    Sink().Add(o);
  }
}

void Reader::CloseRepeat() {
  // The repeated objects go to the sink beneath the repeat's own.
  if (!Blocks.empty()) Fail("step and repeat ends inside a block aperture (%AB)");
  std::unique_ptr<Image> img = std::move(RepeatImg);
  Sinks.pop_back();
  const int saved = Line;
  Line = RepeatLine;
  for (int j = 0; j < RepeatY; ++j) {
    for (int i = 0; i < RepeatX; ++i) {
      Xform t;
      t.C = i * RepeatI;
      t.F = j * RepeatJ;
      CheckHost(t.C), CheckHost(t.F);
      PlaceImage(*img, t, false);
    }
  }
  Line = saved;
}

void Reader::DataBlock(std::string_view W) {
  if (W.empty()) return;
  if (W.rfind("G04", 0) == 0 || (W.rfind("G4", 0) == 0 && (W.size() == 2 || !std::isdigit(static_cast<unsigned char>(W[2]))))) {
    // A comment; KiCad writes X2 attributes in comments.
    const size_t tf = W.find("#@!TF.FileFunction,");
    const size_t tf2 = W.find("#@! TF.FileFunction,");
    if (tf != std::string::npos) Out.FileFunction = W.substr(tf + 19);
    if (tf2 != std::string::npos) Out.FileFunction = W.substr(tf2 + 20);
    return;
  }
  bool haveX = false, haveY = false, haveI = false, haveJ = false;
  double nx = 0, ny = 0, i = 0, j = 0;
  int op = 0;
  size_t k = 0;
  // Numbers are read in place: a board has hundreds of thousands of them.
  auto number = [&] {
    size_t s = k;
    while (k < W.size() && std::isdigit(static_cast<unsigned char>(W[k]))) ++k;
    return W.substr(s, k - s);
  };
  auto integer = [&](char L) {
    const std::string_view v = number();
    if (v.empty() || v.size() > 9) BadCode(L, W);
    int n = 0;
    for (char c : v) n = n * 10 + (c - '0');
    return n;
  };
  while (k < W.size()) {
    const char c = W[k++];
    if (c == 'G') {
      const int g = integer('G');
      switch (g) {
        case 1: case 2: case 3: Interp = g; break;
        case 36:
          if (InRegion) Fail("G36 inside a region");
          InRegion = true;
          Contour.clear();
          Contours.clear();
          break;
        case 37: {
          if (!InRegion) Fail("G37 without G36");
          if (Contour.size() >= 3) Contours.push_back(Contour);
          Contour.clear();
          InRegion = false;
          // Contours are filled by the non-zero rule when the file's
          // areas are merged: a cut-in runs back along itself, and so
          // does a hole traced against its outline.
          for (Path& p : Contours) {
            if (!ClipperLib::Orientation(p)) ClipperLib::ReversePath(p);
          }
          AddArea(std::move(Contours));
          Contours.clear();
          break;
        }
        case 74: MultiQuadrant = false; QuadrantTold = true; break;
        case 75: MultiQuadrant = true; QuadrantTold = true; break;
        case 54: Warn("G54", "G54 before a D code is deprecated"); break;
        case 55: Warn("G55", "G55 is deprecated"); break;
        case 70: UnitScale = 2540.0; HaveUnits = true; Warn("G70", "G70/G71 units are deprecated"); break;
        case 71: UnitScale = 100.0; HaveUnits = true; Warn("G70", "G70/G71 units are deprecated"); break;
        case 90: Incremental = false; Warn("G90", "G90/G91 are deprecated"); break;
        case 91: Incremental = true; Warn("G90", "G90/G91 are deprecated"); break;
        default: Fail("unknown or unsupported code G" + std::to_string(g));
      }
    } else if (c == 'D') {
      const int d = integer('D');
      if (d >= 10) {
        if (InRegion) Fail("aperture selection inside a region");
        const auto bad = BadAps.find(d);
        if (bad != BadAps.end()) {
          Fail("aperture D" + std::to_string(d) + " is used, but its definition (line " +
               std::to_string(bad->second.first) + ") is malformed: " + bad->second.second);
        }
        if (Aps.find(d) == Aps.end()) Fail("aperture D" + std::to_string(d) + " is not defined");
        CurAp = d;
      } else if (d >= 1 && d <= 3) {
        op = d;
      } else {
        Fail("unknown code D" + std::to_string(d));
      }
    } else if (c == 'M') {
      const int m = integer('M');
      if (m == 2 || m == 0) {
        Ended = true;
        if (m == 0) Warn("M00", "M00 is deprecated");
      } else if (m == 1) {
        Warn("M01", "M01 is deprecated");
      } else {
        Fail("unknown code M" + std::to_string(m));
      }
    } else if (c == 'X' || c == 'Y' || c == 'I' || c == 'J') {
      const double h = CoordIn(W, k, c);
      if (c == 'X') nx = h, haveX = true;
      if (c == 'Y') ny = h, haveY = true;
      if (c == 'I') i = h, haveI = true;
      if (c == 'J') j = h, haveJ = true;
    } else if (c == 'N') {
      number();  // sequence number
    } else {
      Fail("unexpected '" + std::string(1, c) + "' in '" + std::string(W.substr(0, 40)) + "'");
    }
  }
  const bool coords = haveX || haveY || haveI || haveJ;
  if (op == 0 && coords) {
    Warn("modal D", "coordinates without D01/D02/D03 (a deprecated modal operation)");
    op = LastOp != 0 ? LastOp : 2;
  }
  if (op != 0) {
    LastOp = op;
    Operation(op, haveX, haveY, nx, ny, haveI, haveJ, i, j);
  }
}

void Reader::Operation(int Op, bool HaveX, bool HaveY, double NX, double NY, bool HaveI, bool HaveJ,
                       double I, double J) {
  // Old image parameters act on the coordinates as read.
  if (HaveX) NX = (MirrorA ? -NX : NX) * ScaleA + (Incremental ? 0 : OffA);
  if (HaveY) NY = (MirrorB ? -NY : NY) * ScaleB + (Incremental ? 0 : OffB);
  if (MirrorA) I = -I;
  if (MirrorB) J = -J;
  I *= ScaleA, J *= ScaleB;
  double x = HaveX ? (Incremental ? X + NX : NX) : X;
  double y = HaveY ? (Incremental ? Y + NY : NY) : Y;
  CheckHost(x), CheckHost(y);
  if (Op == 2) {
    if (InRegion) {
      if (Contour.size() >= 3) Contours.push_back(Contour);
      Contour.clear();
    }
    X = x, Y = y;
    return;
  }
  if (Op == 3) {
    if (InRegion) Fail("flash (D03) inside a region");
    X = x, Y = y;
    Flash(x, y);
    return;
  }
  Stroke(x, y, I, J, HaveI || HaveJ);
}

void Reader::Flash(double AtX, double AtY) {
  if (CurAp < 0) Fail("flash (D03) without a selected aperture");
  const Aperture& a = Aps[CurAp];
  const Xform t = ApertureXform(AtX, AtY);
  const double rq = std::fmod(std::fabs(Rotation), 90.0);
  const bool square = rq < 1e-9 || 90.0 - rq < 1e-9;
  const bool swap = square && OddQuarterTurns(Rotation);
  if (a.Void) return;
  Obj o{ObjKind::Flash};
  o.X1 = AtX, o.Y1 = AtY;
  switch (a.Type) {
    case ApType::Circle:
      if (a.Holes == 0) {
        o.Shape = PadRound, o.W = o.H = a.P[0] * Scaling;
        Add(o);
        return;
      }
      if (a.Holes == 1) {
        // The driver's ring (whole inner diameter W and width H, W + H
        // even, so that its stroked circle is exact) where both its edges
        // come within RingError of the true ones: one element instead of
        // rows of fine strokes (inch apertures are never whole units).
        const double outer = a.P[0] * Scaling / 2, inner = a.Hole[0] * Scaling / 2;
        double best = RingError, bw = 0, bh = 0;
        for (double w = std::floor(2 * inner) - 1; w <= std::ceil(2 * inner) + 1; ++w) {
          for (double h = std::floor(outer - w / 2) - 1; h <= std::ceil(outer - w / 2) + 1; ++h) {
            const double e = std::max(std::fabs(w / 2 - inner), std::fabs(w / 2 + h - outer));
            if (w > 0 && h > 0 && std::fmod(w + h, 2.0) == 0 && e <= best) best = e, bw = w, bh = h;
          }
        }
        if (bh > 0 && outer < 1e9) {
          o.Shape = PadRing, o.W = bw, o.H = bh;
          Add(o);
          return;
        }
      }
      break;
    case ApType::Rect:
    case ApType::Obround:
      if (a.Holes == 0 && square) {
        o.Shape = a.Type == ApType::Rect ? PadRect : PadRound;
        o.W = a.P[0] * Scaling, o.H = a.P[1] * Scaling;
        if (swap) std::swap(o.W, o.H);
        Add(o);
        return;
      }
      break;
    case ApType::Block:
      PlaceImage(a.Block, t, ClearPolarity);
      return;
    case ApType::Macro:
      // A thermal relief: a few strokes along its ring where its sizes
      // allow, not rows of fine ones (a mirrored one stays an area).
      if (a.Thermal && !MirrorX && !MirrorY) {
        const double od = a.Th[2] * Scaling, id = a.Th[3] * Scaling, gap = a.Th[4] * Scaling;
        if (LeanThermal(od, id, gap)) {
          o.Shape = PadThermal;
          o.X1 = t.A * a.Th[0] + t.B * a.Th[1] + t.C, o.Y1 = t.D * a.Th[0] + t.E * a.Th[1] + t.F;
          o.W = od, o.H = id, o.X2 = gap, o.Y2 = a.Th[5] + Rotation;
          Add(o);
          return;
        }
      }
      break;
    default:
      break;
  }
  AddArea(ApertureArea(a, t));
}

bool Reader::ArcCentre(double NX, double NY, double I, double J, double& CX, double& CY, double& R,
                       double& A0, double& Sweep) {
  const bool ccw = Interp == 3;
  auto sweepOf = [&](double Cx, double Cy, double& a0, double& sw) {
    a0 = std::atan2(Y - Cy, X - Cx) * 180.0 / Pi;
    double a1 = std::atan2(NY - Cy, NX - Cx) * 180.0 / Pi;
    double d = a1 - a0;
    if (ccw) {
      while (d <= 1e-9) d += 360.0;
      while (d > 360.0 + 1e-9) d -= 360.0;
    } else {
      while (d >= -1e-9) d -= 360.0;
      while (d < -360.0 - 1e-9) d += 360.0;
    }
    sw = d;
  };
  if (MultiQuadrant) {
    CX = X + I, CY = Y + J;
    R = std::hypot(X - CX, Y - CY);
    sweepOf(CX, CY, A0, Sweep);
    if (std::fabs(NX - X) < 1e-6 && std::fabs(NY - Y) < 1e-6) Sweep = ccw ? 360.0 : -360.0;
    return true;
  }
  // Single quadrant: the centre's offsets are unsigned; take the sign pair
  // that gives an arc of at most 90 degrees with the least radius mismatch.
  double best = 1e300;
  bool found = false;
  for (int sx = -1; sx <= 1; sx += 2) {
    for (int sy = -1; sy <= 1; sy += 2) {
      const double cx = X + sx * std::fabs(I), cy = Y + sy * std::fabs(J);
      double a0, sw;
      sweepOf(cx, cy, a0, sw);
      if (std::fabs(NX - X) < 1e-6 && std::fabs(NY - Y) < 1e-6) sw = 0;
      if (std::fabs(sw) > 90.0 + 1e-6) continue;
      const double err = std::fabs(std::hypot(X - cx, Y - cy) - std::hypot(NX - cx, NY - cy));
      if (err < best) {
        best = err, found = true;
        CX = cx, CY = cy, A0 = a0, Sweep = sw;
        R = std::hypot(X - cx, Y - cy);
      }
    }
  }
  return found;
}

void Reader::Stroke(double NX, double NY, double I, double J, bool HaveIJ) {
  const bool arc = Interp != 1;
  double cx = 0, cy = 0, r = 0, a0 = 0, sweep = 0;
  if (arc) {
    if (!QuadrantTold) {
      QuadrantTold = true;
      Warn("no G74/G75", "arc without G74 or G75; single quadrant mode assumed");
    }
    if (!HaveIJ && !MultiQuadrant) {
      // A zero-size single quadrant arc: a straight move.
      cx = X, cy = Y;
    }
    if (!ArcCentre(NX, NY, I, J, cx, cy, r, a0, sweep)) {
      Fail("arc: no centre fits the end point within one quadrant");
    }
  }
  if (InRegion) {
    if (Contour.empty()) Contour.push_back(ToClip(X, Y));
    if (arc && r > 0 && sweep != 0) {
      const int steps = ArcSteps(r, sweep);
      const double r1 = std::hypot(NX - cx, NY - cy);
      for (int k = 1; k < steps; ++k) {
        const double t = static_cast<double>(k) / steps;
        const double a = (a0 + sweep * t) * Pi / 180.0, rr = r + (r1 - r) * t;
        Contour.push_back(ToClip(cx + rr * std::cos(a), cy + rr * std::sin(a)));
      }
    }
    Contour.push_back(ToClip(NX, NY));
    if (Contour.size() > 50000000) Fail("region too large");
    X = NX, Y = NY;
    return;
  }
  if (CurAp < 0) Fail("stroke (D01) without a selected aperture");
  const Aperture& a = Aps[CurAp];
  if (a.Type == ApType::Circle) {
    Obj o{arc ? ObjKind::Arc : ObjKind::Line};
    o.X1 = X, o.Y1 = Y, o.X2 = NX, o.Y2 = NY;
    o.CX = cx, o.CY = cy, o.R = r, o.A0 = a0, o.Sweep = sweep;
    o.W = a.P[0] * Scaling;
    if (arc && (r == 0 || sweep == 0)) o.Kind = ObjKind::Line;
    Add(o);
  } else if (a.Type == ApType::Macro || a.Type == ApType::Block) {
    Fail("stroke (D01) with aperture D" + std::to_string(CurAp) +
         ", a macro or block: only standard apertures can stroke");
  } else {
    // The area a shape sweeps along a straight path is the hull of its two
    // ends; an arc is taken as chords.
    Xform t = ApertureXform(0, 0);
    Paths shape = ApertureArea(a, t);
    if (a.Holes > 0) {
      Aperture solid = a;
      solid.Holes = 0;
      solid.Shape.clear();
      if (a.Type == ApType::Polygon) solid.Shape.push_back(RegularPolygon(0, 0, a.P[0], Count(a.P[1]), a.P[2]));
      shape = ApertureArea(solid, t);
    }
    std::vector<std::pair<double, double>> pts{{X, Y}};
    if (arc && r > 0) {
      const int steps = ArcSteps(r, sweep);
      for (int k = 1; k < steps; ++k) {
        const double ang = (a0 + sweep * k / steps) * Pi / 180.0;
        pts.emplace_back(cx + r * std::cos(ang), cy + r * std::sin(ang));
      }
    }
    pts.emplace_back(NX, NY);
    // Refuse a stroke too large to fill before merging its pieces.
    double lo[2] = {pts[0].first, pts[0].second}, hi[2] = {lo[0], lo[1]};
    for (const auto& [px, py] : pts) {
      lo[0] = std::min(lo[0], px), hi[0] = std::max(hi[0], px);
      lo[1] = std::min(lo[1], py), hi[1] = std::max(hi[1], py);
    }
    if (std::max(hi[0] - lo[0], hi[1] - lo[1]) > MaxAreaSpan) TooLarge();
    Paths area;
    for (size_t k = 1; k < pts.size(); ++k) {
      std::vector<IntPoint> hull;
      for (const Path& p : shape) {
        for (const IntPoint& q : p) {
          hull.push_back({q.X + ToClip(pts[k - 1].first, 0).X, q.Y + ToClip(0, pts[k - 1].second).Y});
          hull.push_back({q.X + ToClip(pts[k].first, 0).X, q.Y + ToClip(0, pts[k].second).Y});
        }
      }
      area.push_back(Hull(std::move(hull)));
    }
    // Merged a few neighbours at a time, then together: a wide shape swept
    // along an arc overlaps many of its neighbours, and Clipper's time grows
    // with the outlines that cross each scanline.
    Paths merged;
    for (size_t k = 0; k < area.size(); k += 16) {
      Paths part;
      UnionInto(part, Paths(area.begin() + static_cast<std::ptrdiff_t>(k),
                            area.begin() + static_cast<std::ptrdiff_t>(std::min(area.size(), k + 16))));
      merged.insert(merged.end(), part.begin(), part.end());
    }
    if (area.size() > 16) UnionInto(merged, {});
    AddArea(std::move(merged));
  }
  X = NX, Y = NY;
}

}  // namespace

void ReadGerber(const std::string& Name, const std::string& Text, Image& Out, Diag& D) {
  Reader r(Name, Text, Out, D);
  r.Run();
}

}  // namespace cam
