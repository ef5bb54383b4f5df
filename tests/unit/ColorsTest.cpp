// The colour model: the palette texts under the stored parameter values,
// the holds, the override, and the hue-wheel channels against the FPU's own
// extended-precision arithmetic.
#include "svg/Colors.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

// Every test starts from the stored values of parameters 25 to 30 and no
// override, and leaves the module as it found it.
class ColorModel : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 6; ++i) Saved[i] = DrvBlock.Params[25 + i].Value;
    SavedOverride = LayerColorOverride;
    std::memcpy(SavedGray, GrayLevels, sizeof(SavedGray));
    SetParams(36, 12, 30, 80, 30, -10);
    LayerColorOverride = -1;
  }
  void TearDown() override {
    for (int i = 0; i < 6; ++i) DrvBlock.Params[25 + i].Value = Saved[i];
    LayerColorOverride = SavedOverride;
    std::memcpy(GrayLevels, SavedGray, sizeof(SavedGray));
  }

  static void Set(int Index, int32_t V) { DrvBlock.Params[Index].Value = V; }
  static void SetParams(int32_t P25, int32_t P26, int32_t P27, int32_t P28, int32_t P29,
                        int32_t P30) {
    Set(25, P25);
    Set(26, P26);
    Set(27, P27);
    Set(28, P28);
    Set(29, P29);
    Set(30, P30);
  }
  static std::string Str(const TColorStr& C) { return std::string(C.Text, C.Len); }
  static std::string Text(int32_t Index) { return Str(ColorText(Index)); }

 private:
  int32_t Saved[6];
  int32_t SavedOverride;
  int32_t SavedGray[4];
};

TExtReal Ratio(int64_t N, int64_t D) { return ExtDiv(ExtFromInt(N), ExtFromInt(D)); }

std::string Hex2(long V) {
  char b[24];
  std::snprintf(b, sizeof b, "%02lX", V);
  return b;
}

// The text of a hue-wheel entry (4 to 9) made of the two channel levels.
std::string HueText(int Entry, long VLevel, long PLevel) {
  static const char* const pattern[6] = {"VVp", "pVp", "pVV", "ppV", "VpV", "Vpp"};
  std::string t = "#";
  for (int c = 0; c < 3; ++c) t += Hex2(pattern[Entry - 4][c] == 'V' ? VLevel : PLevel);
  return t;
}

TEST_F(ColorModel, WorkedExamples) {
  const struct {
    int32_t Index;
    const char* Text;
  } rows[] = {
      {-1, "none"},       {0, "#000000"},    {1, "#A3A3A3"},    {2, "#E0E0E0"},
      {3, "#FFFFFF"},     {28, "#000000"},   {29, "#898989"},   {30, "#C6C6C6"},
      {31, "#FFFFFF"},    {4, "#CCCC8E"},    {5, "#8ECC8E"},    {6, "#8ECCCC"},
      {7, "#8E8ECC"},     {8, "#CC8ECC"},    {9, "#CC8E8E"},    {32, "#B2B247"},
      {33, "#47B247"},    {34, "#47B2B2"},   {35, "#4747B2"},   {36, "#B247B2"},
      {37, "#B24747"},    {14, "LimeGreen"}, {42, "LimeGreen"},
  };
  for (const auto& r : rows) EXPECT_EQ(Text(r.Index), r.Text) << "index " << r.Index;
}

TEST_F(ColorModel, KeywordsForEveryNamedEntryAndItsPadVariant) {
  const char* const names[18] = {"Gold",       "Tan",       "Khaki",         "OliveDrab",
                                 "LimeGreen",  "Turquoise", "RoyalBlue",     "BlueViolet",
                                 "DarkOrchid", "Plum",      "PaleVioletRed", "DeepPink",
                                 "Crimson",    "RosyBrown", "Brown",         "Chocolate",
                                 "DarkOrange", "Orange"};
  for (int e = 10; e < 28; ++e) {
    EXPECT_EQ(Text(e), names[e - 10]);
    EXPECT_EQ(Text(e + 28), names[e - 10]);
  }
  EXPECT_EQ(NamedColors[0].Rgb, 0xFFD700);
  EXPECT_EQ(NamedColors[10].Rgb, 0xDB7093);
  EXPECT_EQ(NamedColors[17].Rgb, 0xFFA500);
  // The longest text.
  EXPECT_EQ(ColorText(48).Len, 13);
}

TEST_F(ColorModel, KeywordsIgnoreEveryParameter) {
  SetParams(-7, 1000, INT32_MIN, INT32_MAX, 90, -90);
  EXPECT_EQ(Text(10), "Gold");
  EXPECT_EQ(Text(38), "Gold");
  EXPECT_EQ(Text(55), "Orange");
}

TEST_F(ColorModel, OverrideReplacesEverythingButNone) {
  LayerColorOverride = 0xFF8000;
  for (const int32_t index : {0, 1, 29, 4, 32, 14, 42, 3, 55}) {
    EXPECT_EQ(Text(index), "#FF8000") << "index " << index;
  }
  EXPECT_EQ(Text(-1), "none");
  // Wide and negative values: written as their 32-bit pattern, never cut.
  LayerColorOverride = 0x123;
  EXPECT_EQ(Text(9), "#000123");
  LayerColorOverride = static_cast<int32_t>(0x80FF8000u);
  EXPECT_EQ(Text(9), "#80FF8000");
  LayerColorOverride = -2;
  EXPECT_EQ(Text(9), "#FFFFFFFE");
  LayerColorOverride = 0;  // the value at load: black, not "no override"
  EXPECT_EQ(Text(14), "#000000");
  EXPECT_EQ(Str(OverrideText(0xFF8000)), "#FF8000");
  EXPECT_EQ(Str(OverrideText(INT32_MIN)), "#80000000");
}

TEST_F(ColorModel, LevelsAreTruncatedNotRounded) {
  EXPECT_EQ(Text(29), "#898989");  // lightness 54: 137.7
  EXPECT_EQ(Text(32), "#B2B247");  // brightness 0.7: 178.5
  EXPECT_EQ(Str(GrayText(54)), "#898989");
  EXPECT_EQ(Str(GrayText(1)), "#020202");  // 2.55
  EXPECT_EQ(Str(RgbText(Ratio(7, 10), Ratio(1, 255), Ratio(254, 255))), "#B201FE");
}

TEST_F(ColorModel, GreyLightnessIsHeld) {
  Set(26, 5);
  Set(30, 10);
  EXPECT_EQ(Text(30), "#FFFFFF");  // 105
  Set(25, 100);
  Set(30, -10);
  EXPECT_EQ(Text(29), "#000000");  // -10
  // Parameters far outside their ranges: the sums wrap, then are held.
  Set(25, INT32_MIN);  // 100 - INT32_MIN wraps below zero
  EXPECT_EQ(Text(1), "#000000");
  Set(25, 0);
  Set(30, INT32_MAX);  // 100 + INT32_MAX wraps below zero
  EXPECT_EQ(Text(29), "#000000");
  EXPECT_EQ(Str(GrayText(INT32_MIN)), "#000000");
  EXPECT_EQ(Str(GrayText(INT32_MAX)), "#FFFFFF");
}

TEST_F(ColorModel, GrayLevelsFollowTheParameters) {
  Set(25, 20);
  Set(26, 70);
  Text(0);  // any grey request refreshes both adjustable levels
  EXPECT_EQ(GrayLevels[0], 0);
  EXPECT_EQ(GrayLevels[1], 80);
  EXPECT_EQ(GrayLevels[2], 30);
  EXPECT_EQ(GrayLevels[3], 100);
  // Black and white take no pad shift.
  Set(30, 50);
  EXPECT_EQ(Text(28), "#000000");
  Set(30, -50);
  EXPECT_EQ(Text(31), "#FFFFFF");
}

TEST_F(ColorModel, ParameterChangeShowsInTheNextCall) {
  EXPECT_EQ(Text(1), "#A3A3A3");
  EXPECT_EQ(Text(29), "#898989");
  Set(25, 50);
  EXPECT_EQ(Text(1), "#7F7F7F");   // 50: 127.5
  EXPECT_EQ(Text(29), "#666666");  // 40: 102
  Set(27, 100);
  Set(28, 100);
  EXPECT_EQ(Text(4), "#FFFF00");
  // A hue-wheel text asked for again after a parameter was written in place.
  const std::string before = Text(34);
  EXPECT_EQ(Text(34), before);
  Set(29, -50);
  EXPECT_EQ(Text(34), Str(HsvText(ExtFromInt(180), Ratio(50, 100), Ratio(90, 100))));
  EXPECT_NE(Text(34), before);
  Set(29, 30);
  EXPECT_EQ(Text(34), before);
}

TEST_F(ColorModel, HueWheelAtSaturationZeroAndFull) {
  Set(27, 0);
  Set(28, 100);
  for (int e = 4; e <= 9; ++e) EXPECT_EQ(Text(e), "#FFFFFF") << "entry " << e;
  Set(27, 100);
  const char* const pure[6] = {"#FFFF00", "#00FF00", "#00FFFF", "#0000FF", "#FF00FF", "#FF0000"};
  for (int e = 4; e <= 9; ++e) EXPECT_EQ(Text(e), pure[e - 4]) << "entry " << e;
}

TEST_F(ColorModel, PadSumsAreHeld) {
  Set(28, 100);
  Set(30, 50);
  EXPECT_EQ(Text(32), "#FFFF65");  // brightness 1.5 held to 1, saturation 0.6
  Set(27, 0);
  Set(29, -50);
  EXPECT_EQ(Text(32), "#FFFFFF");  // saturation -0.5 held to 0
  // Sums that leave the int32 range wrap and are then held like any other.
  Set(28, 80);
  Set(30, -10);
  Set(27, INT32_MAX);
  Set(29, 1);  // wraps to INT32_MIN: saturation 0
  EXPECT_EQ(Text(32), "#B2B2B2");
  Set(27, INT32_MIN);
  Set(29, -1);  // wraps to INT32_MAX: saturation 1
  EXPECT_EQ(Text(32), "#B2B200");
}

TEST_F(ColorModel, ExtendedPrecisionPairs) {
  // One level below both the exact and the double-precision result.
  Set(27, 60);
  Set(28, 50);
  EXPECT_EQ(Text(4), "#7F7F32");
  Set(28, 100);
  EXPECT_EQ(Text(7), "#6565FF");
  Set(27, 80);
  EXPECT_EQ(Text(9), "#FF3232");
}

TEST_F(ColorModel, HueThreeSixtyIsSectorZero) {
  Set(27, 100);
  Set(28, 100);
  EXPECT_EQ(Text(9), "#FF0000");
  EXPECT_EQ(Str(HsvText(ExtFromInt(360), ExtFromInt(1), ExtFromInt(1))), "#FF0000");
  EXPECT_EQ(Str(HsvText(ExtFromInt(0), ExtFromInt(1), ExtFromInt(1))), "#FF0000");
}

TEST_F(ColorModel, HsvTextBetweenSectors) {
  const TExtReal one = ExtFromInt(1);
  // Hue 30: red with green at f = 0.5.
  EXPECT_EQ(Str(HsvText(ExtFromInt(30), one, one)), "#FF7F00");
  EXPECT_EQ(Str(HsvText(ExtFromInt(90), one, one)), "#7FFF00");
  EXPECT_EQ(Str(HsvText(ExtFromInt(330), one, one)), "#FF007F");
  // A negative hue counts back from the end of the wheel.
  EXPECT_EQ(Str(HsvText(ExtFromInt(-60), one, one)), "#FF00FF");
  EXPECT_EQ(Str(HsvText(ExtFromInt(-120), one, one)), "#0000FF");
  // Saturation and brightness are held to [0, 1].
  EXPECT_EQ(Str(HsvText(ExtFromInt(120), ExtFromInt(-3), ExtFromInt(7))), "#FFFFFF");
  EXPECT_EQ(Str(HsvText(ExtFromInt(120), ExtFromInt(3), ExtFromInt(-7))), "#000000");
}

TEST_F(ColorModel, RgbTextOutsideTheUnitRange) {
  // Not reachable from ColorText; the low 32 bits of the truncated level.
  EXPECT_EQ(Str(RgbText(ExtFromInt(2), ExtFromInt(0), ExtFromInt(1))), "#1FE00FF");
  EXPECT_EQ(Str(RgbText(Ratio(-1, 255), ExtFromInt(0), ExtFromInt(0))), "#FFFFFFFF0000");
  EXPECT_EQ(Str(RgbText(Ratio(-1, 256), ExtFromInt(0), ExtFromInt(0))), "#000000");
}

TEST_F(ColorModel, IndicesOutsideTheLists) {
  EXPECT_EQ(Text(-2), "none");
  EXPECT_EQ(Text(INT32_MIN), "none");
  // Past 55 the entry repeats every 28 indices as a pad variant...
  EXPECT_EQ(Text(56), Text(28));
  EXPECT_EQ(Text(57), Text(29));
  EXPECT_EQ(Text(66), "Gold");
  EXPECT_EQ(Text(INT32_MAX), "Turquoise");  // entry 15
  // ...while the hue walks on round the wheel: index 60 is entry 4 with hue
  // 1740, sector 5, and INT32_MAX - 10 is entry 5 with a hue in sector 2.
  EXPECT_EQ(Text(60), Text(36));
  EXPECT_EQ(Text(INT32_MAX - 10), Text(33));
  // The override covers them too, -1 still excepted.
  LayerColorOverride = 0x00FF00;
  EXPECT_EQ(Text(-2), "#00FF00");
  EXPECT_EQ(Text(1000), "#00FF00");
  EXPECT_EQ(Text(-1), "none");
}

TEST_F(ColorModel, TextsFitThirteenCharacters) {
  for (const int32_t p : {INT32_MIN, -90, 0, 55, 100, 190, INT32_MAX}) {
    SetParams(p, p, p, p, p, p);
    for (int32_t index = -1; index <= 55; ++index) {
      const TColorStr c = ColorText(index);
      EXPECT_LE(c.Len, 13) << "index " << index;
      EXPECT_TRUE(c.Len == 4 || c.Text[0] == '#' || (c.Text[0] >= 'A' && c.Text[0] <= 'Z'));
    }
  }
}

// With integer percentages the V channel is (255 v) div 100 and the p channel
// the exact floor of 255 v (100 - s) / 10000, except at three pairs where the
// extended-precision rounding leaves it one lower.
TEST_F(ColorModel, HueWheelAgainstExactArithmetic) {
  int fails = 0;
  for (int s = 0; s <= 100; ++s) {
    for (int v = 0; v <= 100; ++v) {
      Set(27, s);
      Set(28, v);
      const long vLevel = 255L * v / 100;
      long pLevel = 255L * v * (100 - s) / 10000;
      if ((s == 60 && v == 50) || (s == 60 && v == 100) || (s == 80 && v == 100)) --pLevel;
      for (int e = 4; e <= 9; ++e) {
        const std::string want = HueText(e, vLevel, pLevel);
        if (Text(e) != want) {
          ADD_FAILURE() << "s " << s << " v " << v << " entry " << e << ": " << Text(e)
                        << ", want " << want;
          if (++fails >= 10) return;
        }
      }
    }
  }
}

#if LDBL_MANT_DIG == 64

// The channel levels as the FPU makes them in 80-bit arithmetic.
void FpuLevels(int32_t SatPercent, int32_t BriPercent, long& VLevel, long& PLevel) {
  volatile long double s = static_cast<long double>(SatPercent) / 100;
  volatile long double v = static_cast<long double>(BriPercent) / 100;
  if (!(s >= 0)) s = 0;
  else if (s > 1) s = 1;
  if (!(v >= 0)) v = 0;
  else if (v > 1) v = 1;
  const volatile long double p = (1 - s) * v;
  VLevel = static_cast<long>(v * 255);
  PLevel = static_cast<long>(p * 255);
}

// Every saturation and brightness percentage, plain and pad variants, the
// pad sums once within 0..100 and once pushed beyond it both ways.
TEST_F(ColorModel, HueWheelAgainstFpu) {
  int fails = 0;
  auto check = [&](int32_t Index, int32_t SatSum, int32_t BriSum) {
    long vLevel, pLevel;
    FpuLevels(SatSum, BriSum, vLevel, pLevel);
    const std::string want = HueText(Index % 28, vLevel, pLevel);
    const std::string got = Text(Index);
    if (got != want) {
      ADD_FAILURE() << "index " << Index << " saturation " << SatSum << " brightness " << BriSum
                    << ": " << got << ", want " << want;
      ++fails;
    }
  };
  for (int s = 0; s <= 100 && fails < 10; ++s) {
    for (int v = 0; v <= 100 && fails < 10; ++v) {
      SetParams(36, 12, s, v, 0, 0);
      for (int e = 4; e <= 9; ++e) check(e, s, v);
      // Pad sums that come out at (s, v).
      SetParams(36, 12, s - 30, v + 10, 30, -10);
      for (int e = 4; e <= 9; ++e) check(e + 28, s, v);
    }
  }
  const int32_t rel[4][2] = {{-90, -90}, {90, 90}, {-90, 90}, {90, -90}};
  for (const auto& r : rel) {
    for (int s = 0; s <= 100 && fails < 10; ++s) {
      for (int v = 30; v <= 100 && fails < 10; ++v) {
        SetParams(36, 12, s, v, r[0], r[1]);
        for (int e = 4; e <= 9; ++e) check(e + 28, s + r[0], v + r[1]);
      }
    }
  }
}

#endif  // LDBL_MANT_DIG == 64

}  // namespace
