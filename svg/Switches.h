// Switches.h: what the plot switches of the settings file ([Setup]
// InkscapeLayers, SeeThroughHoles, Mirror, Monochrome, Negative, TrueSize)
// change in the document. Each operation is a hook that the frame, line and
// pad writers call at one place; with every switch off each hook writes
// nothing and changes nothing, so the document is byte for byte the one
// without switches.
//
// See-through holes, streamed: every layer group and the page rectangle
// refer to one mask, id "holes", that is defined later, by the first holes
// layer (24) of the document, or empty by CloseEquip when there is none.
// The mask is white over the whole view box with a black circle at every
// hole drilled in that layer, so the holes become openings. Holes drilled
// while another layer is open are drawn as without the switch.
//
// Mirror works on coordinates, not by a transform: FlipY also mirrors X
// about the frame's centre, so every element, the mask's holes included,
// lies where the mirror puts it, in integers, and the group stack is the
// one without the switch.
#pragma once

#include <cstdint>

#include "../host/DLL_Util.h"

// OpenEquip, before the header: remembers the plot area, forgets any mask
// of an earlier document, and brings the forced colour into force for what
// is drawn before the first layer.
DRV_FUNC void StartSwitchedDocument(int32_t XMin, int32_t YMin, int32_t XMax, int32_t YMax);

// Header: the namespace line after the root's first line, the extent that
// width and height state, a comment naming the switches that are on after
// the root start tag, and the frame's colours and mask reference.
DRV_FUNC void WriteRootNamespaces();
DRV_FUNC int32_t PageExtent(int32_t Min, int32_t Max);
DRV_FUNC const char* ExtentUnit();
DRV_FUNC void WriteSetupComment();
DRV_FUNC void PutFrameStart(TLineBuf& B);  // "<rect fill=... stroke=..."
DRV_FUNC void PutHolesMaskRef(TLineBuf& B);

// OpenLayer: the forced colour of Monochrome and Negative, the opacity the
// layer group carries, the holes mask in place of the holes layer's group
// (true when it was written), and the layer group's further attributes.
DRV_FUNC void ForcePlotColors(int32_t Layer);
DRV_FUNC int32_t PlotOpacity(int32_t Opacity);
DRV_FUNC bool OpenHolesMask(int32_t Layer);
DRV_FUNC void PutLayerAttributes(TLineBuf& B, int32_t Layer);

// CloseGroups, after the layer group's end tag: ends the mask it was in.
DRV_FUNC void CloseHolesMask();
// CloseEquip, before the root's end tag: the empty mask when none was written.
DRV_FUNC void WriteMissingHolesMask();

// Mirror: X about the frame's centre; the quarter a mirrored quarter circle
// is drawn as (0 and 90 swap, so do 180 and 270).
DRV_FUNC void MirrorX(int32_t& X);
DRV_FUNC int32_t MirroredQuarter(int32_t Quarter);

// DrillHole: whether the hole goes into the open holes mask (drawn without a
// fill of its own: the mask's black makes it an opening), and the colour
// that Monochrome or Negative force on holes (false: none forced).
DRV_FUNC bool HolesMaskOpen();
DRV_FUNC bool HoleColorForced(int32_t& Rgb);
