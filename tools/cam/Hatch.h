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

// Strokes that together cover Area (clip units): each connected part gets
// the widest pen that fits it for its inside and the fine pen for the
// corners the wide pen cannot reach.
// Throws CamError (line 0) past the bounds above.
void Hatch(const Paths& Area, std::vector<HatchStroke>& Out);

}  // namespace cam
