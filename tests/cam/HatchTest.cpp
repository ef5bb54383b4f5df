// Filling an area, checked against the area itself: every stroke stays
// inside it (but where it is thinner than the finest pen), and what the
// strokes leave uncovered is only the slivers their round ends leave along
// the edges.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "tools/cam/Cam.h"
#include "tools/cam/CamModel.h"
#include "tools/cam/Hatch.h"

namespace {

using namespace cam;

double AreaOf(const Paths& P) {
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

Paths Offset(const Paths& P, double Delta) {
  ClipperLib::ClipperOffset o(2.0, 0.1 * ClipScale);
  o.AddPaths(P, ClipperLib::jtRound, ClipperLib::etClosedPolygon);
  Paths out;
  o.Execute(out, Delta * ClipScale);
  return out;
}

Paths Drawn(const std::vector<HatchStroke>& S) {
  Paths all;
  for (const HatchStroke& s : S) {
    all.push_back(StadiumPath(static_cast<double>(s.X1), static_cast<double>(s.Y1), static_cast<double>(s.X2),
                              static_cast<double>(s.Y2), s.Pen));
  }
  Paths out;
  UnionInto(out, all);
  return out;
}

struct Shape {
  const char* Name;
  std::vector<AreaLayer> Layers;
  double Thin;  // how far strokes may reach outside: half the finest pen
                // where parts are thinner than it, else rounding only
  size_t Lean;  // at most this many strokes: wide parts take wide pens
};

// A plane with round clearances, a disc, a slanted bar, a ring, a sliver
// thinner than the finest pen, a triangle with a sharp tip.
std::vector<Shape> Shapes() {
  Path plane = RectPath(0, 0, 3000, 2000);
  Paths withHoles{plane};
  for (int k = 0; k < 6; ++k) {
    Path hole = CirclePath(-1200 + 480 * k, 100 * (k % 3), 90 + 20 * k);
    ClipperLib::ReversePath(hole);
    withHoles.push_back(hole);
  }
  Path ringOut = CirclePath(0, 0, 400), ringIn = CirclePath(0, 0, 250);
  ClipperLib::ReversePath(ringIn);
  Path back = CirclePath(-200, 0, 150);
  ClipperLib::ReversePath(back);
  Paths openings{RectPath(0, 0, 2000, 1400), CirclePath(-200, 0, 300), CirclePath(150, 0, 300)};
  ClipperLib::ReversePath(openings[1]), ClipperLib::ReversePath(openings[2]);
  std::vector<AreaLayer> manyLayers(64, AreaLayer{{RectPath(0, 0, 1600, 1000)}, false});
  manyLayers.push_back({openings, true, true});
  auto dark = [](Paths P) { return std::vector<AreaLayer>{{std::move(P), false}}; };
  // Tall bars whose edges cross enough sub-rows that a second thread
  // hatches the upper strips.
  Paths bars;
  for (int k = 0; k < 30; ++k) bars.push_back(RectPath(300 * k, 0, 200, 3500));
  return {
      {"plane with clearances", dark(withHoles), 1, 310},
      {"disc", dark({CirclePath(0, 0, 333)}), 1, 60},
      {"slanted bar", dark({StadiumPath(0, 0, 900, 500, 70)}), 1, 130},
      {"ring", dark({ringOut, ringIn}), 1, 140},
      {"sliver", dark({RectPath(0, 0, 600, 5)}), FinePen / 2.0, 1},
      {"triangle", dark({{ToClip(0, 0), ToClip(800, 0), ToClip(400, 900)}}), FinePen / 2.0, 80},
      {"tall bars", dark(bars), 1, 4500},
      // Clear polarity: a plane, a clear window and bar across it, a dark
      // pad in the window: two discs drawn opposite ways round, whose
      // overlap the non-zero rule leaves clear.
      {"clear and dark again",
       {{{RectPath(0, 0, 2000, 1200)}, false},
        {{RectPath(-300, 0, 800, 600), StadiumPath(-900, 400, 900, 400, 60)}, true},
        {{CirclePath(-300, 0, 150), back}, false}},
       1, 190},
      // The positive rule: a box less two overlapping discs (each drawn
      // the other way round) clears all but their union, overlap included.
      {"box less overlapping openings", {{{RectPath(0, 0, 1600, 1000)}, false}, {openings, true, true}}, 1, 120},
      // The same past 64 layers, where the sweep keeps the layers that hold
      // a point in a set, not in bits.
      {"box less overlapping openings, 65 layers", manyLayers, 1, 120},
  };
}

void Collect(void* To, const HatchStroke& S) { static_cast<std::vector<HatchStroke>*>(To)->push_back(S); }

// The strokes cover Area within the finest pen: nothing drawn beyond Area
// grown by Thin, but for rounding (a twentieth of a unit along the edge on
// average); what is left are the slivers along the edges, on average under
// 1.5 units thick, none as wide as the finest pen.
void ExpectCovers(const Paths& Area, const std::vector<HatchStroke>& Strokes, double Thin, size_t Lean) {
  ASSERT_FALSE(Strokes.empty());
  EXPECT_LE(Strokes.size(), Lean);
  const Paths drawn = Drawn(Strokes);
  const double edge = Perimeter(Area);
  Paths outside = drawn;
  Subtract(outside, Offset(Area, Thin));
  EXPECT_LT(AreaOf(outside), 0.05 * edge);
  Paths left = Area;
  Subtract(left, drawn);
  EXPECT_LT(AreaOf(left), 1.5 * edge);
  EXPECT_TRUE(Offset(left, -FinePen / 2.0).empty());
}

TEST(Hatch, StaysInsideAndCovers) {
  for (const Shape& s : Shapes()) {
    SCOPED_TRACE(s.Name);
    std::vector<HatchStroke> strokes;
    Hatch(s.Layers, Collect, &strokes);
    // The true area, by Clipper.
    Paths area;
    for (const AreaLayer& l : s.Layers) {
      Paths held = l.Outlines;
      if (l.Positive) ClipperLib::SimplifyPolygons(held, ClipperLib::pftPositive);
      if (l.Clear) {
        Subtract(area, held);
      } else {
        UnionInto(area, held);
      }
    }
    ExpectCovers(area, strokes, s.Thin, s.Lean);
  }
}

// Thermal reliefs (outer and inner diameter, gap, rotation) drawn lean: a
// wide stroke of a few chords along each piece and two along its ends.
TEST(Hatch, ThermalStrokes) {
  struct Case {
    double OD, ID, Gap, Rot;
    size_t Lean;
  };
  const Case cases[] = {
      {210.8, 149.9, 38.1, 45, 16},   // gerbv's thermal example, 0.083 inch
      {172.7, 111.8, 38.1, 45, 16},   // its smallest
      {300, 200, 40, 0, 24},
      {400, 300, 40, 0, 24},
      {260, 160, 40, 30, 24},
      {150, 100, 30, 12.5, 16},
      {180, 140, 20, 90, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.OD) + " " + std::to_string(c.ID) + " " + std::to_string(c.Gap));
    ASSERT_TRUE(LeanThermal(c.OD, c.ID, c.Gap));
    Obj o{ObjKind::Flash};
    o.Shape = PadThermal, o.X1 = 1000.3, o.Y1 = -200.6, o.W = c.OD, o.H = c.ID, o.X2 = c.Gap, o.Y2 = c.Rot;
    std::vector<HatchStroke> strokes;
    ThermalStrokes(o, Collect, &strokes);
    ExpectCovers(ThermalPaths(o.X1, o.Y1, c.OD, c.ID, c.Gap, c.Rot), strokes, 1, c.Lean);
  }
  // Rings too thin for a pen wider than the finest, gaps that miss the
  // inner circle, no hole, rings so wide that round ends leave corners the
  // finest pen fits in: left to Hatch.
  EXPECT_FALSE(LeanThermal(100, 80, 20));
  EXPECT_FALSE(LeanThermal(300, 60, 50));
  EXPECT_FALSE(LeanThermal(300, 0, 50));
  EXPECT_FALSE(LeanThermal(800, 500, 60));
}

// A thermal macro off the origin, turned, flashed with a rotation: its
// outline is the macro's, the centre turned about the macro's origin.
TEST(Hatch, ThermalFlashIsTheMacros) {
  const std::string text =
      "%FSLAX46Y46*%%MOMM*%%AMTH*7,0.5,0.2,2.0,1.4,0.3,15*%%ADD10TH*%%LR30*%D10*X3000000Y1000000D03*M02*";
  CamLayerImage img;
  std::string error;
  ASSERT_TRUE(ReadCamImageText("th.gbr", text, img, error)) << error;
  const double a = 45 * Pi / 180;  // 15 of the macro, 30 of the flash
  const Paths want = ThermalPaths(300 + 50 * std::cos(a) - 20 * std::sin(a), 100 + 50 * std::sin(a) + 20 * std::cos(a),
                                  200, 140, 30, 45);
  Paths got;
  UnionInto(got, ImageDark(img));
  Paths apart = got;
  Subtract(apart, want);
  Paths missing = want;
  Subtract(missing, got);
  EXPECT_NEAR(AreaOf(got), AreaOf(want), 5);
  EXPECT_LT(AreaOf(apart) + AreaOf(missing), 5);
}

// A stroke along an arc, traced directly or (where its outline would not be
// simple) by Clipper's offset, is the union of the pen's discs along it:
// the same area as a fine offset of the arc, within the chords' error,
// positive (counter-clockwise) as the non-zero rule of the runs needs.
// Ends a unit or two off the circle (rounding in a file) are where the
// file puts them, the radius evening out between them.
TEST(Hatch, ArcStrokeArea) {
  struct Case {
    const char* Name;
    double R, W, A0, Sweep, EndOff;
  };
  const Case cases[] = {
      {"quarter", 500, 40, 10, 90, 0},        {"clockwise", 500, 40, 100, -90, 0},
      {"most of a circle", 300, 60, 0, 320, 0}, {"ends meet", 100, 60, 0, 330, 0},
      {"whole ring", 96, 33, 0, 360, 0},      {"whole disc", 20, 60, 0, 360, 0},
      {"pen past the centre", 20, 60, 30, 120, 0}, {"end off the circle", 96.5, 33, 90, 34.5, 2},
      {"thin and long", 5000, 8, -170, 200, 0}, {"pen past the centre, long", 20, 60, 0, 300, 0},
      {"pen far past the centre", 5, 100, 0, 180, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    Obj o{ObjKind::Arc};
    o.CX = 1000, o.CY = -300, o.R = c.R, o.W = c.W, o.A0 = c.A0, o.Sweep = c.Sweep;
    const double a0 = c.A0 * Pi / 180, a1 = (c.A0 + c.Sweep) * Pi / 180;
    o.X1 = o.CX + c.R * std::cos(a0), o.Y1 = o.CY + c.R * std::sin(a0);
    o.X2 = o.CX + (c.R + c.EndOff) * std::cos(a1), o.Y2 = o.CY + (c.R + c.EndOff) * std::sin(a1);
    // The radius runs evenly from one end's to the other's.
    Path line;
    for (int k = 0; k <= 720; ++k) {
      const double a = a0 + (a1 - a0) * k / 720, r = c.R + c.EndOff * k / 720;
      line.push_back(ToClip(o.CX + r * std::cos(a), o.CY + r * std::sin(a)));
    }
    ClipperLib::ClipperOffset off(2.0, 0.05 * ClipScale);
    off.AddPath(line, ClipperLib::jtRound, ClipperLib::etOpenRound);
    Paths want;
    off.Execute(want, c.W / 2 * ClipScale);
    const Paths got = ObjArea(o, Image{});
    double signedArea = 0;
    for (const Path& p : got) signedArea += ClipperLib::Area(p);
    EXPECT_GT(signedArea, 0);
    Paths extra = got, missing = want;
    Subtract(extra, want);
    Subtract(missing, got);
    EXPECT_LT(AreaOf(extra) + AreaOf(missing), 0.4 * Perimeter(want)) << AreaOf(extra) << " " << AreaOf(missing);
  }
}

}  // namespace
