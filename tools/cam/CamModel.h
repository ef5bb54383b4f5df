// CamModel.h: what the Gerber and Excellon readers make of a file, before it
// becomes host calls: drawing objects in host units (10 um, Y up) as real
// numbers, and areas as Clipper polygons.
#pragma once

#include <cstdint>
#include <deque>
#include <stdexcept>
#include <string>
#include <vector>

#include <polyclipping/clipper.hpp>

namespace cam {

using ClipperLib::IntPoint;
using ClipperLib::Path;
using ClipperLib::Paths;

constexpr double Pi = 3.14159265358979323846;
// |host coordinate| beyond which a value cannot be plotted (int32).
constexpr double HostLimit = 2147483647.0;

// Clipper integers per host unit: areas are built and hatched at 0.1 um.
constexpr double ClipScale = 100.0;

// A bad input: the reader stops at the first one. Line is 1-based.
struct CamError : std::runtime_error {
  CamError(int Line_, const std::string& What) : std::runtime_error(What), Line(Line_) {}
  int Line;
};

// Pad outlines the driver draws as one element (its aperture shapes), and
// the thermal relief (a ring with four gaps), drawn as a few strokes
// (ThermalStrokes): centre X1,Y1, outer diameter W, inner H, gap X2,
// rotation Y2 degrees.
enum PadShape : uint8_t { PadRound = 0, PadRect = 1, PadRing = 4, PadThermal = 7 };

enum class ObjKind : uint8_t {
  Line,   // stroke with a round tool: X1,Y1 to X2,Y2, width W
  Arc,    // circular stroke with a round tool: centre CX,CY, radius R, from
          // angle A0 (degrees, counter-clockwise) through Sweep, width W
  Flash,  // pad of Shape at X1,Y1: W x H (ring: hole W, ring width H)
  Drill,  // drill hit at X1,Y1, diameter W
  Area,   // the polygons Areas[Index]
};

struct Obj {
  ObjKind Kind;
  bool Clear = false;  // clear polarity: erases what lies beneath
  uint8_t Shape = 0;
  int Line = 0;  // source line, for messages
  double X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  double CX = 0, CY = 0, R = 0, A0 = 0, Sweep = 0;
  double W = 0, H = 0;
  uint32_t Index = 0;
};

// An object as an Image keeps it: 64 bytes where Obj takes 104, since
// most objects are not arcs; an arc's centre, radius and angles are kept
// apart, in Image::Arcs[Index].
struct PackedObj {
  ObjKind Kind;
  bool Clear;
  uint8_t Shape;
  int Line;
  uint32_t Index;  // Area: Areas[Index]; Arc: Arcs[Index]
  double X1, Y1, X2, Y2, W, H;
};
struct ArcPart {
  double CX, CY, R, A0, Sweep;
};

// One file's image: objects in the order they were made (in blocks that
// are never moved as they grow, nor held twice while growing).
struct Image {
  std::deque<PackedObj> Objs;
  std::deque<ArcPart> Arcs;
  std::vector<Paths> Areas;
  bool AnyClear = false;
  bool Negative = false;  // %IPNEG: dark where nothing is drawn
  bool IsDrill = false;
  std::string FileFunction;  // X2 %TF.FileFunction value, "" if none

  void Add(const Obj& O) {
    uint32_t index = O.Index;
    if (O.Kind == ObjKind::Arc) {
      index = static_cast<uint32_t>(Arcs.size());
      Arcs.push_back({O.CX, O.CY, O.R, O.A0, O.Sweep});
    }
    Objs.push_back({O.Kind, O.Clear, O.Shape, O.Line, index, O.X1, O.Y1, O.X2, O.Y2, O.W, O.H});
  }
  // The object whole again (what a line's or flash's Obj leaves unused is 0).
  Obj Full(const PackedObj& P) const {
    Obj o{P.Kind};
    o.Clear = P.Clear, o.Shape = P.Shape, o.Line = P.Line;
    o.X1 = P.X1, o.Y1 = P.Y1, o.X2 = P.X2, o.Y2 = P.Y2, o.W = P.W, o.H = P.H;
    if (P.Kind == ObjKind::Arc) {
      const ArcPart& a = Arcs[P.Index];
      o.CX = a.CX, o.CY = a.CY, o.R = a.R, o.A0 = a.A0, o.Sweep = a.Sweep;
    } else {
      o.Index = P.Index;
    }
    return o;
  }
};

// Warnings: each kind is told once per run.
struct Diag {
  std::vector<std::string> Warnings;
  std::vector<std::string> Told;
  void Warn(const std::string& File, int Line, const std::string& Kind, const std::string& What);
};

// The readers. Throw CamError.
void ReadGerber(const std::string& Name, const std::string& Text, Image& Out, Diag& D);
void ReadExcellon(const std::string& Name, const std::string& Text, Image& Out, Diag& D);

// 10 to the power E, the very value std::pow gives (a table of its values:
// the readers scale every coordinate by one).
double Pow10(int E);

// Which reader a file's content calls for: 'G', 'E', or 0 for neither.
char SniffKind(const std::string& Text);

// Geometry (Geometry.cpp).
IntPoint ToClip(double X, double Y);
// A regular polygon approximating a circle within a chord error of 0.25 host
// units; Steps override when > 0.
Path CirclePath(double CX, double CY, double R);
int ArcSteps(double R, double SweepDeg);
// Outline of a stroke of a round tool from A to B.
Path StadiumPath(double X1, double Y1, double X2, double Y2, double W);
// Outline of an obround W x H centred at CX,CY.
Path ObroundPath(double CX, double CY, double W, double H);
Path RectPath(double CX, double CY, double W, double H);
// Outline of a thermal relief: the ring between OD and ID less two gap
// bars along the axes, turned by RotDeg about its centre.
Paths ThermalPaths(double CX, double CY, double OD, double ID, double Gap, double RotDeg);
// Boolean helpers.
void UnionInto(Paths& Acc, const Paths& Add);
void Subtract(Paths& Acc, const Paths& Cut);
Paths Normalised(const Paths& In);  // self-intersections resolved (even-odd), positive
// Convex hull of points.
Path Hull(std::vector<IntPoint> Pts);
// The area of any object.
Paths ObjArea(const Obj& O, const Image& Img);

// Affine transform in host units: x' = A*x + B*y + C, y' = D*x + E*y + F.
struct Xform {
  double A = 1, B = 0, C = 0, D = 0, E = 1, F = 0;
  double Scale = 1;        // length scale
  double RotDeg = 0;       // rotation in degrees (after mirroring)
  bool Mirrored = false;   // odd number of mirrors
};
Paths XformPaths(const Paths& P, const Xform& T);

}  // namespace cam
