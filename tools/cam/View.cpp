// View.cpp: the board as it comes from the fab. Every part is a region
// made with Clipper from the files' images (board less holes, copper,
// mask openings, silkscreen) and filled by the scanline hatcher, so the
// picture is the driver's own strokes on five host layers whose colours
// and opacities come from a settings preset.
#include "View.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>

#include "Hatch.h"

namespace cam {
namespace {

constexpr int LayerCount = 26;
// Between the two boards of --view both, host units (5 mm).
constexpr double SideGap = 500;
// A closed outline apart from the board counts as board when its area is
// this share of the largest or more (panels of several boards).
constexpr double MinPieceShare = 0.02;

Paths Clip(ClipperLib::ClipType Op, const Paths& A, const Paths& B) {
  ClipperLib::Clipper c;
  c.AddPaths(A, ClipperLib::ptSubject, true);
  c.AddPaths(B, ClipperLib::ptClip, true);
  Paths out;
  c.Execute(Op, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
  return out;
}
Paths Meet(const Paths& A, const Paths& B) { return Clip(ClipperLib::ctIntersection, A, B); }
Paths Less(const Paths& A, const Paths& B) { return Clip(ClipperLib::ctDifference, A, B); }

// The length of a closed outline, clip units.
double Length(const Path& P) {
  double l = 0;
  for (size_t k = 0; k < P.size(); ++k) {
    const IntPoint& a = P[k];
    const IntPoint& b = P[(k + 1) % P.size()];
    l += std::hypot(static_cast<double>(b.X - a.X), static_cast<double>(b.Y - a.Y));
  }
  return l;
}

Paths LayerDark(const std::vector<CamLayerImage>& Images, int32_t Layer, bool& Found) {
  Paths all;
  Found = false;
  for (const CamLayerImage& li : Images) {
    if (li.Layer != Layer) continue;
    Found = true;
    all.insert(all.end(), li.Dark.begin(), li.Dark.end());
  }
  return all;  // by the non-zero rule, as every Clipper operation here takes it
}

ClipperLib::IntRect Bounds(const Paths& P) {
  ClipperLib::Clipper c;
  c.AddPaths(P, ClipperLib::ptSubject, true);
  return c.GetBounds();
}

// The board's shape from its outline layer: the outline's strokes, made
// areas, form rings; each ring's outer edge moved in by half the stroke is
// the stroke's middle, and these, taken even-odd, are the board with its
// cut-outs. Strokes that close no ring (routed slots) are cut out of it.
// Without a ring: the box of the outline, or of every layer, with a warning.
Paths BoardShape(const std::vector<CamLayerImage>& Images, std::vector<std::string>& Warnings) {
  bool found = false;
  const Paths outline = LayerDark(Images, 3, found);
  double w = 0;
  for (const CamLayerImage& li : Images) {
    if (li.Layer == 3) w = std::max(w, li.StrokeWidth);
  }
  if (!outline.empty()) {
    ClipperLib::Clipper c;
    c.AddPaths(outline, ClipperLib::ptSubject, true);
    ClipperLib::PolyTree tree;
    c.Execute(ClipperLib::ctUnion, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    Paths slots, middles;
    for (ClipperLib::PolyNode* n = tree.GetFirst(); n != nullptr; n = n->GetNext()) {
      if (n->IsHole()) continue;
      // A ring: its stroke's width is its area over its mean edge length.
      double area = std::fabs(ClipperLib::Area(n->Contour)), edge = Length(n->Contour), holes = 0;
      for (const ClipperLib::PolyNode* k : n->Childs) {
        if (!k->IsHole()) continue;
        area -= std::fabs(ClipperLib::Area(k->Contour)), edge += Length(k->Contour), ++holes;
      }
      if (holes == 0) {
        slots.push_back(n->Contour);
        continue;
      }
      const double width = std::min(w * ClipScale, 2 * area / edge);
      ClipperLib::ClipperOffset o(2.0, 0.25 * ClipScale);
      o.AddPath(n->Contour, ClipperLib::jtMiter, ClipperLib::etClosedPolygon);
      Paths m;
      o.Execute(m, -width / 2);
      middles.insert(middles.end(), m.begin(), m.end());
    }
    if (!middles.empty()) {
      for (Path& m : middles) {
        if (!ClipperLib::Orientation(m)) ClipperLib::ReversePath(m);
      }
      Paths board;
      ClipperLib::SimplifyPolygons(middles, board, ClipperLib::pftEvenOdd);
      // Small closed strokes apart from the board (lettering, marks beside
      // it) are no boards of their own; cut-outs inside it stay.
      double largest = 0;
      for (const Path& p : board) largest = std::max(largest, ClipperLib::Area(p));
      board.erase(std::remove_if(board.begin(), board.end(),
                                 [&](const Path& P) {
                                   const double a = ClipperLib::Area(P);
                                   return a > 0 && a < MinPieceShare * largest;
                                 }),
                  board.end());
      return Less(board, slots);
    }
  }
  // Without an outline: the copper's box (drawings and masks may reach
  // far beyond the board: legends, drill tables), or every layer's.
  const auto copper = [](int32_t L) { return L <= 2 || (L >= 4 && L <= 13); };
  Paths all;
  for (const int pass : {0, 1}) {
    for (const CamLayerImage& li : Images) {
      const bool take = found ? li.Layer == 3 : pass == 0 ? copper(li.Layer) : li.Layer != 24;
      if (take) all.insert(all.end(), li.Dark.begin(), li.Dark.end());
    }
    if (!all.empty()) break;
  }
  std::string files;
  for (const CamLayerImage& li : Images) {
    if (li.Layer == 3) files += (files.empty() ? "" : ", ") + li.File;
  }
  Warnings.push_back(found ? files + ": warning: the board outline closes no shape; the view shows its bounding box"
                           : "warning: no board outline file (layer 3); the view shows the copper's bounding box");
  if (all.empty()) return {};
  const ClipperLib::IntRect b = Bounds(all);
  return {{{b.left, b.bottom}, {b.right, b.bottom}, {b.right, b.top}, {b.left, b.top}}};
}

// Mirrors across the vertical line X = Axis (clip units), keeping the
// outlines' sense, and moves by Dx.
void Mirror(Paths& P, ClipperLib::cInt Axis, ClipperLib::cInt Dx) {
  for (Path& p : P) {
    for (IntPoint& q : p) q.X = 2 * Axis - q.X + Dx;
    ClipperLib::ReversePath(p);
  }
}

void Shift(Paths& P, ClipperLib::cInt Dx) {
  for (Path& p : P) {
    for (IntPoint& q : p) q.X += Dx;
  }
}

struct Part {
  int32_t Layer;
  Paths Area;
};

struct Emit {
  int32_t MaxAperture;
  std::map<int32_t, int32_t> Pens;  // pen width to aperture record
  std::vector<CamCall> ApertureCalls;
  std::deque<CamCall> Draw[LayerCount];
  int32_t Layer = 0;
  bool Full = false;
};

}  // namespace

static bool ComposeView(const std::vector<CamLayerImage>& images, double MarginMm, BoardSide Side,
                 const std::vector<int32_t>& Order, int32_t MaxAperture, std::deque<CamCall>& Calls,
                 std::vector<std::string>& Errors, std::vector<std::string>& Warnings) {
  try {
    bool found = false;
    Paths board = BoardShape(images, Warnings);
    // Holes and slots go through everything: the board has none there.
    board = Less(board, LayerDark(images, 24, found));
    if (board.empty()) {
      Errors.push_back("the files give no board to view");
      return false;
    }
    const ClipperLib::IntRect box = Bounds(board);
    std::vector<Part> parts;
    const auto side = [&](bool Bottom, ClipperLib::cInt Dx) {
      bool haveMask = false;
      const Paths copper = Meet(LayerDark(images, Bottom ? 0 : 1, found), board);
      const Paths open = Meet(LayerDark(images, Bottom ? 20 : 21, haveMask), board);
      const Paths silk = LayerDark(images, Bottom ? 22 : 23, found);
      std::vector<Part> s = {{ViewSubstrate, board}, {ViewCopper, copper}};
      if (haveMask) {
        const Paths covered = Less(board, open);
        s.push_back({ViewMask, covered});
        s.push_back({ViewFinish, Meet(copper, open)});
        s.push_back({ViewSilk, Meet(silk, covered)});
      } else {
        s.push_back({ViewSilk, Meet(silk, board)});
      }
      for (Part& p : s) {
        if (Bottom) {
          Mirror(p.Area, (box.left + box.right) / 2, Dx);
        } else {
          Shift(p.Area, Dx);
        }
        parts.push_back(std::move(p));
      }
    };
    const ClipperLib::cInt gap = static_cast<ClipperLib::cInt>(SideGap * ClipScale);
    if (Side != BoardSide::Bottom) side(false, 0);
    if (Side != BoardSide::Top) side(true, Side == BoardSide::Both ? box.right - box.left + gap : 0);

    // The plot area: the boards' box and the margin, from 0,0.
    Paths every;
    for (const Part& p : parts) every.insert(every.end(), p.Area.begin(), p.Area.end());
    const ClipperLib::IntRect all = Bounds(every);
    const double margin = std::round(MarginMm * 100.0);
    const double ox = std::floor(static_cast<double>(all.left) / ClipScale) - margin;
    const double oy = std::floor(static_cast<double>(all.top) / ClipScale) - margin;
    const double w = std::ceil(static_cast<double>(all.right) / ClipScale) + margin - ox;
    const double h = std::ceil(static_cast<double>(all.bottom) / ClipScale) + margin - oy;
    if (w > HostLimit || h > HostLimit || std::fabs(ox) > HostLimit || std::fabs(oy) > HostLimit) {
      Errors.push_back("the board is larger than the host's 32-bit plot area of 10 um units");
      return false;
    }
    Emit em;
    em.MaxAperture = MaxAperture;
    struct Ctx {
      Emit* E;
      double Ox, Oy;
    } ctx{&em, ox, oy};
    for (const Part& p : parts) {
      if (p.Area.empty()) continue;
      em.Layer = p.Layer;
      Hatch({{p.Area, false}}, [](void* C, const HatchStroke& S) {
        Ctx& c = *static_cast<Ctx*>(C);
        Emit& e = *c.E;
        auto it = e.Pens.find(S.Pen);
        if (it == e.Pens.end()) {
          const int32_t n = static_cast<int32_t>(e.Pens.size());
          if (n > e.MaxAperture) throw CamError(0, "the view takes more pens than the driver has aperture records");
          it = e.Pens.emplace(S.Pen, n).first;
          e.ApertureCalls.push_back(CamCall{Verb::Aperture, {n, PadRound, S.Pen, S.Pen, 0, 0}});
        }
        e.Draw[e.Layer].push_back(CamCall{Verb::DrawLine,
                                          {static_cast<int32_t>(S.X1 - c.Ox), static_cast<int32_t>(S.Y1 - c.Oy),
                                           static_cast<int32_t>(S.X2 - c.Ox), static_cast<int32_t>(S.Y2 - c.Oy),
                                           it->second, 0}});
      }, &ctx);
    }
    Calls.assign(em.ApertureCalls.begin(), em.ApertureCalls.end());
    Calls.push_back(CamCall{Verb::OpenEquip, {0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h), 0, 0}});
    for (const int32_t layer : Order) {
      if (layer < 0 || layer >= LayerCount || em.Draw[layer].empty()) continue;
      Calls.push_back(CamCall{Verb::OpenLayer, {layer, 0, 0, 0, 0, 0}});
      Calls.insert(Calls.end(), em.Draw[layer].begin(), em.Draw[layer].end());
    }
    Calls.push_back(CamCall{Verb::CloseEquip, {0, 0, 0, 0, 0, 0}});
  } catch (const CamError& e) {
    Errors.push_back(std::string("view: ") + e.what());
    return false;
  } catch (const ClipperLib::clipperException& e) {
    Errors.push_back(std::string("view: geometry out of range: ") + e.what());
    return false;
  }
  return true;
}

bool ImportView(const CamOptions& Options, BoardSide Side, const std::vector<int32_t>& Order, int32_t MaxAperture,
                std::deque<CamCall>& Calls, std::vector<std::string>& Errors, std::vector<std::string>& Warnings) {
  // The outline, the holes and the copper, mask and silkscreen of the
  // sides shown; when no outline is given, the copper of every layer for
  // the board's box.
  uint32_t wanted = 1u << 3 | 1u << 24 | 0x3FF4u | 1u << 0 | 1u << 1;
  if (Side != BoardSide::Bottom) wanted |= 1u << 21 | 1u << 23;
  if (Side != BoardSide::Top) wanted |= 1u << 20 | 1u << 22;
  std::vector<CamLayerImage> images;
  if (!ReadCamImages(Options, wanted, images, Errors, Warnings)) return false;
  return ComposeView(images, Options.MarginMm, Side, Order, MaxAperture, Calls, Errors, Warnings);
}

bool ViewCheckText(const std::string& Name, const std::string& Text, std::string& Error) {
  // The one file as the outline, the copper, the mask and the silkscreen
  // of both sides at once.
  CamLayerImage outline;
  outline.Layer = 3;
  if (!ReadCamImageText(Name, Text, outline, Error)) return false;
  CamLayerImage other;
  if (!ReadCamImageText(Name, Text, other, Error)) return false;
  std::vector<CamLayerImage> images{outline};
  for (const int32_t l : {0, 1, 20, 21, 22, 23}) {
    images.push_back(other);
    images.back().Layer = l;
  }
  std::vector<int32_t> order;
  for (int32_t l = 0; l < LayerCount; ++l) order.push_back(l);
  std::deque<CamCall> calls;
  std::vector<std::string> errors, warnings;
  if (!ComposeView(images, 2.0, BoardSide::Both, order, 600, calls, errors, warnings)) {
    Error = errors.empty() ? "" : errors.front();
    return false;
  }
  return true;
}

namespace {

std::string Lower(std::string S) {
  for (char& c : S) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return S;
}

std::string Trim(const std::string& S) {
  const size_t a = S.find_first_not_of(" \t\r");
  if (a == std::string::npos) return "";
  return S.substr(a, S.find_last_not_of(" \t\r") - a + 1);
}

// Sections in order, each with its lines "key=value" in order; the
// lines before any section under "".
struct Ini {
  std::vector<std::pair<std::string, std::vector<std::pair<std::string, std::string>>>> Sections;
  std::vector<std::pair<std::string, std::string>>& Section(const std::string& Name) {
    for (auto& s : Sections) {
      if (Lower(s.first) == Lower(Name)) return s.second;
    }
    Sections.push_back({Name, {}});
    return Sections.back().second;
  }
};

// A key given twice in one text counts once, the first time (as the
// driver reads it); a later text replaces it.
void ReadIni(const std::string& Text, Ini& Into) {
  auto* at = &Into.Section("");
  std::string section;
  std::vector<std::string> seen;
  size_t pos = 0;
  while (pos < Text.size()) {
    size_t end = Text.find('\n', pos);
    if (end == std::string::npos) end = Text.size();
    const std::string line = Trim(Text.substr(pos, end - pos));
    pos = end + 1;
    if (line.empty() || line[0] == ';') continue;
    if (line[0] == '[') {
      const size_t close = line.rfind(']');
      if (close == std::string::npos) continue;
      section = Lower(Trim(line.substr(1, close - 1)));
      at = &Into.Section(Trim(line.substr(1, close - 1)));
      continue;
    }
    const size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const std::string key = Trim(line.substr(0, eq)), value = Trim(line.substr(eq + 1));
    const std::string id = section + "\n" + Lower(key);
    if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
    seen.push_back(id);
    bool replaced = false;
    for (auto& kv : *at) {
      if (Lower(kv.first) == Lower(key)) kv.second = value, replaced = true;
    }
    if (!replaced) at->push_back({key, value});
  }
}

}  // namespace

std::string MergeSettings(const std::string& Base, const std::string& Over) {
  Ini ini;
  ReadIni(Base, ini);
  ReadIni(Over, ini);
  std::string out;
  for (const auto& s : ini.Sections) {
    if (s.second.empty()) continue;
    if (!s.first.empty()) out += "[" + s.first + "]\r\n";
    for (const auto& kv : s.second) out += kv.first + "=" + kv.second + "\r\n";
  }
  return out;
}

}  // namespace cam
