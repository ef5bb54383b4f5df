// Colors.cpp: the palette and the colour texts.
//
// All real arithmetic goes through ExtReal: the host's palette is computed in
// x87 extended precision, and a handful of saturation/brightness pairs land
// one level lower there than in double or exact arithmetic.
#include "Colors.h"

#include <cstring>

#include "../host/DLL_Util.h"

namespace {

constexpr int EntryCount = 28;  // the colour choice list; pad variants follow
constexpr int FirstHueEntry = 4;
constexpr int FirstNamedEntry = 10;

// Colour model parameters.
constexpr int ParamDarkGray = 25;
constexpr int ParamLightGray = 26;
constexpr int ParamSaturation = 27;
constexpr int ParamBrightness = 28;
constexpr int ParamPadSaturation = 29;
constexpr int ParamPadBrightness = 30;

TColorStr ToColorStr(const TLineBuf& B) {
  TColorStr s{};
  s.Len = static_cast<uint8_t>(B.Len > sizeof(s.Text) ? sizeof(s.Text) : B.Len);
  std::memcpy(s.Text, B.Text, s.Len);
  return s;
}

TColorStr NoneText() { return Str<31>("none"); }

TExtReal Percent(int32_t P) { return ExtDiv(ExtFromInt(P), ExtFromInt(100)); }

// Held to [0, 1]: anything not at least 0 becomes 0, anything above 1 becomes 1.
TExtReal HoldUnit(TExtReal X) {
  const TExtReal zero = ExtFromInt(0);
  const TExtReal one = ExtFromInt(1);
  if (ExtLess(X, zero)) return zero;
  if (ExtLess(one, X)) return one;
  return X;
}

void PutChannel(TLineBuf& B, TExtReal X) {
  // Truncate, never round: the host's palette does.
  const int64_t level = ExtTrunc(ExtMul(X, ExtFromInt(255)));
  PutHex(B, static_cast<uint32_t>(static_cast<uint64_t>(level)), 2);
}

// The hue wheel costs a few hundred nanoseconds of software extended
// precision, and pads ask for their colour at every call. HsvText depends on
// nothing but its arguments, so the last few texts are kept with those
// arguments and reused only when all of them are equal again: a parameter
// the host changed between two calls gives new arguments, never a stale text.
struct THueMemo {
  bool Valid;
  int64_t Hue;
  int32_t S, V;  // percent
  TColorStr Text;
};
THueMemo HueMemos[4] = {};
unsigned NextHueMemo = 0;

TColorStr HueText(int64_t Hue, int32_t S, int32_t V) {
  for (const THueMemo& m : HueMemos) {
    if (m.Valid && m.Hue == Hue && m.S == S && m.V == V) return m.Text;
  }
  THueMemo& m = HueMemos[NextHueMemo++ % 4];
  m = {true, Hue, S, V, HsvText(ExtFromInt(Hue), Percent(S), Percent(V))};
  return m.Text;
}

// Drill holes ask for the same grey at every call; a grey's text depends on
// its lightness alone.
struct TGrayMemo {
  bool Valid;
  int32_t L;  // as asked for, before it is held to 0..100
  TColorStr Text;
};
TGrayMemo LastGray = {};

}  // namespace

constinit const TNamedColor NamedColors[18] = {
    {Str<23>("Gold"), 0xFFD700},          {Str<23>("Tan"), 0xD2B48C},
    {Str<23>("Khaki"), 0xF0E68C},         {Str<23>("OliveDrab"), 0x6B8E23},
    {Str<23>("LimeGreen"), 0x32CD32},     {Str<23>("Turquoise"), 0x40E0D0},
    {Str<23>("RoyalBlue"), 0x4169E1},     {Str<23>("BlueViolet"), 0x8A2BE2},
    {Str<23>("DarkOrchid"), 0x9932CC},    {Str<23>("Plum"), 0xDDA0DD},
    {Str<23>("PaleVioletRed"), 0xDB7093}, {Str<23>("DeepPink"), 0xFF1493},
    {Str<23>("Crimson"), 0xDC143C},       {Str<23>("RosyBrown"), 0xBC8F8F},
    {Str<23>("Brown"), 0xA52A2A},         {Str<23>("Chocolate"), 0xD2691E},
    {Str<23>("DarkOrange"), 0xFF8C00},    {Str<23>("Orange"), 0xFFA500},
};

int32_t LayerColorOverride = 0;

// Entries 1 and 2 as the stored parameter values give them.
int32_t GrayLevels[4] = {0, 64, 88, 100};

TColorStr GrayText(int32_t L) {
  if (LastGray.Valid && LastGray.L == L) return LastGray.Text;
  LastGray.L = L;
  if (L < 0) L = 0;
  if (L > 100) L = 100;
  const uint32_t level = static_cast<uint32_t>(L) * 255 / 100;
  TLineBuf b;
  b.Len = 0;
  PutText(b, "#");
  PutHex(b, level * 0x010101u, 6);
  LastGray.Text = ToColorStr(b);
  LastGray.Valid = true;
  return LastGray.Text;
}

TColorStr OverrideText(int32_t V) {
  TLineBuf b;
  b.Len = 0;
  PutText(b, "#");
  PutHex(b, static_cast<uint32_t>(V), 6);
  return ToColorStr(b);
}

TColorStr RgbText(TExtReal R, TExtReal G, TExtReal B) {
  TLineBuf b;
  b.Len = 0;
  PutText(b, "#");
  PutChannel(b, R);
  PutChannel(b, G);
  PutChannel(b, B);
  return ToColorStr(b);
}

TColorStr HsvText(TExtReal H, TExtReal S, TExtReal V) {
  const TExtReal one = ExtFromInt(1);
  const TExtReal h = ExtDiv(H, ExtFromInt(60));
  const int64_t i = ExtTrunc(h);
  // A negative hue counts from the end of the wheel: -60 lies in sector 5.
  int64_t sector = i % 6;
  if (sector < 0) sector += 6;
  const TExtReal f = ExtSub(h, ExtFromInt(i));
  S = HoldUnit(S);
  V = HoldUnit(V);

  const TExtReal p = ExtMul(ExtSub(one, S), V);
  const TExtReal q = ExtMul(ExtSub(one, ExtMul(f, S)), V);
  const TExtReal t = ExtMul(ExtSub(one, ExtMul(ExtSub(one, f), S)), V);
  switch (sector) {
    case 0: return RgbText(V, t, p);
    case 1: return RgbText(q, V, p);
    case 2: return RgbText(p, V, t);
    case 3: return RgbText(p, q, V);
    case 4: return RgbText(t, p, V);
    default: return RgbText(V, p, q);
  }
}

TColorStr ColorText(int32_t Index) {
  // "none" comes first, so an override never fills what has no fill.
  if (Index == -1) return NoneText();
  if (LayerColorOverride != -1) return OverrideText(LayerColorOverride);
  // Below -1 the index names no entry: a colour parameter outside its list.
  if (Index < 0) return NoneText();

  const int32_t entry = Index % EntryCount;
  const bool pad = Index >= EntryCount;
  if (entry < FirstHueEntry) {
    GrayLevels[1] = SubWrap(100, ParamValue(ParamDarkGray));
    GrayLevels[2] = SubWrap(100, ParamValue(ParamLightGray));
    int32_t l = GrayLevels[entry];
    if (pad && (entry == 1 || entry == 2)) l = AddWrap(l, ParamValue(ParamPadBrightness));
    return GrayText(l);
  }
  if (entry < FirstNamedEntry) {
    // The hue comes from the index itself, not the entry, so an index beyond
    // the pad range walks further round the wheel; int64 keeps it exact.
    const int64_t hue = (static_cast<int64_t>(Index) - (pad ? 31 : 3)) * 60;
    int32_t s = ParamValue(ParamSaturation);
    int32_t v = ParamValue(ParamBrightness);
    if (pad) {
      s = AddWrap(s, ParamValue(ParamPadSaturation));
      v = AddWrap(v, ParamValue(ParamPadBrightness));
    }
    return HueText(hue, s, v);
  }
  // The whole keyword record: its bytes past Len are zero, as in every
  // colour text.
  TColorStr r{};
  std::memcpy(&r, &NamedColors[entry - FirstNamedEntry].Keyword, sizeof(TShortStr<23>));
  return r;
}
