// Settings.h: the per-layer settings and the layer stacking order, read from
// the settings file while the library loads and fixed from then on.
//
// The file (ShortName + ".ini" beside the host executable) has a section
// "Setup" with the switch HiddenText and the plot switches below, and sections "Layer0" to "Layer25" with
// the keys Color, Opacity and ZOrder. Whatever is missing or doesn't convert
// takes its default; nothing is reported.
#pragma once

#include <cstdint>

#include "../host/DrvConf.h"
#include "Profile.h"

struct TLayerSetting {
  int32_t ColorOverride;  // -1: none; else 0xRRGGBB, written in place of every palette colour
  int32_t Opacity;        // percent, 0 to 100
};

constexpr int LayerCount = 26;

// By layer number. Before any load: no override and full opacity.
DRV_FUNC extern TLayerSetting LayerSettings[LayerCount];

struct TStackEntry {
  int32_t Layer;
  int32_t ZOrder;
};

// Every layer once, by ascending ZOrder; filled by SortStackingOrder.
DRV_FUNC extern TStackEntry StackingOrder[LayerCount];

// The plot switches of the [Setup] section, all off by default; each key is
// on when its value converts to a number other than 0. Off, the output is
// exactly what it is without them.
enum TPlotSwitch {
  InkscapeLayers,   // layer groups are Inkscape layers, labelled by parameter name
  SeeThroughHoles,  // the holes layer cuts openings through the page and every layer
  Mirror,           // the plot mirrored left to right about the frame's centre
  Monochrome,       // black on a white page; holes white
  Negative,         // white on a black page; holes black; wins over Monochrome
  TrueSize,         // width and height state the whole view box in millimetres
  PlotSwitchCount
};

// The keys, in TPlotSwitch order.
DRV_FUNC extern const char* const PlotSwitchNames[PlotSwitchCount];

// As the last load read them.
DRV_FUNC extern bool PlotSwitches[PlotSwitchCount];

// The integer rule: leading spaces, an optional sign, then decimal digits
// (within the int32 range) or a hexadecimal prefix ($, x, X, 0x, 0X) and
// digits up to FFFFFFFF, taken as a two's-complement pattern and negated
// after a '-'. Nothing may follow. False when Text doesn't convert; Out is
// then untouched.
DRV_FUNC bool IntRule(const char* Text, int32_t& Out);

// A colour text: '#' counts as '$', so "#RRGGBB" gives 0xRRGGBB; otherwise
// the integer rule.
DRV_FUNC bool ColorRule(const char* Text, int32_t& Out);

// Resets everything to the defaults, then reads the file: HiddenText into
// the descriptor's Flags bit 15 (other bits untouched), then for each layer
// its colour override, opacity and stacking key, then the plot switches. LoadSettingsFrom reads the
// given file instead; nullptr reads as no file.
DRV_FUNC void LoadSettings();
DRV_FUNC void LoadSettingsFrom(const TPathChar* File);

// The text of [Setup] Record as the last load read it: the file the driver
// records its calls to (driver/Record.h), empty when none is named.
DRV_FUNC const char* RecordSetting();

// The lookups of the last load, in the order made: every section and key
// the driver reads, each with the value text found (empty: missing). Count
// receives their number. For the check that the sample settings file
// shipped to users names every key.
DRV_FUNC const TProfileEntry* SettingsLookups(int& Count);

// Sorts the layers by the keys the last load stored, stably: equal keys keep
// ascending layer numbers.
DRV_FUNC void SortStackingOrder();

// The layer plotted at Position, as LayerOrdering answers the host:
// positions 0 to 23 give layers 0 to 23 in the sorted order (the keys of
// layers 24 and 25 don't move them); any other position answers itself, so
// every layer is plotted exactly once.
DRV_FUNC int32_t StackedLayer(int32_t Position);
