// Hatch.h: filling an area with strokes of round pens.
#pragma once

#include <cstdint>
#include <vector>

#include "CamModel.h"

namespace cam {

// The finest pen, in host units: the drawn area matches the true area to
// within this width.
constexpr int32_t FinePen = 8;

// Bounds that keep a pathological file's hatching finite (CamError, line 0):
// the rows of the fine pen (pitch 0.8 pen) over the area's height, 16 m,
// the edges' crossings of sub-rows and the strokes.
constexpr double MaxHatchRows = 250000;
// Sub-rows crossed by the area's edges, summed (the scanline's work; a
// poured layer of a 10 cm board takes some 4 million).
constexpr double MaxCrossings = 200000000;
constexpr size_t MaxHatchStrokes = 5000000;

struct HatchStroke {
  int64_t X1, Y1, X2, Y2;  // host units
  int32_t Pen;             // round pen width, host units
};

// Receives each stroke as it is made: a strip of the area at a time, the
// widest pen first within a strip.
using StrokeSink = void (*)(void* Ctx, const HatchStroke& S);
// The sink that keeps them: appends to the std::vector<HatchStroke> at Ctx.
void CollectStroke(void* Ctx, const HatchStroke& S);

// One run of objects of one polarity, in the order drawn: each layer
// darkens (or clears) its outlines, taken by the non-zero rule, over what
// the layers before it made.
struct AreaLayer {
  Paths Outlines;  // clip units
  bool Clear = false;
  // Taken by the positive rule instead: a point is held where its winding
  // is above zero, so that a box less overlapping outlines (each reversed)
  // is the box less their union, with no polygon operation.
  bool Positive = false;
};

// Strokes that together cover the area the layers make, within the finest
// pen of it: rows of the widest pen where its disc fits, rows of finer pens
// in the gaps they leave, found by a scanline over the layers' edges (a
// point is dark when the last layer that holds it is dark); the time grows
// with the rows and their spans only.
// Throws CamError (line 0) past the bounds above.
void Hatch(const std::vector<AreaLayer>& Layers, StrokeSink Sink, void* Ctx);

// Whether a thermal relief of these sizes (host units) can be drawn by
// ThermalStrokes: each of its four pieces a band between the circles
// wider than the finest pen.
bool LeanThermal(double OD, double ID, double Gap);

// Strokes that cover the thermal relief O (a flash of Shape PadThermal)
// within the finest pen, as Hatch covers an area: each piece as one wide
// stroke along the ring (chords) whose round ends touch the gaps, and a
// finer stroke along each gap for the corners that the round ends leave.
void ThermalStrokes(const Obj& O, StrokeSink Sink, void* Ctx);

}  // namespace cam
