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
// a board a metre tall takes some 16 000 rows of the fine pen, and the
// bound on rows is 16 m.
constexpr double MaxHatchRows = 250000;
constexpr size_t MaxHatchStrokes = 5000000;

struct HatchStroke {
  int64_t X1, Y1, X2, Y2;  // host units
  int32_t Pen;             // round pen width, host units
};

// Strokes that together cover Area (clip units, non-zero rule). Parts of
// moderate size are filled by HatchOutlined, large ones (poured planes) by
// HatchRows, whose time grows only with the rows and their spans.
// Throws CamError (line 0) past the bounds above.
void Hatch(const Paths& Area, std::vector<HatchStroke>& Out);

// Each connected part gets the widest pen that fits it: the part less half
// the pen is stroked along its edge and in rows, what the pen cannot reach
// goes on to the next finer one (Clipper's offsets and booleans).
void HatchOutlined(const Paths& Area, std::vector<HatchStroke>& Out);
// Rows only, from a scanline over the area's edges: rows of the widest pen
// where its disc fits, rows of finer pens in the gaps they leave.
void HatchRows(const Paths& Area, std::vector<HatchStroke>& Out);

}  // namespace cam
