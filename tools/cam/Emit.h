// Emit.h: one file's image made into the driver's calls, shared by the plot
// of the files and the board views: its areas resolved into runs of one
// polarity for the hatcher, the rest drawn as the driver's own elements,
// with the apertures those need written into its table.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <initializer_list>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "Cam.h"
#include "CamModel.h"
#include "Hatch.h"

namespace cam {

constexpr int LayerCount = 26;
// Far above a real board (gerbv's whole hellboard example makes some
// 120 000 calls); 28 bytes each.
constexpr size_t MaxCalls = 10000000;

struct Box {
  double X0 = 1e300, Y0 = 1e300, X1 = -1e300, Y1 = -1e300;
  void Add(double X, double Y, double R) {
    X0 = std::min(X0, X - R), Y0 = std::min(Y0, Y - R);
    X1 = std::max(X1, X + R), Y1 = std::max(Y1, Y + R);
  }
  void Add(const Box& B) {
    if (B.X0 <= B.X1) Add(B.X0, B.Y0, 0), Add(B.X1, B.Y1, 0);
  }
  bool Meets(const Box& B) const { return X0 <= B.X1 && B.X0 <= X1 && Y0 <= B.Y1 && B.Y0 <= Y1; }
};


// The box an object covers, host units.
Box ObjBox(const Obj& O, const Image& Img);

// Resolves one file: returns its areas as runs of one polarity in the
// order drawn, and leaves in Img.Objs only the objects drawn as they are,
// in their order. Objects receives the box of a negative image's objects,
// without its background.
std::vector<AreaLayer> Resolve(Image& Img, double MarginMm, Box& Objects);

// Makes the calls into Draw[N] (N a host layer, or whatever slots the
// caller keeps), in file coordinates; Ap finds or adds an aperture record.
struct Emitter {
  int32_t MaxAperture;
  std::map<std::tuple<int, int32_t, int32_t>, int32_t> Apertures;
  int32_t Last[4] = {-1, 0, 0, 0};  // shape, w, h and record of the last aperture found
  std::vector<CamCall> ApertureCalls;
  std::deque<CamCall> Draw[LayerCount];
  Box Extent;
  std::string File;

  [[noreturn]] void Fail(int Line, const std::string& What) { throw CamError(Line, What); }

  int32_t I32(double V, int Line) {
    const double r = std::round(V);
    if (!(std::fabs(r) <= HostLimit)) Fail(Line, "coordinate outside the host's 32-bit range of 10 um units");
    return static_cast<int32_t>(r);
  }
  int32_t Ap(int Shape, double W, double H, int Line) {
    const int32_t w = I32(W, Line), h = I32(H, Line);
    // Runs of objects share one aperture: the last is at hand.
    if (Last[0] == Shape && Last[1] == w && Last[2] == h) return Last[3];
    const auto key = std::make_tuple(Shape, w, h);
    const auto it = Apertures.find(key);
    if (it != Apertures.end()) {
      Last[0] = Shape, Last[1] = w, Last[2] = h, Last[3] = it->second;
      return it->second;
    }
    const int32_t n = static_cast<int32_t>(Apertures.size());
    if (n > MaxAperture) {
      Fail(Line, "more than " + std::to_string(MaxAperture + 1) +
                     " distinct apertures: the driver's aperture table holds records 0 to " +
                     std::to_string(MaxAperture));
    }
    Apertures[key] = n;
    ApertureCalls.push_back(CamCall{Verb::Aperture, {n, Shape, w, h, 0, 0}});
    return n;
  }
  size_t Made = 0;
  int SrcLine = 0;  // source line of the object being drawn, for messages
  void Add(int32_t Layer, Verb V, std::initializer_list<int32_t> Args) {
    // Chords of huge arcs (within a unit of the arc) are the one way a few
    // lines make very many calls.
    if (++Made > MaxCalls) Fail(SrcLine, "the files make more than " + std::to_string(MaxCalls) + " drawing calls");
    CamCall c{V, {0, 0, 0, 0, 0, 0}};
    int k = 0;
    for (int32_t a : Args) c.Arg[k++] = a;
    Draw[Layer].push_back(c);
  }
  void Line(int32_t Layer, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Ap, double W) {
    Extent.Add(X1, Y1, W / 2), Extent.Add(X2, Y2, W / 2);
    Add(Layer, Verb::DrawLine, {X1, Y1, X2, Y2, Ap});
  }

  void Arc(int32_t Layer, const Obj& O) {
    const int32_t ap = Ap(PadRound, O.W, O.W, O.Line);
    const int32_t cx = I32(O.CX, O.Line), cy = I32(O.CY, O.Line), r = I32(O.R, O.Line);
    const double sweep = std::fabs(O.Sweep);
    if (sweep >= 360.0 - 1e-9) {
      Extent.Add(cx, cy, r + O.W / 2);
      Add(Layer, Verb::DrawArc, {cx, cy, r, 0, 360, ap});
      return;
    }
    // An axis-aligned quarter: the driver's own arc.
    if (std::fabs(sweep - 90.0) * Pi / 180.0 * O.R <= 0.5) {
      double start = O.Sweep > 0 ? O.A0 : O.A0 + O.Sweep;
      start = std::fmod(start, 360.0);
      if (start < 0) start += 360.0;
      const double q = std::round(start / 90.0) * 90.0;
      if (std::fabs(start - q) * Pi / 180.0 * O.R <= 0.5) {
        const int32_t qi = static_cast<int32_t>(q) % 360;
        Extent.Add(cx, cy, r + O.W / 2);
        Add(Layer, Verb::DrawArc, {cx, cy, r, qi, qi + 90, ap});
        return;
      }
    }
    // Chords, within 0.5 unit of the arc before rounding to the unit.
    const double tol = 0.5;
    const double step = O.R > tol ? 2 * std::acos(1 - tol / O.R) : Pi / 2;
    const int n = static_cast<int>(std::clamp(std::ceil(sweep * Pi / 180.0 / step), 1.0, 1e6));
    int32_t px = I32(O.X1, O.Line), py = I32(O.Y1, O.Line);
    for (int k = 1; k <= n; ++k) {
      int32_t x, y;
      if (k == n) {
        x = I32(O.X2, O.Line), y = I32(O.Y2, O.Line);
      } else {
        const double a = (O.A0 + O.Sweep * k / n) * Pi / 180.0;
        x = I32(O.CX + O.R * std::cos(a), O.Line), y = I32(O.CY + O.R * std::sin(a), O.Line);
      }
      Line(Layer, px, py, x, y, ap, O.W);
      px = x, py = y;
    }
  }

  void Native(int32_t Layer, const Obj& O) {
    SrcLine = O.Line;
    switch (O.Kind) {
      case ObjKind::Line: {
        const int32_t ap = Ap(PadRound, O.W, O.W, O.Line);
        Line(Layer, I32(O.X1, O.Line), I32(O.Y1, O.Line), I32(O.X2, O.Line), I32(O.Y2, O.Line), ap, O.W);
        break;
      }
      case ObjKind::Arc:
        Arc(Layer, O);
        break;
      case ObjKind::Flash: {
        if (O.Shape == PadThermal) {
          HatchLayer = Layer;
          ThermalStrokes(O, &Emitter::Stroke, this);
          break;
        }
        const int32_t ap = Ap(O.Shape, O.W, O.H, O.Line);
        const int32_t x = I32(O.X1, O.Line), y = I32(O.Y1, O.Line);
        Extent.Add(x, y, O.Shape == PadRing ? O.W / 2 + O.H : std::max(O.W, O.H) / 2);
        Add(Layer, Verb::FlashPad, {x, y, ap});
        break;
      }
      case ObjKind::Drill: {
        const int32_t ap = Ap(PadRound, O.W, O.W, O.Line);
        const int32_t x = I32(O.X1, O.Line), y = I32(O.Y1, O.Line);
        Extent.Add(x, y, O.W / 2);
        Add(Layer, Verb::DrillHole, {x, y, ap});
        break;
      }
      case ObjKind::Area:
        break;
    }
  }

  void Hatched(int32_t Layer, const std::vector<AreaLayer>& Area) {
    if (Area.empty()) return;
    SrcLine = 0;
    HatchLayer = Layer;
    Hatch(Area, &Emitter::Stroke, this);
  }
  int32_t HatchLayer = 0;
  static void Stroke(void* Ctx, const HatchStroke& S) {
    Emitter& em = *static_cast<Emitter*>(Ctx);
    const int32_t ap = em.Ap(PadRound, S.Pen, S.Pen, 0);
    em.Line(em.HatchLayer, em.I32(static_cast<double>(S.X1), 0), em.I32(static_cast<double>(S.Y1), 0),
            em.I32(static_cast<double>(S.X2), 0), em.I32(static_cast<double>(S.Y2), 0), ap, S.Pen);
  }
};

}  // namespace cam
