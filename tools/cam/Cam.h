// Cam.h: plothost's import of a board's Gerber (RS-274X, X2) and Excellon
// files: the files become the calls a layout program makes to plot that
// board, one document, each file on its host layer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "tools/cam/CamModel.h"
#include "tools/cam/Hatch.h"
#include "tools/calls/Calls.h"

// One call the import makes, without the journal's line and text: a board
// makes hundreds of thousands of them, kept in memory until the plot, in
// blocks (a deque), never copied whole as they grow.
struct CamCall {
  Verb What;
  int32_t Arg[6];  // as Call::Arg
};

// The full call that plothost replays or writes to a journal.
Call ToCall(const CamCall& C);

struct CamOptions {
  std::vector<std::string> Files;
  // --layer FILE=N, in the order given.
  std::vector<std::pair<std::string, int32_t>> Layers;
  double MarginMm = 2.0;
};

// Reads the files and makes the calls: Aperture records, then one
// document whose layers open in Order (the driver's plotting order). The
// plot area runs from 0,0: Origin receives the file coordinates (host
// units) that land there.
// MaxAperture is the driver's highest aperture record. On a bad file,
// returns false with "FILE:LINE: what is wrong" messages in Errors.
// Warnings collects each kind of deprecated construct once.
bool ImportCam(const CamOptions& Options, const std::vector<int32_t>& Order, int32_t MaxAperture,
               std::deque<CamCall>& Calls, std::vector<std::string>& Errors,
               std::vector<std::string>& Warnings, int64_t Origin[2]);

// Whether a file's first CamSniffBytes bytes (or all of a shorter file) look
// like Gerber or Excellon data, as the import tells them apart.
constexpr size_t CamSniffBytes = 1 << 16;
bool CamLooksLikeData(const std::string& Head);

// The default layer table and the file-name conventions, for --layers-map.
std::string CamLayersMap();

// Reads one file's text alone and makes its calls (both readers, areas
// hatched, all on one layer): for the fuzz target. Returns false on a bad
// file.
bool CamCheckText(const std::string& Name, const std::string& Text, std::string& Error);

namespace cam {

// One file as the board views take it, on the host layer the plot would
// put it on: resolved, so its areas are runs of one polarity (clip units)
// and Img keeps the objects drawn as they are.
struct CamLayerImage {
  std::string File;
  int32_t Layer = -1;
  Image Img;
  std::vector<AreaLayer> Areas;
  double StrokeWidth = 0;  // widest stroke of an outline file, host units
};

// Where runs of areas leave it dark, resolved (clip units).
Paths AreasDark(const std::vector<AreaLayer>& Areas);

// Where the image is dark, as polygons (clip units) taken by the non-zero
// rule.
Paths ImageDark(const CamLayerImage& Li);

// Reads the files and places them as ImportCam does; Out has the images of
// those placed on the layers of Wanted (bit N: layer N). On a bad file
// returns false with "FILE:LINE: what is wrong" messages in Errors.
bool ReadCamImages(const CamOptions& Options, uint32_t Wanted, std::vector<CamLayerImage>& Out,
                   std::vector<std::string>& Errors, std::vector<std::string>& Warnings);

// One file's text as an image on Out.Layer (set by the caller): for the
// fuzz target.
bool ReadCamImageText(const std::string& Name, const std::string& Text, CamLayerImage& Out, std::string& Error);

}  // namespace cam
