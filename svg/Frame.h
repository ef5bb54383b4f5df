// Frame.h: the document frame and the group state shared by the drawing
// entry points.
//
// Inside the root element the open groups form a stack: the layer group
// outermost, then at most one stroke-width group and at most one fill group,
// in either order. Elements carry no stroke width or fill of their own; the
// Select operations bring the right groups into force and write a group line
// only when the value changes.
#pragma once

#include <cstdint>

#include "../host/DrvTypes.h"
#include "Colors.h"

// StrokeWidth when no stroke-width group is open. Every other value, 0
// included, is a real width.
constexpr int32_t NoStrokeWidth = -2147483647;

// The part of the state that OpenEquip and OpenLayer reset together.
struct TGroupState {
  bool LayerGroupOpen;
  int32_t StrokeWidth;  // width of the open stroke-width group, or NoStrokeWidth
  TColorStr StrokeText; // the layer group's stroke colour
  TColorStr NoneText;   // "none" once a layer is open, empty before
  TColorStr FillText;   // the open fill group's colour; NoneText when none is open
  bool FillInner;       // both groups open and the fill group is the inner one
};

struct TDriverState {
  int32_t LayerColorIndex;  // colour of the current layer; kept across documents
  TGroupState Groups;
  int32_t FlipSum;          // YMin + YMax of the current document
  // Between OpenEquip and its CloseEquip. Outside a document every entry
  // point writes nothing and changes nothing: the callback may belong to a
  // stream the host has already finished.
  bool DocumentOpen;
};

DRV_FUNC extern TDriverState DriverState;
DRV_FUNC extern const TGroupState GroupStateDefaults;

DRV_FUNC void SelectStrokeWidth(int32_t W);
DRV_FUNC void SelectFill(int32_t Index);
// Closes the fill group, if one is open: paths are strokes only.
DRV_FUNC void SelectNoFill();
DRV_FUNC void SelectStroke(int32_t Index);
// Y mirrored (the host's Y axis points up); X too under the Mirror switch.
DRV_FUNC void FlipY(int32_t& X, int32_t& Y);
DRV_FUNC void CloseGroups();
