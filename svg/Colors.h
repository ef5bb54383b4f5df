// Colors.h: the colour model, turning a colour index into the text that goes
// into stroke and fill attributes.
//
// A colour index names an entry of the 28-entry colour choice list (0 to 27),
// its pad variant (entry + 28), or -1 for "none". Entries 0 to 3 are greys,
// 4 to 9 hue-wheel colours, 10 to 27 SVG colour keywords. In the pad variant
// the two adjustable greys and the hue-wheel colours are shifted by the
// pad-relative parameters; black, white and the keywords stay as they are.
//
// The texts are "none", "#" and upper-case hex digits (six, or more for a
// wide override value), or a keyword; at most 13 characters from ColorText.
#pragma once

#include <cstdint>

#include "../host/DrvTypes.h"
#include "ExtReal.h"

typedef TShortStr<31> TColorStr;  // colour texts are at most 13 characters

struct TNamedColor {
  TShortStr<23> Keyword;  // what ColorText returns
  int32_t Rgb;            // 0x00RRGGBB the keyword stands for; never written out
};

// Colour entries 10 to 27, in entry order.
DRV_FUNC extern const TNamedColor NamedColors[18];

// 0x00RRGGBB standing in for every colour but "none", or -1 for no override.
// 0 at load; OpenLayer stores the layer's override before asking for its
// colours, and it stays in force until the next layer opens.
DRV_FUNC extern int32_t LayerColorOverride;

// Lightness percentages of the grey entries 0 to 3. Entries 1 and 2 follow
// parameters 25 and 26 and are rewritten at every grey request.
DRV_FUNC extern int32_t GrayLevels[4];

// The text of colour Index, from the current values of parameters 25 to 30
// and LayerColorOverride. Index -1 is "none" even under an override; other
// indices below -1 name no entry and are "none" too, unless an override is in
// force, which replaces every colour but -1.
DRV_FUNC TColorStr ColorText(int32_t Index);

// A grey of lightness L percent, L held to 0..100.
DRV_FUNC TColorStr GrayText(int32_t L);
// "#" and the 32-bit pattern of V, at least six hex digits, never cut.
DRV_FUNC TColorStr OverrideText(int32_t V);
// Channels in [0, 1], each scaled by 255 and truncated. Outside [0, 1] the
// low 32 bits of the truncated value are written, as many digits as they need.
DRV_FUNC TColorStr RgbText(TExtReal R, TExtReal G, TExtReal B);
// Hue in degrees; saturation and brightness held to [0, 1].
DRV_FUNC TColorStr HsvText(TExtReal H, TExtReal S, TExtReal V);
