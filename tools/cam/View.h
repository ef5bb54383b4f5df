// View.h: plothost --cam --view: a picture of the fabricated board from its
// Gerber and Excellon files, drawn with the driver's own calls: the board's
// shape, copper, a translucent solder mask, the surface finish where the
// mask is open, silkscreen, holes through all of it.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "Cam.h"

namespace cam {

enum class BoardSide { Top, Bottom, Both };

// The host layers that carry the view's parts; the presets give them their
// colours and opacities. The view paints them in its own order, whatever
// the stacking order: substrate, copper, mask, silkscreen, the substrate
// again in the mask's openings, finish, then holes and what is not board.
constexpr int32_t ViewSubstrate = 3, ViewCopper = 1, ViewMask = 21, ViewFinish = 15, ViewSilk = 23, ViewNoBoard = 24;

// Reads the files and makes the calls of one document: Aperture records,
// then the parts, each on its layer. The bottom is seen from below
// (mirrored); Both puts it right of the top. Returns false with
// "FILE:LINE: what is wrong" messages on a bad file.
bool ImportView(const CamOptions& Options, BoardSide Side, int32_t MaxAperture, std::deque<CamCall>& Calls,
                std::vector<std::string>& Errors, std::vector<std::string>& Warnings);

// The view of one file's text taken as every layer of a board, both
// sides: for the fuzz target. Returns false with a message on a bad file.
bool ViewCheckText(const std::string& Name, const std::string& Text, std::string& Error);

// A settings preset shipped with plothost (tools/cam/views/NAME.ini), or
// nullptr: mask-green, mask-black, ..., finish-enig, finish-hasl, finish-osp.
const char* ViewPreset(const std::string& Name);
// The preset names, for messages.
std::string ViewPresetNames(const std::string& Prefix);

// Settings text Over laid over Base, key by key (a section of Over adds to
// the same section of Base and replaces its keys), as the driver's settings
// file: sections and keys matched regardless of case, first one wins.
std::string MergeSettings(const std::string& Base, const std::string& Over);

}  // namespace cam
