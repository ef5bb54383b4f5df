// View.cpp: the board as it comes from the fab, painted bottom to top with
// the driver's own calls: the substrate in the board's shape, the copper as
// the plot draws it, the translucent mask over the whole board, the
// silkscreen, then in the mask's openings the substrate again and the
// finish on the copper there, and last the holes and all that is not board
// in the page's colour. Only the board's shape and the finish are made
// with Clipper; every file's own elements are drawn as they are, so the
// view costs little more than the plot of its files.
#include "View.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "Emit.h"
#include "Hatch.h"

namespace cam {
namespace {

// Between the two boards of --view both, host units (5 mm).
constexpr int64_t SideGap = 500;
// A closed outline apart from the board counts as board when its area is
// this share of the largest or more (panels of several boards).
constexpr double MinPieceShare = 0.02;
// Half the width of the driver's page frame, host units.
constexpr double FrameHalf = 25;

// The paint steps, bottom to top, and the host layer each is drawn on.
// Holes come first on theirs: a hole's circle is stroked with the width in
// force, which the strokes of the rest would otherwise set.
// Without a mask file all the copper is open, and has the finish.
enum Step { Substrate, Copper, Bare, Mask, Silk, Open, Finish, Holes, NoBoard, StepCount };
constexpr int32_t StepLayer[StepCount] = {ViewSubstrate, ViewCopper,    ViewFinish,  ViewMask,   ViewSilk,
                                          ViewSubstrate, ViewFinish, ViewNoBoard, ViewNoBoard};

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

using Images = std::vector<const CamLayerImage*>;

Images OnLayer(const std::vector<CamLayerImage>& All, int32_t Layer) {
  Images out;
  for (const CamLayerImage& li : All) {
    if (li.Layer == Layer) out.push_back(&li);
  }
  return out;
}

Box PathBox(const Path& P) {
  Box b;
  for (const IntPoint& q : P) b.Add(static_cast<double>(q.X), static_cast<double>(q.Y), 0);
  return b;
}

// The box of the outlines, grown from B.
Box PathsBox(const Paths& P, Box B = {}) {
  for (const Path& q : P) B.Add(PathBox(q));
  return B;
}

// A box of clip units as an outline.
Path BoxPath(const Box& B) {
  const auto c = [](double V) { return static_cast<ClipperLib::cInt>(std::llround(V)); };
  return {{c(B.X0), c(B.Y0)}, {c(B.X1), c(B.Y0)}, {c(B.X1), c(B.Y1)}, {c(B.X0), c(B.Y1)}};
}

// A box of host units in clip units.
Box ClipBox(const Box& B) {
  Box c;
  c.Add(B.X0 * ClipScale, B.Y0 * ClipScale, 0), c.Add(B.X1 * ClipScale, B.Y1 * ClipScale, 0);
  return c;
}

// The board's shape from its outline layer: the outline's strokes, made
// areas, form rings; each ring's outer edge moved in by half the stroke is
// the stroke's middle, and these, taken even-odd, are the board with its
// cut-outs. Strokes that close no ring (routed slots) are cut out of it.
// Without a ring: the box of the outline, or of the copper, with a warning.
Paths BoardShape(const std::vector<CamLayerImage>& All, std::vector<std::string>& Warnings) {
  const Images outlines = OnLayer(All, 3);
  Paths outline;
  double w = 0;
  for (const CamLayerImage* li : outlines) {
    const Paths d = ImageDark(*li);
    outline.insert(outline.end(), d.begin(), d.end());
    w = std::max(w, li->StrokeWidth);
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
      Subtract(board, slots);
      return board;
    }
  }
  // Without an outline: the copper's box (drawings and masks may reach
  // far beyond the board: legends, drill tables), or every layer's.
  const auto copper = [](int32_t L) { return L <= 2 || (L >= 4 && L <= 13); };
  Box all;
  for (const int pass : {0, 1}) {
    for (const CamLayerImage& li : All) {
      const bool take = !outlines.empty() ? li.Layer == 3 : pass == 0 ? copper(li.Layer) : li.Layer != 24;
      if (!take) continue;
      // Dark runs only: what clear runs take away lies within them.
      for (const AreaLayer& a : li.Areas) {
        if (!a.Clear) all = PathsBox(a.Outlines, all);
      }
      for (const PackedObj& p : li.Img.Objs) all.Add(ClipBox(ObjBox(li.Img.Full(p), li.Img)));
    }
    if (all.X0 <= all.X1) break;
  }
  std::string files;
  for (const CamLayerImage* li : outlines) files += (files.empty() ? "" : ", ") + li->File;
  Warnings.push_back(!outlines.empty()
                         ? files + ": warning: the board outline closes no shape; the view shows its bounding box"
                         : "warning: no board outline file (layer 3); the view shows the copper's bounding box");
  if (all.X0 > all.X1) return {};
  return {BoxPath(all)};
}

// Mirrored across the vertical line X = Sum / 2 (clip units), keeping the
// outlines' sense, and moved by Dx.
Paths Mirrored(Paths P, ClipperLib::cInt Sum, ClipperLib::cInt Dx) {
  for (Path& p : P) {
    for (IntPoint& q : p) q.X = Sum - q.X + Dx;
    ClipperLib::ReversePath(p);
  }
  return P;
}

// The runs of areas but the outlines whose boxes (clip units) Keep
// refuses: those that miss what is seen change nothing there, and a hole's
// box lies in its outline's.
template <typename F>
std::vector<AreaLayer> Kept(const std::vector<AreaLayer>& Areas, F Keep) {
  std::vector<AreaLayer> out;
  for (const AreaLayer& a : Areas) {
    AreaLayer k{{}, a.Clear};
    for (const Path& p : a.Outlines) {
      if (Keep(PathBox(p))) k.Outlines.push_back(p);
    }
    if (!k.Outlines.empty()) out.push_back(std::move(k));
  }
  return out;
}
std::vector<AreaLayer> Within(const std::vector<AreaLayer>& Areas, const Box& Keep) {
  return Kept(Areas, [&](const Box& B) { return B.Meets(Keep); });
}

// Which of an image's elements a step draws.
enum class Part { All, Drills, AllButDrills };

// The images' own calls on Step, but what lies wholly outside Keep (host
// units): all of it is painted over.
void DrawImages(Emitter& E, int Step, const Images& Imgs, const Box& Keep, const Box& KeepClip,
                Part Take = Part::All) {
  for (const CamLayerImage* li : Imgs) {
    if (Take != Part::Drills) E.Hatched(Step, Within(li->Areas, KeepClip));
    for (const PackedObj& p : li->Img.Objs) {
      if (Take != Part::All && (p.Kind == ObjKind::Drill) != (Take == Part::Drills)) continue;
      const Obj o = li->Img.Full(p);
      if (ObjBox(o, li->Img).Meets(Keep)) E.Native(Step, o);
    }
  }
}

// Strokes hatched once, drawn on Step as the hatcher's own are.
void DrawStrokes(Emitter& E, int Step, const std::vector<HatchStroke>& Strokes) {
  E.SrcLine = 0;
  E.HatchLayer = Step;
  for (const HatchStroke& s : Strokes) Emitter::Stroke(&E, s);
}

std::vector<HatchStroke> HatchOf(const Paths& Area) {
  std::vector<HatchStroke> out;
  if (Area.empty()) return out;
  Hatch({{Area, false}}, CollectStroke, &out);
  return out;
}

// A convex outline that needs no polygon to be tested (host units): a
// stadium, the segment X1,Y1 to X2,Y2 grown by R (a track, a round or
// obround pad), or an upright rectangle, centre X1,Y1 and half sizes X2,Y2.
struct Convex {
  bool Rect = false;
  double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0, R = 0;
};

// O's outline as a Convex, where it is one. Outer: rings and thermals by
// their outer disc, for what lies inside an opening (no opening, which must
// hold all of its inside).
bool ConvexOf(const Obj& O, bool Outer, Convex& C) {
  if (O.Kind == ObjKind::Line) {
    C = {false, O.X1, O.Y1, O.X2, O.Y2, O.W / 2};
    return true;
  }
  if (O.Kind != ObjKind::Flash) return false;
  if (O.Shape == PadRing || O.Shape == PadThermal) {
    if (!Outer) return false;
    const double r = O.Shape == PadRing ? O.W / 2 + O.H : O.W / 2;
    C = {false, O.X1, O.Y1, O.X1, O.Y1, r};
    return true;
  }
  if (O.Shape == PadRect) {
    C = {true, O.X1, O.Y1, O.W / 2, O.H / 2, 0};
    return true;
  }
  // Round and obround: a segment along the longer side.
  const double ex = O.W > O.H ? (O.W - O.H) / 2 : 0, ey = O.H > O.W ? (O.H - O.W) / 2 : 0;
  C = {false, O.X1 - ex, O.Y1 - ey, O.X1 + ex, O.Y1 + ey, std::min(O.W, O.H) / 2};
  return true;
}

// Whether A lies wholly inside B. In a rectangle: A's box (a stadium
// touches every side of its box). In a stadium, whose distance from its
// segment is convex: A's corners, or its segment's ends grown by its
// radius.
bool Inside(const Convex& A, const Convex& B) {
  constexpr double Slack = 1e-6;
  if (B.Rect) {
    const double ax0 = A.Rect ? A.X1 - A.X2 : std::min(A.X1, A.X2) - A.R;
    const double ax1 = A.Rect ? A.X1 + A.X2 : std::max(A.X1, A.X2) + A.R;
    const double ay0 = A.Rect ? A.Y1 - A.Y2 : std::min(A.Y1, A.Y2) - A.R;
    const double ay1 = A.Rect ? A.Y1 + A.Y2 : std::max(A.Y1, A.Y2) + A.R;
    return ax0 >= B.X1 - B.X2 - Slack && ax1 <= B.X1 + B.X2 + Slack && ay0 >= B.Y1 - B.Y2 - Slack &&
           ay1 <= B.Y1 + B.Y2 + Slack;
  }
  const double dx = B.X2 - B.X1, dy = B.Y2 - B.Y1, len2 = dx * dx + dy * dy;
  const auto within = [&](double X, double Y, double R) {
    const double t = len2 > 0 ? std::clamp(((X - B.X1) * dx + (Y - B.Y1) * dy) / len2, 0.0, 1.0) : 0;
    return std::hypot(X - B.X1 - t * dx, Y - B.Y1 - t * dy) + R <= B.R + Slack;
  };
  if (A.Rect) {
    for (const double sx : {-A.X2, A.X2}) {
      for (const double sy : {-A.Y2, A.Y2}) {
        if (!within(A.X1 + sx, A.Y1 + sy, 0)) return false;
      }
    }
    return true;
  }
  return within(A.X1, A.Y1, A.R) && within(A.X2, A.Y2, A.R);
}

// A mask opening: its outline (clip units), its box, and where it is a
// track or a pad of a convex shape that shape, so that copper within it
// needs no polygon work.
struct Opening {
  Paths Area;
  Box B;  // clip units
  bool HasShape = false;
  Convex Shape;
};

// The openings by the cells of a grid over their boxes: a pad or track
// meets few of them.
struct OpeningGrid {
  std::vector<Opening> Items;
  Box All;
  double Cell = 1;
  int Nx = 0, Ny = 0;
  std::vector<std::vector<uint32_t>> Cells;
  std::vector<uint32_t> Seen;
  uint32_t Stamp = 0;

  void Build() {
    for (const Opening& o : Items) All.Add(o.B.X0, o.B.Y0, 0), All.Add(o.B.X1, o.B.Y1, 0);
    if (Items.empty()) return;
    const double w = All.X1 - All.X0, h = All.Y1 - All.Y0;
    Cell = std::max(1.0, std::sqrt(std::max(w * h, 1.0) / static_cast<double>(Items.size())));
    Nx = static_cast<int>(std::min(1024.0, std::floor(w / Cell) + 1));
    Ny = static_cast<int>(std::min(1024.0, std::floor(h / Cell) + 1));
    Cells.assign(static_cast<size_t>(Nx) * static_cast<size_t>(Ny), {});
    for (uint32_t k = 0; k < Items.size(); ++k) Visit(Items[k].B, [&](std::vector<uint32_t>& C) { C.push_back(k); });
    Seen.assign(Items.size(), 0);
  }
  template <typename F>
  void Visit(const Box& B, F Each) {
    if (Items.empty() || !B.Meets(All)) return;
    const auto cell = [&](double V, double O, int N) {
      return std::clamp(static_cast<int>(std::floor((V - O) / Cell)), 0, N - 1);
    };
    const int x0 = cell(B.X0, All.X0, Nx), x1 = cell(B.X1, All.X0, Nx);
    const int y0 = cell(B.Y0, All.Y0, Ny), y1 = cell(B.Y1, All.Y0, Ny);
    for (int y = y0; y <= y1; ++y) {
      for (int x = x0; x <= x1; ++x) Each(Cells[static_cast<size_t>(y) * Nx + x]);
    }
  }
  // The openings whose boxes meet B, each once.
  void Meeting(const Box& B, std::vector<uint32_t>& Out) {
    Out.clear();
    if (++Stamp == 0) std::fill(Seen.begin(), Seen.end(), 0), Stamp = 1;
    Visit(B, [&](const std::vector<uint32_t>& C) {
      for (const uint32_t k : C) {
        if (Seen[k] != Stamp && Items[k].B.Meets(B)) Seen[k] = Stamp, Out.push_back(k);
      }
    });
  }
};

// Where the middle of the track O runs within B (clip units) grown by half
// its width: T0 to T1 of its length, narrowed from 0 to 1 (Liang-Barsky);
// false where it does not.
bool CutToBox(const Obj& O, const Box& B, double& T0, double& T1) {
  const double m = O.W / 2, dx = O.X2 - O.X1, dy = O.Y2 - O.Y1;
  const auto edge = [&](double P, double Q) {
    if (P == 0) return Q >= 0;
    const double t = Q / P;
    if (P < 0) {
      T0 = std::max(T0, t);
    } else {
      T1 = std::min(T1, t);
    }
    return T0 <= T1;
  };
  return edge(-dx, O.X1 - (B.X0 / ClipScale - m)) && edge(dx, B.X1 / ClipScale + m - O.X1) &&
         edge(-dy, O.Y1 - (B.Y0 / ClipScale - m)) && edge(dy, B.Y1 / ClipScale + m - O.Y1);
}

// The copper the mask leaves open, on Finish: a pad or track wholly inside
// one opening drawn as it is; the rest of the copper that meets an opening
// cut to the openings it meets and hatched.
void DrawFinish(Emitter& E, const Images& Copper, const Images& Masks, const Box& Keep, const Box& KeepClip) {
  OpeningGrid g;
  for (const CamLayerImage* li : Masks) {
    // The areas' runs resolved; the objects drawn as they are on top.
    for (Path& p : AreasDark(Within(li->Areas, KeepClip))) {
      const Box b = PathBox(p);
      g.Items.push_back({{std::move(p)}, b, false, {}});
    }
    for (const PackedObj& p : li->Img.Objs) {
      const Obj o = li->Img.Full(p);
      if (o.Kind == ObjKind::Drill || !ObjBox(o, li->Img).Meets(Keep)) continue;
      Paths a = ObjArea(o, li->Img);
      if (a.empty()) continue;
      // A region as the file draws it may run either way round: the
      // clearing below counts an opening's inside by its orientation.
      if (o.Kind == ObjKind::Area &&
          std::any_of(a.begin(), a.end(), [](const Path& P) { return !ClipperLib::Orientation(P); })) {
        ClipperLib::SimplifyPolygons(a, ClipperLib::pftNonZero);
      }
      const Box b = PathsBox(a);
      Opening it{std::move(a), b, false, {}};
      it.HasShape = ConvexOf(o, false, it.Shape);
      g.Items.push_back(std::move(it));
    }
  }
  g.Build();
  if (g.Items.empty()) return;
  // Openings whose boxes meet are one opening (a pad's opening drawn with
  // several strokes, openings that run together): the copper that meets it
  // is taken once, cut to the part of it that meets the copper.
  const uint32_t count = static_cast<uint32_t>(g.Items.size());
  std::vector<uint32_t> group(count);
  for (uint32_t n = 0; n < count; ++n) group[n] = n;
  const auto root = [&](uint32_t N) {
    while (group[N] != N) N = group[N] = group[group[N]];
    return N;
  };
  std::vector<uint32_t> near;
  for (uint32_t n = 0; n < count; ++n) {
    g.Meeting(g.Items[n].B, near);
    for (const uint32_t m : near) group[root(m)] = root(n);
  }
  std::vector<std::vector<uint32_t>> members(count);
  std::vector<Box> groupBox(count);
  for (uint32_t n = 0; n < count; ++n) {
    members[root(n)].push_back(n);
    groupBox[root(n)].Add(g.Items[n].B);
  }
  // The finish is hatched as runs of one polarity, which the scanline
  // resolves without Clipper: copper dark, then cleared outside the
  // openings and where a pad drawn as it is lies.
  std::vector<AreaLayer> runs;
  // Pieces by group; pads drawn as they are by the opening that holds
  // them; and the openings some piece's box meets, the only ones (with the
  // pads they hold) that the clearing needs.
  std::vector<Paths> pieces(count), drawn(count);
  std::vector<bool> met(count);
  std::vector<std::pair<uint32_t, Box>> reach;  // the groups an object meets, and where
  for (const CamLayerImage* li : Copper) {
    // Outlines that meet no opening change nothing inside one.
    for (AreaLayer& a : Kept(li->Areas, [&](const Box& B) {
           g.Meeting(B, near);
           return !near.empty();
         })) {
      runs.push_back(std::move(a));
    }
    for (const PackedObj& p : li->Img.Objs) {
      const Obj o = li->Img.Full(p);
      if (o.Kind == ObjKind::Drill) continue;
      const Box hb = ObjBox(o, li->Img);
      if (!hb.Meets(Keep)) continue;
      g.Meeting(ClipBox(hb), near);
      if (near.empty()) continue;
      // A pad or track wholly inside an opening is drawn as it is.
      Convex c;
      if (ConvexOf(o, true, c)) {
        const auto in = std::find_if(near.begin(), near.end(), [&](uint32_t n) {
          return g.Items[n].HasShape && Inside(c, g.Items[n].Shape);
        });
        if (in != near.end()) {
          E.Native(Finish, o);
          // Cleared where it is drawn; a thermal not at all (its strokes
          // are drawn twice, and its area would take Clipper).
          if (o.Shape != PadThermal) {
            const Paths a = ObjArea(o, li->Img);
            Paths& d = drawn[*in];
            d.insert(d.end(), a.begin(), a.end());
          }
          continue;
        }
      }
      // Each group it meets once, with the box of its openings it meets.
      reach.clear();
      for (const uint32_t n : near) reach.emplace_back(root(n), g.Items[n].B), met[n] = true;
      std::sort(reach.begin(), reach.end(), [](const auto& A, const auto& B) { return A.first < B.first; });
      size_t k = 0;
      for (size_t i = 0; i < reach.size(); ++i) {
        if (k > 0 && reach[k - 1].first == reach[i].first) {
          reach[k - 1].second.Add(reach[i].second);
        } else {
          reach[k++] = reach[i];
        }
      }
      reach.resize(k);
      if (o.Kind != ObjKind::Line) {
        const Paths a = ObjArea(o, li->Img);
        for (const auto& [r, b] : reach) pieces[r].insert(pieces[r].end(), a.begin(), a.end());
        continue;
      }
      // A track only where it may reach the openings: its middle cut to
      // their box grown by half its width.
      for (const auto& [r, ob] : reach) {
        double t0 = 0, t1 = 1;
        if (CutToBox(o, ob, t0, t1)) {
          const double dx = o.X2 - o.X1, dy = o.Y2 - o.Y1;
          pieces[r].push_back(StadiumPath(o.X1 + t0 * dx, o.Y1 + t0 * dy, o.X1 + t1 * dx, o.Y1 + t1 * dy, o.W));
        }
      }
    }
  }
  // One scan: the areas near the openings (a plane the mask opens) and
  // the pieces dark, then all cleared but the openings and the pads drawn
  // as they are. Under the positive rule the box counts one and each
  // opening over a point one less: overlapping openings need no union,
  // and openings far apart share the scan.
  // The runs' outlines by their boxes, or (past a few) by the box of all.
  Box all;
  std::vector<Box> runBoxes;
  for (const AreaLayer& r : runs) {
    for (const Path& q : r.Outlines) runBoxes.push_back(PathBox(q)), all.Add(runBoxes.back());
  }
  if (runBoxes.size() > 64) runBoxes.assign(1, all);
  const auto underRuns = [&](const Box& B) {
    return std::any_of(runBoxes.begin(), runBoxes.end(), [&](const Box& R) { return R.Meets(B); });
  };
  AreaLayer dark, clear{{}, true, true};
  for (uint32_t n = 0; n < count; ++n) {
    if (root(n) != n || (pieces[n].empty() && !underRuns(groupBox[n]))) continue;
    all = PathsBox(pieces[n], all);
    dark.Outlines.insert(dark.Outlines.end(), std::make_move_iterator(pieces[n].begin()),
                         std::make_move_iterator(pieces[n].end()));
    for (const uint32_t m : members[n]) {
      if (!met[m] && !underRuns(g.Items[m].B)) continue;
      clear.Outlines.insert(clear.Outlines.end(), drawn[m].begin(), drawn[m].end());
      for (const Path& q : g.Items[m].Area) clear.Outlines.push_back(q), ClipperLib::ReversePath(clear.Outlines.back());
    }
  }
  if (dark.Outlines.empty() && runs.empty()) return;
  all.Add(all.X0 - 2, all.Y0 - 2, 0), all.Add(all.X1 + 2, all.Y1 + 2, 0);
  clear.Outlines.push_back(BoxPath(all));
  runs.push_back(std::move(dark));
  runs.push_back(std::move(clear));
  E.Hatched(Finish, runs);
}

// The calls of Cs from From on moved by Dx, Dy (host units), and first,
// for the side seen from below, mirrored across the vertical line
// X = Sum / 2: a quarter arc from angle A then runs from 90 - A.
void Place(std::deque<CamCall>& Cs, size_t From, bool Mirror, int64_t Sum, int64_t Dx, int64_t Dy) {
  const auto to = [](int32_t& V, int64_t W) {
    if (W < -static_cast<int64_t>(HostLimit) || W > static_cast<int64_t>(HostLimit)) {
      throw CamError(0, "the board is larger than the host's 32-bit plot area of 10 um units");
    }
    V = static_cast<int32_t>(W);
  };
  for (size_t k = From; k < Cs.size(); ++k) {
    CamCall& c = Cs[k];
    for (int p = 0; p < (c.What == Verb::DrawLine ? 4 : 2); p += 2) {
      to(c.Arg[p], (Mirror ? Sum - c.Arg[p] : c.Arg[p]) + Dx);
      to(c.Arg[p + 1], c.Arg[p + 1] + Dy);
    }
    if (Mirror && c.What == Verb::DrawArc && c.Arg[4] - c.Arg[3] == 90) {
      c.Arg[3] = (450 - c.Arg[3]) % 360, c.Arg[4] = c.Arg[3] + 90;
    }
  }
}

}  // namespace

static bool ComposeView(const std::vector<CamLayerImage>& images, double MarginMm, BoardSide Side, int32_t MaxAperture,
                        std::deque<CamCall>& Calls, std::vector<std::string>& Errors,
                        std::vector<std::string>& Warnings) {
  try {
    const Paths board = BoardShape(images, Warnings);
    if (board.empty()) {
      Errors.push_back("the files give no board to view");
      return false;
    }
    // What lies wholly outside the board's box is not drawn.
    const Box keepClip = PathsBox(board);
    Box keep;
    keep.Add(std::floor(keepClip.X0 / ClipScale), std::floor(keepClip.Y0 / ClipScale), 0);
    keep.Add(std::ceil(keepClip.X1 / ClipScale), std::ceil(keepClip.Y1 / ClipScale), 0);
    const int64_t sum = static_cast<int64_t>(keep.X0 + keep.X1);
    const int64_t dx = Side == BoardSide::Both ? static_cast<int64_t>(keep.X1 - keep.X0) + SideGap : 0;
    const std::vector<HatchStroke> boardStrokes = HatchOf(board);

    Emitter em;
    em.MaxAperture = MaxAperture;
    Paths boards;
    const auto side = [&](bool Bottom, int64_t Dx) {
      size_t from[StepCount];
      for (int s = 0; s < StepCount; ++s) from[s] = em.Draw[s].size();
      const Images copper = OnLayer(images, Bottom ? 0 : 1), masks = OnLayer(images, Bottom ? 20 : 21);
      DrawStrokes(em, Substrate, boardStrokes);
      DrawImages(em, masks.empty() ? Bare : Copper, copper, keep, keepClip);
      if (!masks.empty()) DrawStrokes(em, Mask, boardStrokes);
      DrawImages(em, Silk, OnLayer(images, Bottom ? 22 : 23), keep, keepClip);
      if (!masks.empty()) {
        DrawImages(em, Open, masks, keep, keepClip);
        DrawFinish(em, copper, masks, keep, keepClip);
      }
      const Images drills = OnLayer(images, 24);
      DrawImages(em, Holes, drills, keep, keepClip, Part::Drills);
      DrawImages(em, NoBoard, drills, keep, keepClip, Part::AllButDrills);
      for (int s = 0; s < StepCount; ++s) Place(em.Draw[s], from[s], Bottom, sum, Dx, 0);
      const Paths b = Bottom ? Mirrored(board, sum * static_cast<ClipperLib::cInt>(ClipScale),
                                        Dx * static_cast<ClipperLib::cInt>(ClipScale))
                             : board;
      boards.insert(boards.end(), b.begin(), b.end());
    };
    if (Side != BoardSide::Bottom) side(false, 0);
    if (Side != BoardSide::Top) side(true, dx);

    // The plot area: the boards' box and the margin, from 0,0; all of it
    // that is not board is painted over last.
    const Box all = PathsBox(boards);
    const double margin = std::round(MarginMm * 100.0);
    const double ox = std::floor(all.X0 / ClipScale) - margin, oy = std::floor(all.Y0 / ClipScale) - margin;
    const double w = std::ceil(all.X1 / ClipScale) + margin - ox, h = std::ceil(all.Y1 / ClipScale) + margin - oy;
    if (w > HostLimit || h > HostLimit || std::fabs(ox) > HostLimit || std::fabs(oy) > HostLimit) {
      Errors.push_back("the board is larger than the host's 32-bit plot area of 10 um units");
      return false;
    }
    // The page's dashed frame stays in sight: its stroke reaches FrameHalf
    // into the page.
    Box page;
    page.Add((ox + FrameHalf) * ClipScale, (oy + FrameHalf) * ClipScale, 0);
    page.Add((ox + w - FrameHalf) * ClipScale, (oy + h - FrameHalf) * ClipScale, 0);
    Paths outside{BoxPath(page)};
    Subtract(outside, boards);
    DrawStrokes(em, NoBoard, HatchOf(outside));

    Calls.assign(em.ApertureCalls.begin(), em.ApertureCalls.end());
    Calls.push_back(CamCall{Verb::OpenEquip, {0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h), 0, 0}});
    int32_t open = -1;
    for (int s = 0; s < StepCount; ++s) {
      std::deque<CamCall>& d = em.Draw[s];
      if (d.empty()) continue;
      Place(d, 0, false, 0, static_cast<int64_t>(-ox), static_cast<int64_t>(-oy));
      if (StepLayer[s] != open) Calls.push_back(CamCall{Verb::OpenLayer, {StepLayer[s], 0, 0, 0, 0, 0}});
      open = StepLayer[s];
      for (; !d.empty(); d.pop_front()) Calls.push_back(d.front());
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

bool ImportView(const CamOptions& Options, BoardSide Side, int32_t MaxAperture, std::deque<CamCall>& Calls,
                std::vector<std::string>& Errors, std::vector<std::string>& Warnings) {
  // The outline, the holes and the copper, mask and silkscreen of the
  // sides shown; when no outline is given, the copper of every layer for
  // the board's box.
  uint32_t wanted = 1u << 3 | 1u << 24 | 0x3FF4u | 1u << 0 | 1u << 1;
  if (Side != BoardSide::Bottom) wanted |= 1u << 21 | 1u << 23;
  if (Side != BoardSide::Top) wanted |= 1u << 20 | 1u << 22;
  std::vector<CamLayerImage> images;
  if (!ReadCamImages(Options, wanted, images, Errors, Warnings)) return false;
  return ComposeView(images, Options.MarginMm, Side, MaxAperture, Calls, Errors, Warnings);
}

bool ViewCheckText(const std::string& Name, const std::string& Text, std::string& Error) {
  // The one file as the outline, the copper, the mask, the silkscreen of
  // both sides and the holes at once.
  CamLayerImage outline;
  outline.Layer = 3;
  if (!ReadCamImageText(Name, Text, outline, Error)) return false;
  CamLayerImage other;
  if (!ReadCamImageText(Name, Text, other, Error)) return false;
  std::vector<CamLayerImage> images{outline};
  for (const int32_t l : {0, 1, 20, 21, 22, 23, 24}) {
    images.push_back(other);
    images.back().Layer = l;
  }
  std::deque<CamCall> calls;
  std::vector<std::string> errors, warnings;
  if (!ComposeView(images, 2.0, BoardSide::Both, 600, calls, errors, warnings)) {
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
