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
  const long n = static_cast<long>(std::floor(span / pitch)) + 1;
  const double start = static_cast<double>(y0) + (span - static_cast<double>(n - 1) * pitch) / 2;
  std::vector<const Edge*> active;
  std::vector<std::pair<double, int>> xs;
  size_t next = 0;
  for (long k = 0; k < n; ++k) {
    const cInt y = static_cast<cInt>(std::llround(start + static_cast<double>(k) * pitch));
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

void Hatch(const Paths& Area, std::vector<HatchStroke>& Out) {
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
  // One union of everything first: Clipper's tree output fixes up outlines
  // that share edges in quadratic time, and merged outlines share none.
  Paths merged = Area;
  UnionInto(merged, {});
  ClipperLib::Clipper c;
  c.AddPaths(merged, ClipperLib::ptSubject, true);
  ClipperLib::PolyTree tree;
  c.Execute(ClipperLib::ctUnion, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
  merged.clear();
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

}  // namespace cam
