// Geometry.cpp: shapes as polygons, boolean operations (Clipper), and the
// hatching that fills an area with strokes of a round pen, as photoplotters
// and layout programs fill areas.
#include <algorithm>
#include <cmath>

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

// Open paths clipped by a closed area.
Paths ClipOpen(const Paths& Open, const Paths& Area) {
  if (Open.empty() || Area.empty()) return {};
  ClipperLib::Clipper c;
  c.AddPaths(Open, ClipperLib::ptSubject, false);
  c.AddPaths(Area, ClipperLib::ptClip, true);
  ClipperLib::PolyTree tree;
  c.Execute(ClipperLib::ctIntersection, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
  Paths out;
  ClipperLib::OpenPathsFromPolyTree(tree, out);
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
  Simplify(P, 0, P.size() - 1, 0.4 * ClipScale, keep);
  const IntPoint* prev = nullptr;
  for (size_t k = 0; k < P.size(); ++k) {
    if (!keep[k]) continue;
    if (prev != nullptr) {
      Out.push_back({std::llround(prev->X / ClipScale), std::llround(prev->Y / ClipScale),
                     std::llround(P[k].X / ClipScale), std::llround(P[k].Y / ClipScale), Pen});
    }
    prev = &P[k];
  }
}

// Fills one connected area (an outline and its holes).
void HatchComponent(const Paths& S, std::vector<HatchStroke>& Out) {
  const double area = AbsArea(S);
  if (area <= 0) return;
  const double thick = 2 * area / std::max(Perimeter(S), 1e-9);
  int32_t top = FinePen;
  for (int32_t p : {128, 64, 32, 16}) {
    if (p <= 0.9 * thick) {
      top = p;
      break;
    }
  }
  Paths target = S;
  const int32_t pens[2] = {top, FinePen};
  for (int level = 0; level < (top == FinePen ? 1 : 2); ++level) {
    const double h = pens[level];
    const Paths e = Offset(S, -h / 2, 0.5);
    if (e.empty()) continue;
    Paths region = e, near;
    if (level > 0) {
      near = Offset(target, h / 2, 0.5);
      Boolean(ClipperLib::ctIntersection, region, near);
      if (region.empty()) continue;
    }
    // The edge: the eroded outline, stroked.
    Paths edge;
    for (const Path& p : e) {
      Path q = p;
      q.push_back(p.front());
      edge.push_back(std::move(q));
    }
    if (level > 0) edge = ClipOpen(edge, near);
    for (const Path& p : edge) EmitPolyline(p, pens[level], Out);
    // The inside: rows of strokes where the edge does not reach.
    const Paths deep = Offset(region, -0.08 * h, 0.5);
    if (!deep.empty()) {
      cInt y0 = deep[0][0].Y, y1 = y0, x0 = deep[0][0].X, x1 = x0;
      for (const Path& p : deep) {
        for (const IntPoint& q : p) {
          y0 = std::min(y0, q.Y), y1 = std::max(y1, q.Y), x0 = std::min(x0, q.X), x1 = std::max(x1, q.X);
        }
      }
      const double pitch = 0.8 * h * ClipScale;
      const cInt ext = static_cast<cInt>(pitch);
      Paths rows;
      // Rows centred in the span so that small areas get one middle row.
      const double span = static_cast<double>(y1 - y0);
      const long n = static_cast<long>(std::floor(span / pitch)) + 1;
      const double first = static_cast<double>(y0) + (span - (n - 1) * pitch) / 2;
      for (long k = 0; k < n; ++k) {
        const cInt y = static_cast<cInt>(std::llround(first + k * pitch));
        rows.push_back({{x0 - ext, y}, {x1 + ext, y}});
      }
      for (const Path& p : ClipOpen(rows, deep)) EmitPolyline(p, pens[level], Out);
    }
    // What this pen covered; the finer pen does the rest.
    Boolean(ClipperLib::ctDifference, target, Offset(e, h / 2, 0.5));
    if (AbsArea(target) < 0.5) break;
  }
}

void Components(const ClipperLib::PolyNode& N, std::vector<HatchStroke>& Out) {
  for (const ClipperLib::PolyNode* c : N.Childs) {
    // c is an outline; its children are holes, whose children are islands.
    Paths comp{c->Contour};
    for (const ClipperLib::PolyNode* h : c->Childs) comp.push_back(h->Contour);
    HatchComponent(comp, Out);
    for (const ClipperLib::PolyNode* h : c->Childs) Components(*h, Out);
  }
}

}  // namespace

IntPoint ToClip(double X, double Y) {
  return {static_cast<cInt>(std::llround(X * ClipScale)), static_cast<cInt>(std::llround(Y * ClipScale))};
}

int ArcSteps(double R, double SweepDeg) {
  // Chord error at most 0.25 host units.
  const double tol = 0.25;
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
  // Merged first into plain outlines: Clipper's tree output fixes up
  // outlines that share edges in quadratic time, and merged outlines
  // share none.
  Paths merged = Area;
  UnionInto(merged, {});
  ClipperLib::Clipper c;
  c.AddPaths(merged, ClipperLib::ptSubject, true);
  ClipperLib::PolyTree tree;
  c.Execute(ClipperLib::ctUnion, tree, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
  Components(tree, Out);
}

}  // namespace cam
