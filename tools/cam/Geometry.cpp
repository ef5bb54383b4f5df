// Geometry.cpp: shapes as polygons and boolean operations on them (Clipper).
#include <algorithm>
#include <cmath>
#include <string>

#include "CamModel.h"

namespace cam {
namespace {

using ClipperLib::cInt;

void Boolean(ClipperLib::ClipType Op, Paths& Acc, const Paths& Other) {
  ClipperLib::Clipper c;
  c.AddPaths(Acc, ClipperLib::ptSubject, true);
  c.AddPaths(Other, ClipperLib::ptClip, true);
  Paths out;
  c.Execute(Op, out, ClipperLib::pftNonZero, ClipperLib::pftNonZero);
  Acc.swap(out);
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

namespace {

// Outline of a stroke of a round tool along an arc, counter-clockwise like
// the others. The ends' distances from the centre may differ by rounding
// in the file: the radius then runs evenly from one to the other, and the
// round ends lie on the ends themselves; where they meet (an arc of most of
// a circle), the non-zero rule takes the overlap once. Empty where the
// inner edge is no real arc (the pen reaches past the centre) or the arc's
// angles do not fit its ends: Clipper's offset then takes it.
Path ArcStrokePath(const Obj& O) {
  const double r = O.W / 2, s = std::fabs(O.Sweep) * Pi / 180.0;
  const bool ccw = O.Sweep >= 0;
  const double fx = ccw ? O.X1 : O.X2, fy = ccw ? O.Y1 : O.Y2, tx = ccw ? O.X2 : O.X1, ty = ccw ? O.Y2 : O.Y1;
  const double r0 = std::hypot(fx - O.CX, fy - O.CY), r1 = std::hypot(tx - O.CX, ty - O.CY);
  if (!(r > 0 && s <= 2 * Pi && std::min(r0, r1) - r >= 1 && std::fabs(r0 - r1) <= 4)) return {};
  const double a0 = std::atan2(fy - O.CY, fx - O.CX), a1 = a0 + s;
  if (std::fabs(std::remainder(a1 - std::atan2(ty - O.CY, tx - O.CX), 2 * Pi)) * r1 > 0.5) return {};
  const double deg = s * 180.0 / Pi, rm = std::max(r0, r1);
  const int outer = ArcSteps(rm + r, deg), inner = ArcSteps(rm - r, deg), cap = std::max(4, ArcSteps(r, 180));
  Path p;
  p.reserve(static_cast<size_t>(outer + inner + 2 * cap + 2));
  const auto at = [&p](double X, double Y, double Rad, double A) {
    p.push_back(ToClip(X + Rad * std::cos(A), Y + Rad * std::sin(A)));
  };
  for (int k = 0; k <= outer; ++k) {
    const double t = static_cast<double>(k) / outer;
    at(O.CX, O.CY, r0 + (r1 - r0) * t + r, a0 + s * t);
  }
  for (int k = 1; k < cap; ++k) at(tx, ty, r, a1 + Pi * k / cap);
  for (int k = inner; k >= 0; --k) {
    const double t = static_cast<double>(k) / inner;
    at(O.CX, O.CY, r0 + (r1 - r0) * t - r, a0 + s * t);
  }
  for (int k = 1; k < cap; ++k) at(fx, fy, r, a0 + Pi + Pi * k / cap);
  return p;
}

// A ring of radii Outer and Inner: the outer circle and the hole the other
// way round, no Clipper (thousands of vias); a disc where Inner is none.
Paths RingPaths(double CX, double CY, double Outer, double Inner) {
  Paths p{CirclePath(CX, CY, Outer)};
  if (Inner > 0) p.push_back(CirclePath(CX, CY, Inner)), ClipperLib::ReversePath(p.back());
  return p;
}

}  // namespace

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
      // A whole circle stroked: a ring, or a disc where the pen covers
      // the middle.
      if (std::fabs(O.Sweep) >= 360 && std::hypot(O.X2 - O.X1, O.Y2 - O.Y1) < 0.5) {
        return RingPaths(O.CX, O.CY, O.R + O.W / 2, O.R - O.W / 2);
      }
      if (Path p = ArcStrokePath(O); !p.empty()) return {std::move(p)};
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
      if (O.Shape == PadThermal) return ThermalPaths(O.X1, O.Y1, O.W, O.H, O.X2, O.Y2);
      if (O.Shape == PadRing) return RingPaths(O.X1, O.Y1, O.W / 2 + O.H, O.W / 2);
      return {ObroundPath(O.X1, O.Y1, O.W, O.H)};
    case ObjKind::Drill:
      return {CirclePath(O.X1, O.Y1, O.W / 2)};
    case ObjKind::Area:
      return Img.Areas[O.Index];
  }
  return {};
}

Paths ThermalPaths(double CX, double CY, double OD, double ID, double Gap, double RotDeg) {
  Paths ring{CirclePath(0, 0, OD / 2)};
  if (ID > 0) Subtract(ring, {CirclePath(0, 0, ID / 2)});
  Subtract(ring, {RectPath(0, 0, OD * 2 + 2, Gap), RectPath(0, 0, Gap, OD * 2 + 2)});
  const double a = RotDeg * Pi / 180.0, c = std::cos(a), s = std::sin(a);
  for (Path& p : ring) {
    for (IntPoint& q : p) {
      const double x = static_cast<double>(q.X) / ClipScale, y = static_cast<double>(q.Y) / ClipScale;
      q = ToClip(CX + x * c - y * s, CY + x * s + y * c);
    }
  }
  return ring;
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

}  // namespace cam
