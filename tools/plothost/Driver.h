// Driver.h: the driver library as a host sees it, loaded at run time and
// reached through its exported entry points only.
#pragma once

#include <cstdint>
#include <string>

#include "driver/Exports.h"

// Entry point types, taken from the declarations the library is built with.
using GetDescrPtr440Fn = decltype(&::GetDescrPtr440);
using GetParamPtrFn = decltype(&::GetParamPtr);
using SetParamValueFn = decltype(&::SetParamValue);
using LayerOrderingFn = decltype(&::LayerOrdering);
using OpenEquipFn = decltype(&::OpenEquip);
using OpenLayerFn = decltype(&::OpenLayer);
using CloseEquipFn = decltype(&::CloseEquip);
using CommentFn = decltype(&::Comment);
using DrawLineFn = decltype(&::DrawLine);
using DrawArcFn = decltype(&::DrawArc);
using FlashPadFn = decltype(&::FlashPad);
using DrillHoleFn = decltype(&::DrillHole);
using DrawTextFn = decltype(&::DrawText);

struct Driver {
  GetDescrPtr440Fn GetDescrPtr440 = nullptr;
  GetParamPtrFn GetParamPtr = nullptr;
  SetParamValueFn SetParamValue = nullptr;
  LayerOrderingFn LayerOrdering = nullptr;
  OpenEquipFn OpenEquip = nullptr;
  OpenLayerFn OpenLayer = nullptr;
  CloseEquipFn CloseEquip = nullptr;
  CommentFn Comment = nullptr;
  DrawLineFn DrawLine = nullptr;
  DrawArcFn DrawArc = nullptr;
  FlashPadFn FlashPad = nullptr;
  DrillHoleFn DrillHole = nullptr;
  DrawTextFn DrawText = nullptr;

  std::string Path;  // as shown in messages

  // The aperture table whose address the descriptor publishes, or nullptr
  // when its field is 0 (no table could be placed within four bytes).
  TAperture* ApertureTable() const;
};

// The default driver: the library of this build's name beside the running
// executable, whatever the current directory.
std::string DefaultDriverPath();

// The settings file the driver reads: SVG.ini beside the running executable.
std::string DefaultSettingsPath();

// Loads the library at Path (nullptr: the default) and resolves every entry
// point by its plain name. The library's start-up, which reads the settings
// file beside this executable, runs here. On failure returns false with a
// message in Error.
bool LoadDriver(const std::string* Path, Driver& Out, std::string& Error);
