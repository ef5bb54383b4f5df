// Geometry.cpp: shapes as polygons, boolean operations (Clipper), and the
// hatching that fills an area with strokes of a round pen, as photoplotters
// and layout programs fill areas.
#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "CamModel.h"
#include "Hatch.h"

namespace cam {
namespace {

constexpr double Pi = 3.14159265358979323846;
using ClipperLib::cInt;

void Boolean(ClipperLib::ClipType Op, Paths& Acc, const Paths& Other) {
  ClipperLib::Clipper c;
  c.AddPaths(Acc, ClipperLib::ptSubject, true);
  c.AddPaths(Other, ClipperLib::ptClip, true);
  Paths out;
  c.Execute(Op, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
  Acc.swap(out);
}

Paths Offset(const Paths& P, double Delta, double ArcTol) {
  ClipperLib::ClipperOffset o(2.0, ArcTol * ClipScale);
  o.AddPaths(P, ClipperLib::jtRound, ClipperLib::etClosedPolygon);
  Paths out;
  o.Execute(out, Delta * ClipScale);
  return out;
}

double AbsArea(const Paths& P) {
  double a = 0;
  for (const Path& p : P) a += ClipperLib::Area(p);
  return std::fabs(a) / (ClipScale * ClipScale);
}

double Perimeter(const Paths& P) {
  double l = 0;
  for (const Path& p : P) {
    for (size_t k = 0; k < p.size(); ++k) {
      const IntPoint& a = p[k];
      const IntPoint& b = p[(k + 1) % p.size()];
      l += std::hypot(static_cast<double>(b.X - a.X), static_cast<double>(b.Y - a.Y));
    }
  }
  return l / ClipScale;
}

// How far a stroked edge may stray from the true one, in host units: a
// tenth of a pixel at 250 pixels per millimetre, and few enough points on
// the rounded corners that eroding an area makes.
constexpr double StrokeTolerance = 1.0;

// Douglas-Peucker on an open polyline, tolerance in clip units.
void Simplify(const Path& In, size_t A, size_t B, double Tol, std::vector<bool>& Keep) {
  if (B <= A + 1) return;
  const double ax = static_cast<double>(In[A].X), ay = static_cast<double>(In[A].Y);
  const double dx = static_cast<double>(In[B].X) - ax, dy = static_cast<double>(In[B].Y) - ay;
  const double len = std::hypot(dx, dy);
  double worst = -1;
  size_t at = A;
  for (size_t k = A + 1; k < B; ++k) {
    const double px = static_cast<double>(In[k].X) - ax, py = static_cast<double>(In[k].Y) - ay;
    const double d = len > 0 ? std::fabs(px * dy - py * dx) / len : std::hypot(px, py);
    if (d > worst) worst = d, at = k;
  }
  if (worst > Tol) {
    Keep[at] = true;
    Simplify(In, A, at, Tol, Keep);
    Simplify(In, at, B, Tol, Keep);
  }
}

void EmitPolyline(const Path& P, int32_t Pen, std::vector<HatchStroke>& Out) {
  if (P.size() < 2) return;
  std::vector<bool> keep(P.size(), false);
  keep.front() = keep.back() = true;
  Simplify(P, 0, P.size() - 1, StrokeTolerance * ClipScale, keep);
  const IntPoint* prev = nullptr;
  for (size_t k = 0; k < P.size(); ++k) {
    if (!keep[k]) continue;
    if (prev != nullptr) {
      if (Out.size() >= MaxHatchStrokes) throw CamError(0, "the areas take more than " + std::to_string(MaxHatchStrokes) + " strokes to fill");
      Out.push_back({std::llround(prev->X / ClipScale), std::llround(prev->Y / ClipScale),
                     std::llround(P[k].X / ClipScale), std::llround(P[k].Y / ClipScale), Pen});
    }
    prev = &P[k];
  }
}

// The stroked edge: each outline of E, closed, drawn with the pen.
void EmitOutlines(const Paths& E, int32_t Pen, std::vector<HatchStroke>& Out) {
  for (const Path& p : E) {
    if (p.size() < 2) continue;
    Path q = p;
    q.push_back(p.front());
    EmitPolyline(q, Pen, Out);
  }
}

// The inside: rows of E at a pitch of 0.8 pen, one stroke per span of a
// row (non-zero rule), found by a scanline over E's edges. A span shorter
// than the chord that a pen-wide disc inside E leaves on its nearest row
// holds no point further than half a pen from E's edge, which the stroked
// edge covers already: it is left out.
bool RowsOnGrid = false;  // set while stripes of a large area are hatched

void EmitRows(const Paths& E, int32_t Pen, std::vector<HatchStroke>& Out) {
  struct Edge {
    cInt Y0, Y1;  // Y0 < Y1; the edge holds rows Y0 <= y < Y1
    double X0, Slope;
    int Dir;
  };
  std::vector<Edge> edges;
  cInt y0 = 0, y1 = 0;
  bool first = true;
  for (const Path& p : E) {
    for (size_t k = 0; k < p.size(); ++k) {
      const IntPoint& a = p[k];
      const IntPoint& b = p[(k + 1) % p.size()];
      if (first) y0 = y1 = a.Y, first = false;
      y0 = std::min(y0, a.Y), y1 = std::max(y1, a.Y);
      if (a.Y == b.Y) continue;
      const IntPoint& lo = a.Y < b.Y ? a : b;
      const IntPoint& hi = a.Y < b.Y ? b : a;
      edges.push_back({lo.Y, hi.Y, static_cast<double>(lo.X),
                       static_cast<double>(hi.X - lo.X) / static_cast<double>(hi.Y - lo.Y), a.Y < b.Y ? 1 : -1});
    }
  }
  if (edges.empty()) return;
  std::sort(edges.begin(), edges.end(), [](const Edge& A, const Edge& B) { return A.Y0 < B.Y0; });
  const double w = Pen * ClipScale, pitch = 0.8 * w;
  const double minSpan = 0.95 * std::sqrt(w * w - pitch * pitch);
  const double span = static_cast<double>(y1 - y0);
  if (span / pitch > MaxHatchRows) throw CamError(0, "an area too tall to fill with rows of strokes");
  // Rows centred on E, or on the whole multiples of the pitch (so that rows
  // of neighbouring stripes meet) with a row half a pitch inside E's lowest
  // and highest points where the multiples leave more.
  std::vector<cInt> rows;
  if (!RowsOnGrid) {
    const long n = static_cast<long>(std::floor(span / pitch)) + 1;
    const double start = static_cast<double>(y0) + (span - static_cast<double>(n - 1) * pitch) / 2;
    for (long k = 0; k < n; ++k) rows.push_back(static_cast<cInt>(std::llround(start + static_cast<double>(k) * pitch)));
  } else {
    const double g0 = std::ceil(static_cast<double>(y0) / pitch) * pitch;
    if (g0 - static_cast<double>(y0) > pitch / 2) rows.push_back(y0 + static_cast<cInt>(pitch / 2));
    for (double g = g0; g <= static_cast<double>(y1); g += pitch) rows.push_back(static_cast<cInt>(std::llround(g)));
    if (rows.empty() || static_cast<double>(y1 - rows.back()) > pitch / 2) rows.push_back(y1 - static_cast<cInt>(pitch / 2));
  }
  std::vector<const Edge*> active;
  std::vector<std::pair<double, int>> xs;
  size_t next = 0;
  for (const cInt y : rows) {
    while (next < edges.size() && edges[next].Y0 <= y) active.push_back(&edges[next++]);
    active.erase(std::remove_if(active.begin(), active.end(), [y](const Edge* e) { return e->Y1 <= y; }),
                 active.end());
    xs.clear();
    for (const Edge* e : active) {
      if (e->Y0 <= y) xs.emplace_back(e->X0 + e->Slope * static_cast<double>(y - e->Y0), e->Dir);
    }
    std::sort(xs.begin(), xs.end());
    int winding = 0;
    double from = 0;
    for (const auto& [x, dir] : xs) {
      const int before = winding;
      winding += dir;
      if (before == 0 && winding != 0) from = x;
      if (before != 0 && winding == 0 && x - from >= minSpan) {
        const int64_t yy = std::llround(static_cast<double>(y) / ClipScale);
        if (Out.size() >= MaxHatchStrokes) throw CamError(0, "the areas take more than " + std::to_string(MaxHatchStrokes) + " strokes to fill");
        Out.push_back({std::llround(from / ClipScale), yy, std::llround(x / ClipScale), yy, Pen});
      }
    }
  }
}

// The pen for a connected area (an outline and its holes): the widest that
// fits its mean thickness, so that thin areas are not left to the fine pen
// alone and wide ones take few strokes.
int32_t PenFor(const Paths& Comp) {
  const double thick = 2 * AbsArea(Comp) / std::max(Perimeter(Comp), 1e-9);
  for (int32_t p : {128, 64, 32, 16}) {
    if (p <= 0.9 * thick) return p;
  }
  return FinePen;
}

void Components(const ClipperLib::PolyNode& N, std::map<int32_t, Paths>& ByPen) {
  for (const ClipperLib::PolyNode* c : N.Childs) {
    // c is an outline; its children are holes, whose children are islands.
    Paths comp{c->Contour};
    for (const ClipperLib::PolyNode* h : c->Childs) comp.push_back(h->Contour);
    Paths& to = ByPen[PenFor(comp)];
    to.insert(to.end(), comp.begin(), comp.end());
    for (const ClipperLib::PolyNode* h : c->Childs) Components(*h, ByPen);
  }
}

// Fills Area with one pen: the area less half a pen, stroked along its edge
// and in rows; returns the part of Area the pen cannot reach (sharp corners,
// necks thinner than the pen), unless Last.
Paths HatchWith(const Paths& Area, int32_t Pen, bool Last, std::vector<HatchStroke>& Out) {
  const Paths e = Offset(Area, -Pen / 2.0, StrokeTolerance);
  EmitOutlines(e, Pen, Out);
  EmitRows(e, Pen, Out);
  if (Last) return {};
  Paths left = Area;
  Boolean(ClipperLib::ctDifference, left, Offset(e, Pen / 2.0, 0.5));
  // The rounded offsets leave slivers a fraction of a unit thin along every
  // edge of the area: no finer pen fits them, but they would make each
  // further offset go over the whole outline again. Only parts at least
  // half a unit thick on average go on.
  Paths keep;
  for (Path& p : left) {
    if (std::fabs(ClipperLib::Area(p)) / (ClipScale * ClipScale) >= 0.25 * Perimeter({p})) keep.push_back(std::move(p));
  }
  return keep;
}

}  // namespace

IntPoint ToClip(double X, double Y) {
  return {static_cast<cInt>(std::llround(X * ClipScale)), static_cast<cInt>(std::llround(Y * ClipScale))};
}

int ArcSteps(double R, double SweepDeg) {
  // Chord error at most 0.25 host units, or 20 ppm of the radius on arcs
  // over 125 mm: a full circle takes at most some 500 points whatever its
  // size, so that huge arcs cannot make outlines of millions of points.
  const double tol = std::max(0.25, R * 2e-5);
  double step = R > tol ? 2 * std::acos(1 - tol / R) : Pi / 2;
  step = std::max(step, 1e-4);
  const double n = std::ceil(std::fabs(SweepDeg) * Pi / 180.0 / step);
  return static_cast<int>(std::clamp(n, 1.0, 100000.0));
}

Path CirclePath(double CX, double CY, double R) {
  const int n = std::max(8, ArcSteps(std::fabs(R), 360));
  Path p;
  p.reserve(static_cast<size_t>(n));
  for (int k = 0; k < n; ++k) {
    const double a = 2 * Pi * k / n;
    p.push_back(ToClip(CX + R * std::cos(a), CY + R * std::sin(a)));
  }
  return p;
}

Path StadiumPath(double X1, double Y1, double X2, double Y2, double W) {
  const double r = W / 2;
  const double base = std::atan2(Y2 - Y1, X2 - X1);
  const int n = std::max(4, ArcSteps(r, 180));
  Path p;
  for (int k = 0; k <= n; ++k) {
    const double a = base - Pi / 2 + Pi * k / n;
    p.push_back(ToClip(X2 + r * std::cos(a), Y2 + r * std::sin(a)));
  }
  for (int k = 0; k <= n; ++k) {
    const double a = base + Pi / 2 + Pi * k / n;
    p.push_back(ToClip(X1 + r * std::cos(a), Y1 + r * std::sin(a)));
  }
  return p;
}

Path ObroundPath(double CX, double CY, double W, double H) {
  if (W > H) return StadiumPath(CX - (W - H) / 2, CY, CX + (W - H) / 2, CY, H);
  if (H > W) return StadiumPath(CX, CY - (H - W) / 2, CX, CY + (H - W) / 2, W);
  return CirclePath(CX, CY, W / 2);
}

Path RectPath(double CX, double CY, double W, double H) {
  return {ToClip(CX - W / 2, CY - H / 2), ToClip(CX + W / 2, CY - H / 2), ToClip(CX + W / 2, CY + H / 2),
          ToClip(CX - W / 2, CY + H / 2)};
}

void UnionInto(Paths& Acc, const Paths& Add) { Boolean(ClipperLib::ctUnion, Acc, Add); }
void Subtract(Paths& Acc, const Paths& Cut) { Boolean(ClipperLib::ctDifference, Acc, Cut); }

Paths Normalised(const Paths& In) {
  Paths out;
  ClipperLib::SimplifyPolygons(In, out, ClipperLib::pftEvenOdd);
  return out;
}

Path Hull(std::vector<IntPoint> Pts) {
  std::sort(Pts.begin(), Pts.end(), [](const IntPoint& A, const IntPoint& B) {
    return A.X < B.X || (A.X == B.X && A.Y < B.Y);
  });
  Pts.erase(std::unique(Pts.begin(), Pts.end()), Pts.end());
  if (Pts.size() < 3) return Pts;
  auto cross = [](const IntPoint& O, const IntPoint& A, const IntPoint& B) {
    return static_cast<double>(A.X - O.X) * static_cast<double>(B.Y - O.Y) -
           static_cast<double>(A.Y - O.Y) * static_cast<double>(B.X - O.X);
  };
  Path h(2 * Pts.size());
  size_t k = 0;
  for (size_t i = 0; i < Pts.size(); ++i) {
    while (k >= 2 && cross(h[k - 2], h[k - 1], Pts[i]) <= 0) --k;
    h[k++] = Pts[i];
  }
  for (size_t i = Pts.size() - 1, t = k + 1; i > 0; --i) {
    while (k >= t && cross(h[k - 2], h[k - 1], Pts[i - 1]) <= 0) --k;
    h[k++] = Pts[i - 1];
  }
  h.resize(k - 1);
  return h;
}

Paths ObjArea(const Obj& O, const Image& Img) {
  switch (O.Kind) {
    case ObjKind::Line:
      return {StadiumPath(O.X1, O.Y1, O.X2, O.Y2, O.W)};
    case ObjKind::Arc: {
      const int steps = ArcSteps(O.R, O.Sweep);
      Path line;
      line.push_back(ToClip(O.X1, O.Y1));
      for (int k = 1; k < steps; ++k) {
        const double a = (O.A0 + O.Sweep * k / steps) * Pi / 180.0;
        line.push_back(ToClip(O.CX + O.R * std::cos(a), O.CY + O.R * std::sin(a)));
      }
      line.push_back(ToClip(O.X2, O.Y2));
      ClipperLib::ClipperOffset off(2.0, 0.25 * ClipScale);
      off.AddPath(line, ClipperLib::jtRound, ClipperLib::etOpenRound);
      Paths out;
      off.Execute(out, O.W / 2 * ClipScale);
      return out;
    }
    case ObjKind::Flash:
      if (O.Shape == PadRect) return {RectPath(O.X1, O.Y1, O.W, O.H)};
      if (O.Shape == PadRing) {
        Paths p{CirclePath(O.X1, O.Y1, O.W / 2 + O.H)};
        Subtract(p, {CirclePath(O.X1, O.Y1, O.W / 2)});
        return p;
      }
      return {ObroundPath(O.X1, O.Y1, O.W, O.H)};
    case ObjKind::Drill:
      return {CirclePath(O.X1, O.Y1, O.W / 2)};
    case ObjKind::Area:
      return Img.Areas[O.Index];
  }
  return {};
}

Paths XformPaths(const Paths& P, const Xform& T) {
  Paths out;
  out.reserve(P.size());
  for (const Path& p : P) {
    Path q;
    q.reserve(p.size());
    for (const IntPoint& pt : p) {
      const double x = static_cast<double>(pt.X), y = static_cast<double>(pt.Y);
      q.push_back({static_cast<cInt>(std::llround(T.A * x + T.B * y + T.C * ClipScale)),
                   static_cast<cInt>(std::llround(T.D * x + T.E * y + T.F * ClipScale))});
    }
    // A mirror turns outlines clockwise: turn them back, so that the
    // non-zero rule still fills outlines and leaves holes.
    if (T.A * T.E - T.B * T.D < 0) ClipperLib::ReversePath(q);
    out.push_back(std::move(q));
  }
  return out;
}

namespace {

// Hatches Merged (outlines that share no edges) with the pen cascade.
void HatchMerged(const Paths& Merged, std::vector<HatchStroke>& Out) {
  ClipperLib::Clipper c;
  c.AddPaths(Merged, ClipperLib::ptSubject, true);
  ClipperLib::PolyTree tree;
  c.Execute(ClipperLib::ctUnion, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
  // The parts of equal pen are hatched together, widest pen first; what a
  // pen leaves goes on to the next finer one.
  std::map<int32_t, Paths> byPen;
  Components(tree, byPen);
  tree.Clear();
  Paths carry;
  for (int32_t pen : {128, 64, 32, 16, FinePen}) {
    Paths& set = byPen[pen];
    set.insert(set.end(), carry.begin(), carry.end());
    if (set.empty()) continue;
    carry = HatchWith(set, pen, pen == FinePen, Out);
  }
}

// Keeps the part of each stroke from First on that covers points with X
// from X0 to X1 (host units).
void KeepBetween(std::vector<HatchStroke>& Out, size_t First, double X0, double X1) {
  size_t to = First;
  for (size_t k = First; k < Out.size(); ++k) {
    HatchStroke s = Out[k];
    const double half = s.Pen / 2.0;
    const double ax = static_cast<double>(s.X1), bx = static_cast<double>(s.X2);
    if (std::max(ax, bx) < X0 - half || std::min(ax, bx) > X1 + half) continue;
    if (s.Y1 == s.Y2) {
      // A row's nearest point to a point between X0 and X1 lies between
      // them too, or is the row's end: cut it there, at most to a dot at
      // its end, so that the pieces of neighbouring stripes meet.
      const int64_t lo = std::min(s.X1, s.X2), hi = std::max(s.X1, s.X2);
      s.X1 = std::clamp<int64_t>(std::llround(X0), lo, hi);
      s.X2 = std::clamp<int64_t>(std::llround(X1), lo, hi);
    } else if (ax != bx) {
      // A slanting stroke covers points up to half a pen further along X.
      const double ay = static_cast<double>(s.Y1), by = static_cast<double>(s.Y2);
      double t0 = (X0 - half - ax) / (bx - ax), t1 = (X1 + half - ax) / (bx - ax);
      if (t0 > t1) std::swap(t0, t1);
      t0 = std::max(t0, 0.0), t1 = std::min(t1, 1.0);
      if (t0 > 0) s.X1 = std::llround(ax + (bx - ax) * t0), s.Y1 = std::llround(ay + (by - ay) * t0);
      if (t1 < 1) s.X2 = std::llround(ax + (bx - ax) * t1), s.Y2 = std::llround(ay + (by - ay) * t1);
    }
    Out[to++] = s;
  }
  Out.resize(to);
}

// Outline points per stripe of a large area: Clipper's merging and offsets
// take time that grows faster than the points when many outlines and holes
// lie side by side (a poured plane), so large areas go in vertical stripes
// (fewer edges across each scanline). Each seam costs some strokes cut in
// two, hence not too many.
constexpr size_t StripePoints = 16000;
constexpr int MaxStripes = 64;
// How far a stripe reaches past its own stripe, host units: the cut edges
// only change what lies within the widest pen of them.
constexpr double StripeOverlap = 256;

}  // namespace

void HatchOutlined(const Paths& Area, std::vector<HatchStroke>& Out) {
  // The rows of the finest pen over the whole height bound the work; refuse
  // before any boolean operation, whose cost grows with the size too.
  cInt y0 = 0, y1 = 0;
  bool first = true;
  for (const Path& p : Area) {
    for (const IntPoint& q : p) {
      if (first) y0 = y1 = q.Y, first = false;
      y0 = std::min(y0, q.Y), y1 = std::max(y1, q.Y);
    }
  }
  if (static_cast<double>(y1 - y0) / (0.8 * FinePen * ClipScale) > MaxHatchRows) {
    throw CamError(0, "the areas span more than " + std::to_string(static_cast<int>(MaxHatchRows * 0.8 * FinePen / 100000)) +
                          " m: too tall to fill with rows of strokes");
  }
  size_t points = 0;
  for (const Path& p : Area) points += p.size();
  const int stripes = static_cast<int>(std::min<size_t>(MaxStripes, points / StripePoints + 1));
  if (stripes == 1) {
    // One union of everything first: Clipper's tree output fixes up
    // outlines that share edges in quadratic time, and merged outlines
    // share none.
    Paths merged = Area;
    UnionInto(merged, {});
    HatchMerged(merged, Out);
    return;
  }
  // Vertical stripes of about equal numbers of points; each is hatched from
  // the area cut to the stripe and its overlap, and keeps the strokes that
  // reach into the stripe. The cut adds no area: no stroke strays outside.
  std::vector<cInt> xs;
  xs.reserve(points);
  for (const Path& p : Area) {
    for (const IntPoint& q : p) xs.push_back(q.X);
  }
  std::sort(xs.begin(), xs.end());
  std::vector<cInt> edge{xs.front()};
  for (int k = 1; k < stripes; ++k) {
    const cInt x = xs[xs.size() * static_cast<size_t>(k) / static_cast<size_t>(stripes)];
    if (x > edge.back()) edge.push_back(x);
  }
  if (xs.back() + 1 > edge.back()) edge.push_back(xs.back() + 1);
  xs.clear();
  xs.shrink_to_fit();
  std::vector<std::pair<cInt, cInt>> spans;  // each path's X extent
  spans.reserve(Area.size());
  for (const Path& p : Area) {
    cInt lo = p.empty() ? 0 : p[0].X, hi = lo;
    for (const IntPoint& q : p) lo = std::min(lo, q.X), hi = std::max(hi, q.X);
    spans.emplace_back(lo, hi);
  }
  const cInt over = static_cast<cInt>(StripeOverlap * ClipScale);
  const size_t start = Out.size();
  struct GridRows {  // rows on the grid while the stripes are hatched
    GridRows() { RowsOnGrid = true; }
    ~GridRows() { RowsOnGrid = false; }
  } grid;
  for (size_t k = 0; k + 1 < edge.size(); ++k) {
    const cInt lo = edge[k] - over, hi = edge[k + 1] + over;
    ClipperLib::Clipper c;
    for (size_t i = 0; i < Area.size(); ++i) {
      if (spans[i].second >= lo && spans[i].first <= hi) c.AddPath(Area[i], ClipperLib::ptSubject, true);
    }
    c.AddPath({{lo, y0 - 1}, {hi, y0 - 1}, {hi, y1 + 1}, {lo, y1 + 1}}, ClipperLib::ptClip, true);
    Paths part;
    c.Execute(ClipperLib::ctIntersection, part, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
    const size_t from = Out.size();
    HatchMerged(part, Out);
    KeepBetween(Out, from, static_cast<double>(edge[k]) / ClipScale, static_cast<double>(edge[k + 1]) / ClipScale);
  }
  // The pieces of a row cut at the stripes' edges join again; each pen's
  // strokes go together, widest first, as without stripes.
  std::stable_sort(Out.begin() + static_cast<std::ptrdiff_t>(start), Out.end(),
                   [](const HatchStroke& A, const HatchStroke& B) {
                     if (A.Pen != B.Pen) return A.Pen > B.Pen;
                     const bool ra = A.Y1 == A.Y2, rb = B.Y1 == B.Y2;
                     if (ra != rb) return rb;  // outlines, then rows
                     if (!ra) return false;
                     return A.Y1 != B.Y1 ? A.Y1 < B.Y1 : std::min(A.X1, A.X2) < std::min(B.X1, B.X2);
                   });
  size_t to = start;
  for (size_t k = start; k < Out.size(); ++k) {
    HatchStroke s = Out[k];
    if (s.X1 > s.X2 && s.Y1 == s.Y2) std::swap(s.X1, s.X2);
    if (to > start) {
      HatchStroke& p = Out[to - 1];
      if (s.Y1 == s.Y2 && p.Y1 == p.Y2 && p.Y1 == s.Y1 && p.Pen == s.Pen && s.X1 <= p.X2) {
        p.X2 = std::max(p.X2, s.X2);
        continue;
      }
    }
    Out[to++] = s;
  }
  Out.resize(to);
}

}  // namespace cam
