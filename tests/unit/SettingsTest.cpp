// The settings read at load: the integer and colour rules, what each key
// does to the descriptor's Flags and the layer settings, the stacking order
// and what LayerOrdering answers, and files that hold nothing useful.
#include "settings/Settings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "host/DrvTypes.h"

namespace {

namespace fs = std::filesystem;

// ---- Integer rule -------------------------------------------------------

// The value, or a marker that can't come out of a conversion test below.
struct TConv {
  bool Ok;
  int32_t Value;
};

TConv Int(const char* Text) {
  int32_t v = 12345;
  const bool ok = IntRule(Text, v);
  return {ok, v};
}

TConv Color(const char* Text) {
  int32_t v = 12345;
  const bool ok = ColorRule(Text, v);
  return {ok, v};
}

#define EXPECT_CONVERTS(Conv, Text, Want)       \
  do {                                          \
    const TConv c_ = Conv(Text);                \
    EXPECT_TRUE(c_.Ok) << '"' << (Text) << '"'; \
    EXPECT_EQ(c_.Value, Want) << '"' << (Text) << '"'; \
  } while (0)

#define EXPECT_FAILS(Conv, Text)                                  \
  do {                                                            \
    const TConv c_ = Conv(Text);                                  \
    EXPECT_FALSE(c_.Ok) << '"' << (Text) << '"';                   \
    EXPECT_EQ(c_.Value, 12345) << "Out changed for \"" << (Text) << '"'; \
  } while (0)

TEST(IntegerRule, Decimal) {
  EXPECT_CONVERTS(Int, "0", 0);
  EXPECT_CONVERTS(Int, "7", 7);
  EXPECT_CONVERTS(Int, "1800", 1800);
  EXPECT_CONVERTS(Int, "-5", -5);
  EXPECT_CONVERTS(Int, "+5", 5);
  EXPECT_CONVERTS(Int, "-0", 0);
  EXPECT_CONVERTS(Int, "007", 7);
  EXPECT_CONVERTS(Int, "000000000000000000000000000042", 42);
}

TEST(IntegerRule, DecimalLimits) {
  EXPECT_CONVERTS(Int, "2147483647", INT32_MAX);
  EXPECT_CONVERTS(Int, "+2147483647", INT32_MAX);
  EXPECT_CONVERTS(Int, "-2147483648", INT32_MIN);
  EXPECT_CONVERTS(Int, "-2147483647", -2147483647);
  EXPECT_FAILS(Int, "2147483648");
  EXPECT_FAILS(Int, "+2147483648");
  EXPECT_FAILS(Int, "-2147483649");
  EXPECT_FAILS(Int, "4294967295");
  EXPECT_FAILS(Int, "4294967296");
  EXPECT_FAILS(Int, "99999999999999999999999999999999");
  EXPECT_FAILS(Int, "-99999999999999999999999999999999");
}

TEST(IntegerRule, HexadecimalPrefixes) {
  EXPECT_CONVERTS(Int, "$10", 16);
  EXPECT_CONVERTS(Int, "x10", 16);
  EXPECT_CONVERTS(Int, "X10", 16);
  EXPECT_CONVERTS(Int, "0x10", 16);
  EXPECT_CONVERTS(Int, "0X10", 16);
  EXPECT_CONVERTS(Int, "$aBcDeF", 0xABCDEF);
  EXPECT_CONVERTS(Int, "0xabcdef", 0xABCDEF);
  EXPECT_CONVERTS(Int, "$0", 0);
  EXPECT_CONVERTS(Int, "0x0", 0);
}

TEST(IntegerRule, HexadecimalIsA32BitPattern) {
  EXPECT_CONVERTS(Int, "$FFFFFFFF", -1);
  EXPECT_CONVERTS(Int, "$80000000", INT32_MIN);
  EXPECT_CONVERTS(Int, "$7FFFFFFF", INT32_MAX);
  EXPECT_CONVERTS(Int, "0xFFFFFFFE", -2);
  EXPECT_CONVERTS(Int, "$0000000000001", 1);  // leading zeros don't count
  EXPECT_CONVERTS(Int, "$0000000FFFFFFFF", -1);
  EXPECT_FAILS(Int, "$100000000");
  EXPECT_FAILS(Int, "0x1FFFFFFFF");
  EXPECT_FAILS(Int, "$FFFFFFFFFFFFFFFFFFFFFFFF");
}

TEST(IntegerRule, SignedHexadecimalIsNegatedAfterwards) {
  EXPECT_CONVERTS(Int, "-$1", -1);
  EXPECT_CONVERTS(Int, "+$1", 1);
  EXPECT_CONVERTS(Int, "-0x10", -16);
  EXPECT_CONVERTS(Int, "-x10", -16);
  EXPECT_CONVERTS(Int, "-$FFFFFFFF", 1);
  EXPECT_CONVERTS(Int, "-$80000000", INT32_MIN);
  EXPECT_CONVERTS(Int, "-$7FFFFFFF", -INT32_MAX);
}

TEST(IntegerRule, PrefixNeedsAtLeastOneDigit) {
  EXPECT_FAILS(Int, "0x");
  EXPECT_FAILS(Int, "0X");
  EXPECT_FAILS(Int, "$");
  EXPECT_FAILS(Int, "x");
  EXPECT_FAILS(Int, "-$");
  EXPECT_FAILS(Int, "$G");
  EXPECT_FAILS(Int, "0xg1");
}

TEST(IntegerRule, OnlyLeadingSpacesAreAllowed) {
  EXPECT_CONVERTS(Int, " 42", 42);
  EXPECT_CONVERTS(Int, "     -42", -42);
  EXPECT_CONVERTS(Int, "   $ff", 255);
  EXPECT_FAILS(Int, "42 ");
  EXPECT_FAILS(Int, "\t42");
  EXPECT_FAILS(Int, "- 42");
  EXPECT_FAILS(Int, "$ 42");
  EXPECT_FAILS(Int, "4 2");
  EXPECT_FAILS(Int, " ");
}

TEST(IntegerRule, NothingMayFollow) {
  EXPECT_FAILS(Int, "12a");
  EXPECT_FAILS(Int, "1.5");
  EXPECT_FAILS(Int, "1e3");
  EXPECT_FAILS(Int, "1,000");
  EXPECT_FAILS(Int, "$FFg");
  EXPECT_FAILS(Int, "10h");
  EXPECT_FAILS(Int, "00x10");
  EXPECT_FAILS(Int, "0x0x1");
}

TEST(IntegerRule, OtherTextDoesntConvert) {
  EXPECT_FAILS(Int, "");
  EXPECT_FAILS(Int, nullptr);
  EXPECT_FAILS(Int, "-");
  EXPECT_FAILS(Int, "+");
  EXPECT_FAILS(Int, "--1");
  EXPECT_FAILS(Int, "+-1");
  EXPECT_FAILS(Int, "$-1");
  EXPECT_FAILS(Int, "0x-1");
  EXPECT_FAILS(Int, "no");
  EXPECT_FAILS(Int, "false");
  EXPECT_FAILS(Int, "true");
  EXPECT_FAILS(Int, "0b101");
  EXPECT_FAILS(Int, "#10");  // '#' is a prefix only for colours
  EXPECT_FAILS(Int, "\xD9\xA1");
  EXPECT_FAILS(Int, "\xFF");
}

// ---- Colour rule --------------------------------------------------------

TEST(ColourRule, HashAndSixDigitsIsRedGreenBlue) {
  EXPECT_CONVERTS(Color, "#FF0000", 0xFF0000);
  EXPECT_CONVERTS(Color, "#ff0000", 0xFF0000);
  EXPECT_CONVERTS(Color, "#00fF00", 0x00FF00);
  EXPECT_CONVERTS(Color, "#000000", 0);
}

TEST(ColourRule, PlainNumbersAreTakenUnchanged) {
  EXPECT_CONVERTS(Color, "255", 255);
  EXPECT_CONVERTS(Color, "$FF", 255);
  EXPECT_CONVERTS(Color, "0x00FF00", 0x00FF00);
  EXPECT_CONVERTS(Color, "-7", -7);
  EXPECT_CONVERTS(Color, "  #10", 16);
}

TEST(ColourRule, HashFollowsTheIntegerRule) {
  EXPECT_CONVERTS(Color, "#FFFFFFFF", -1);
  EXPECT_CONVERTS(Color, "-#1", -1);
  EXPECT_CONVERTS(Color, "#80000000", INT32_MIN);
  EXPECT_FAILS(Color, "#100000000");
  EXPECT_FAILS(Color, "#");
  EXPECT_FAILS(Color, "##1");
  EXPECT_FAILS(Color, "1#");
  EXPECT_FAILS(Color, "#1#");
  EXPECT_FAILS(Color, "0#1");
  EXPECT_FAILS(Color, "#FF0000 ");
}

TEST(ColourRule, WordsAndEmptyTextDontConvert) {
  EXPECT_FAILS(Color, "red");
  EXPECT_FAILS(Color, "");
  EXPECT_FAILS(Color, "rgb(255,0,0)");
  EXPECT_FAILS(Color, nullptr);
}

// ---- Loading ------------------------------------------------------------

std::vector<int32_t> Ordering() {
  std::vector<int32_t> r;
  for (int32_t p = 0; p < 26; ++p) r.push_back(StackedLayer(p));
  return r;
}

const std::vector<int32_t> DefaultOrder = {3,  11, 10, 9,  8,  7,  6,  4,  0,  5,  1,  2,  20,
                                           12, 13, 14, 15, 16, 17, 19, 23, 18, 22, 21, 24, 25};

// Each test starts from a fresh temporary folder and leaves the descriptor,
// the layer settings, the stacking order and the plot switches as it found
// them.
class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    SavedDescr = DrvBlock.Descr;
    std::memcpy(SavedLayers, LayerSettings, sizeof SavedLayers);
    std::memcpy(SavedOrder, StackingOrder, sizeof SavedOrder);
    std::memcpy(SavedSwitches, PlotSwitches, sizeof SavedSwitches);
    std::string tmpl = (fs::temp_directory_path() / "settings-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    Dir = tmpl;
  }
  void TearDown() override {
    DrvBlock.Descr = SavedDescr;
    std::memcpy(LayerSettings, SavedLayers, sizeof SavedLayers);
    std::memcpy(StackingOrder, SavedOrder, sizeof SavedOrder);
    std::memcpy(PlotSwitches, SavedSwitches, sizeof SavedSwitches);
    std::error_code ec;
    fs::remove_all(Dir, ec);
  }

  std::string Write(const std::string& Bytes, const char* Name = "SVG.ini") {
    const std::string path = (Dir / Name).string();
    std::ofstream f(path, std::ios::binary);
    f.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    return path;
  }

  // What the library's start-up does, with the given file.
  void Load(const std::string& Bytes) {
    LoadSettingsFrom(Write(Bytes).c_str());
    SortStackingOrder();
  }
  static void LoadNone() {
    LoadSettingsFrom(nullptr);
    SortStackingOrder();
  }

  // By value: the packed field is unaligned, so no reference may bind to it.
  static uint16_t Flags() { return DrvBlock.Descr.Flags; }
  static bool Hidden() { return (Flags() & 0x8000) != 0; }

  static void ExpectDefaults() {
    for (int n = 0; n < LayerCount; ++n) {
      EXPECT_EQ(LayerSettings[n].ColorOverride, -1) << "layer " << n;
      EXPECT_EQ(LayerSettings[n].Opacity, 100) << "layer " << n;
    }
    EXPECT_EQ(Ordering(), DefaultOrder);
  }

  fs::path Dir;

 private:
  TDrvDescr SavedDescr;
  TLayerSetting SavedLayers[LayerCount];
  TStackEntry SavedOrder[LayerCount];
  bool SavedSwitches[PlotSwitchCount];
};

TEST_F(Settings, WithoutAFileEverythingIsDefault) {
  DrvBlock.Descr.Flags = 0x5D0C;
  LoadSettingsFrom((Dir / "missing.ini").string().c_str());
  SortStackingOrder();
  EXPECT_EQ(Flags(), 0xDD0C);
  ExpectDefaults();
}

TEST_F(Settings, DefaultStackingOrderFollowsTheBuiltInKeys) {
  LoadNone();
  const int32_t keys[LayerCount] = {1800, 2000, 2100, 1000, 1700, 1900, 1600, 1500, 1400,
                                    1300, 1200, 1100, 3100, 3200, 3300, 3400, 3500, 3600,
                                    3900, 3700, 3000, 4100, 4000, 3800, 9999, 9999};
  for (int p = 0; p < LayerCount; ++p) {
    EXPECT_EQ(StackingOrder[p].ZOrder, keys[StackingOrder[p].Layer]) << "position " << p;
  }
  EXPECT_EQ(StackingOrder[24].Layer, 24);
  EXPECT_EQ(StackingOrder[25].Layer, 25);
}

// ---- HiddenText -----------------------------------------------------------

TEST_F(Settings, HiddenTextZeroClearsOnlyBit15) {
  DrvBlock.Descr.Flags = 0xFFFF;
  Load("[Setup]\nHiddenText=0\n");
  EXPECT_EQ(Flags(), 0x7FFF);
  DrvBlock.Descr.Flags = 0xDD0C;
  Load("[Setup]\nHiddenText=0\n");
  EXPECT_EQ(Flags(), 0x5D0C);
}

TEST_F(Settings, HiddenTextNonZeroSetsOnlyBit15) {
  for (const char* v : {"1", "2", "$10", "-1", "0x8000"}) {
    DrvBlock.Descr.Flags = 0x0000;
    Load(std::string("[Setup]\nHiddenText=") + v + "\n");
    EXPECT_EQ(Flags(), 0x8000) << v;
  }
}

TEST_F(Settings, HiddenTextThatDoesntConvertIsOn) {
  for (const char* v : {"no", "false", "off", "", "0.0", "0 0"}) {
    DrvBlock.Descr.Flags = 0x5D0C;
    Load(std::string("[Setup]\nHiddenText=") + v + "\n");
    EXPECT_TRUE(Hidden()) << '"' << v << '"';
  }
}

TEST_F(Settings, HiddenTextOnlyCountsInSetup) {
  Load("[Layer0]\nHiddenText=0\n[setup]\nhiddentext = $0 \n");
  EXPECT_FALSE(Hidden());
  Load("[Layer0]\nHiddenText=0\n");
  EXPECT_TRUE(Hidden());
}

// ---- Plot switches ----------------------------------------------------------

TEST_F(Settings, PlotSwitchesFollowTheIntegerRuleAndDefaultToOff) {
  const struct {
    const char* Value;
    bool On;
  } cases[] = {{"1", true},   {"-1", true},  {"$10", true}, {" 2", true}, {"0", false},
               {"$0", false}, {"", false},   {"yes", false}, {"on", false}, {"1 1", false}};
  for (int n = 0; n < PlotSwitchCount; ++n) {
    for (const auto& c : cases) {
      Load(std::string("[setup]\n") + PlotSwitchNames[n] + "=" + c.Value + "\n");
      for (int k = 0; k < PlotSwitchCount; ++k) {
        EXPECT_EQ(PlotSwitches[k], k == n && c.On) << PlotSwitchNames[n] << "=" << c.Value;
      }
    }
  }
}

TEST_F(Settings, PlotSwitchesOnlyCountInSetupAndLeaveTheRestAlone) {
  Load("[Layer1]\nMirror=1\n[Setup]\nTRUESIZE=1\nNegative=1\n[Layer0]\nOpacity=50\n");
  EXPECT_FALSE(PlotSwitches[Mirror]);
  EXPECT_TRUE(PlotSwitches[TrueSize]);
  EXPECT_TRUE(PlotSwitches[Negative]);
  EXPECT_EQ(LayerSettings[0].Opacity, 50);
  EXPECT_TRUE(Hidden());
  LoadNone();
  for (int k = 0; k < PlotSwitchCount; ++k) EXPECT_FALSE(PlotSwitches[k]) << PlotSwitchNames[k];
}

// ---- Color ------------------------------------------------------------------

TEST_F(Settings, ColourValues) {
  Load("[Layer0]\nColor=#FF0000\n[Layer1]\nColor=#ff0000\n[Layer2]\nColor=255\n"
       "[Layer3]\nColor=red\n[Layer4]\nColor=\n[Layer5]\nColor=#FFFFFFFF\n"
       "[Layer25]\nColor=#00FF00\n");
  EXPECT_EQ(LayerSettings[0].ColorOverride, 0xFF0000);
  EXPECT_EQ(LayerSettings[1].ColorOverride, 0xFF0000);
  EXPECT_EQ(LayerSettings[2].ColorOverride, 255);
  EXPECT_EQ(LayerSettings[3].ColorOverride, -1);
  EXPECT_EQ(LayerSettings[4].ColorOverride, -1);
  EXPECT_EQ(LayerSettings[5].ColorOverride, -1);
  EXPECT_EQ(LayerSettings[25].ColorOverride, 0x00FF00);
  for (int n = 6; n < 25; ++n) EXPECT_EQ(LayerSettings[n].ColorOverride, -1) << n;
}

TEST_F(Settings, ColourOfZeroIsBlackNotNone) {
  Load("[Layer7]\nColor=#000000\n[Layer8]\nColor=0\n");
  EXPECT_EQ(LayerSettings[7].ColorOverride, 0);
  EXPECT_EQ(LayerSettings[8].ColorOverride, 0);
}

TEST_F(Settings, ColourDoesntDisturbTheOtherKeys) {
  Load("[Layer9]\nColor=junk\nOpacity=40\nZOrder=1\n");
  EXPECT_EQ(LayerSettings[9].ColorOverride, -1);
  EXPECT_EQ(LayerSettings[9].Opacity, 40);
  EXPECT_EQ(StackedLayer(0), 9);
}

// ---- Opacity --------------------------------------------------------------

TEST_F(Settings, OpacityIsClampedAndFallsBackTo100) {
  Load("[Layer0]\nOpacity=150\n[Layer1]\nOpacity=-5\n[Layer2]\nOpacity=abc\n"
       "[Layer3]\nOpacity=37\n[Layer4]\nOpacity=0\n[Layer5]\nOpacity=100\n"
       "[Layer6]\nOpacity=$FFFFFFFF\n[Layer7]\nOpacity=-2147483648\n"
       "[Layer8]\nOpacity=2147483647\n[Layer9]\nOpacity=2147483648\n[Layer10]\nOpacity=\n");
  const int32_t want[] = {100, 0, 100, 37, 0, 100, 0, 0, 100, 100, 100};
  for (int n = 0; n < 11; ++n) EXPECT_EQ(LayerSettings[n].Opacity, want[n]) << "layer " << n;
}

// ---- ZOrder and the stacking order ----------------------------------------

TEST_F(Settings, EqualKeysKeepAscendingLayerNumbers) {
  Load("[Layer5]\nZOrder=1\n[Layer2]\nZOrder=1\n[Layer25]\nZOrder=-100\n[Layer0]\nZOrder=-100\n");
  EXPECT_EQ(StackingOrder[0].Layer, 0);
  EXPECT_EQ(StackingOrder[1].Layer, 25);
  EXPECT_EQ(StackingOrder[2].Layer, 2);
  EXPECT_EQ(StackingOrder[3].Layer, 5);
  EXPECT_EQ(StackingOrder[4].Layer, 3);
}

TEST_F(Settings, LayerTakingAnothersKeyStaysBehindTheLowerLayer) {
  // Layer 13 takes layer 3's key 1000: layer 3 stays ahead of it.
  Load("[Layer13]\nZOrder=1000\n");
  EXPECT_EQ(StackedLayer(0), 3);
  EXPECT_EQ(StackedLayer(1), 13);
  EXPECT_EQ(StackedLayer(2), 11);
}

TEST_F(Settings, AllKeysEqualGivesLayerOrder) {
  std::string ini;
  for (int n = 0; n < LayerCount; ++n) ini += "[Layer" + std::to_string(n) + "]\nZOrder=7\n";
  Load(ini);
  for (int p = 0; p < LayerCount; ++p) EXPECT_EQ(StackingOrder[p].Layer, p);
}

TEST_F(Settings, ReversedKeysReverseTheOrder) {
  std::string ini;
  for (int n = 0; n < LayerCount; ++n) {
    ini += "[Layer" + std::to_string(n) + "]\nZOrder=" + std::to_string(-n) + "\n";
  }
  Load(ini);
  for (int p = 0; p < LayerCount; ++p) EXPECT_EQ(StackingOrder[p].Layer, 25 - p);
  // Layers 0 to 23 in the sorted order; 24 and 25 keep their positions.
  EXPECT_EQ(StackedLayer(0), 23);
  EXPECT_EQ(StackedLayer(23), 0);
  EXPECT_EQ(StackedLayer(24), 24);
  EXPECT_EQ(StackedLayer(25), 25);
}

TEST_F(Settings, Layer24StackedFirst) {
  Load("[Layer24]\nZOrder=500\n");
  EXPECT_EQ(StackingOrder[0].Layer, 24);
  EXPECT_EQ(StackingOrder[24].Layer, 21);
  EXPECT_EQ(StackingOrder[25].Layer, 25);
  // The key of layer 24 cannot move it: every layer is plotted exactly once.
  const std::vector<int32_t> want = {3,  11, 10, 9,  8,  7,  6,  4,  0,  5,  1,  2, 20,
                                     12, 13, 14, 15, 16, 17, 19, 23, 18, 22, 21, 24, 25};
  EXPECT_EQ(Ordering(), want);
  // A layer sorted behind 24 and 25 is still plotted among the first 24.
  Load("[Layer0]\nZOrder=10000\n");
  EXPECT_EQ(StackedLayer(23), 0);
}

TEST_F(Settings, ExtremeKeysSortAsSignedNumbers) {
  Load("[Layer20]\nZOrder=$80000000\n[Layer21]\nZOrder=-2147483648\n"
       "[Layer3]\nZOrder=2147483647\n[Layer4]\nZOrder=$FFFFFFFF\n");
  EXPECT_EQ(StackingOrder[0].Layer, 20);
  EXPECT_EQ(StackingOrder[1].Layer, 21);
  EXPECT_EQ(StackingOrder[2].Layer, 4);  // $FFFFFFFF is -1
  EXPECT_EQ(StackingOrder[25].Layer, 3);
}

TEST_F(Settings, ZOrderThatDoesntConvertKeepsTheBuiltInKey) {
  Load("[Layer3]\nZOrder=last\n[Layer11]\nZOrder=\n[Layer10]\nZOrder=99999999999\n");
  EXPECT_EQ(Ordering(), DefaultOrder);
}

TEST_F(Settings, PositionsOutsideTheOrderAnswerThemselves) {
  LoadNone();
  EXPECT_EQ(StackedLayer(-1), -1);
  EXPECT_EQ(StackedLayer(100), 100);
  EXPECT_EQ(StackedLayer(24), 24);
  EXPECT_EQ(StackedLayer(26), 26);
  EXPECT_EQ(StackedLayer(INT32_MIN), INT32_MIN);
  EXPECT_EQ(StackedLayer(INT32_MAX), INT32_MAX);
}

// ---- Sections ---------------------------------------------------------------

TEST_F(Settings, SectionNamesAreLayerAndTheNumberWithoutLeadingZeros) {
  Load("[Layer01]\nOpacity=5\n[Layer 2]\nOpacity=5\n[Layer26]\nOpacity=5\n[LAYER3]\nopacity=6\n"
       "[layer-1]\nOpacity=5\n");
  EXPECT_EQ(LayerSettings[1].Opacity, 100);
  EXPECT_EQ(LayerSettings[2].Opacity, 100);
  EXPECT_EQ(LayerSettings[3].Opacity, 6);
  EXPECT_EQ(LayerSettings[0].Opacity, 100);
  EXPECT_EQ(LayerSettings[25].Opacity, 100);
}

TEST_F(Settings, EveryLayerIsReadFromItsOwnSection) {
  std::string ini;
  for (int n = LayerCount - 1; n >= 0; --n) {
    const std::string s = std::to_string(n);
    ini += "[Layer" + s + "]\r\nColor=" + std::to_string(1000 + n) + "\r\nOpacity=" + s +
           "\r\nZOrder=" + std::to_string(100 - n) + "\r\n";
  }
  Load(ini);
  for (int n = 0; n < LayerCount; ++n) {
    EXPECT_EQ(LayerSettings[n].ColorOverride, 1000 + n) << n;
    EXPECT_EQ(LayerSettings[n].Opacity, n) << n;
    EXPECT_EQ(StackingOrder[25 - n].Layer, n) << n;
  }
}

TEST_F(Settings, OnlyTheFirstSectionOfALayerCounts) {
  Load("[Layer0]\nOpacity=10\n[Layer0]\nOpacity=20\nColor=#123456\n");
  EXPECT_EQ(LayerSettings[0].Opacity, 10);
  EXPECT_EQ(LayerSettings[0].ColorOverride, -1);
}

// ---- Loading again ------------------------------------------------------------

TEST_F(Settings, EveryLoadStartsFromTheDefaults) {
  Load("[Setup]\nHiddenText=0\n[Layer4]\nColor=#ABCDEF\nOpacity=10\nZOrder=1\n");
  ASSERT_EQ(LayerSettings[4].Opacity, 10);
  Load("[Layer5]\nOpacity=20\n");
  EXPECT_TRUE(Hidden());
  EXPECT_EQ(LayerSettings[4].ColorOverride, -1);
  EXPECT_EQ(LayerSettings[4].Opacity, 100);
  EXPECT_EQ(LayerSettings[5].Opacity, 20);
  EXPECT_EQ(Ordering(), DefaultOrder);
}

TEST_F(Settings, NoFileNameGivesTheDefaults) {
  Load("[Setup]\nHiddenText=0\n[Layer1]\nOpacity=1\n");
  LoadNone();
  EXPECT_TRUE(Hidden());
  ExpectDefaults();
}

// ---- Files that hold nothing useful ---------------------------------------------

TEST_F(Settings, EmptyFileGivesTheDefaults) {
  DrvBlock.Descr.Flags = 0;
  Load("");
  EXPECT_TRUE(Hidden());
  ExpectDefaults();
}

TEST_F(Settings, BinaryFileGivesTheDefaults) {
  std::mt19937 rng(777);
  std::string bytes(1 << 20, '\0');
  for (char& c : bytes) c = static_cast<char>(rng() & 0x7F ? rng() : 0);
  Load(bytes);
  EXPECT_TRUE(Hidden());
  ExpectDefaults();
}

TEST_F(Settings, DirectoryInPlaceOfTheFileGivesTheDefaults) {
  fs::create_directory(Dir / "dir.ini");
  LoadSettingsFrom((Dir / "dir.ini").string().c_str());
  SortStackingOrder();
  ExpectDefaults();
}

TEST_F(Settings, HugeFileWithSettingsAtItsEnd) {
  std::string bytes;
  bytes.reserve(21u << 20);
  const std::string junk = "[Junk]\n" + std::string(4000, 'j') + "=" + std::string(60000, 'v') + "\n";
  while (bytes.size() < (20u << 20)) bytes += junk;
  bytes += "[Setup]\nHiddenText=0\n[Layer24]\nZOrder=500\nOpacity=50\n";
  Load(bytes);
  EXPECT_FALSE(Hidden());
  EXPECT_EQ(StackingOrder[0].Layer, 24);
  EXPECT_EQ(LayerSettings[24].Opacity, 50);
}

TEST_F(Settings, OverlongValuesAreCutThenConverted) {
  // 2,047 characters count: the zeros fill them and the 1 is cut off.
  Load("[Layer0]\nOpacity=" + std::string(2047, '0') + "1\n" +
       "[Layer1]\nOpacity=" + std::string(2046, '0') + "1\n" +
       "[Layer2]\nColor=#" + std::string(3000, 'F') + "\n");
  EXPECT_EQ(LayerSettings[0].Opacity, 0);
  EXPECT_EQ(LayerSettings[1].Opacity, 1);
  EXPECT_EQ(LayerSettings[2].ColorOverride, -1);
}

// ---- The file beside the host program -----------------------------------------

TEST_F(Settings, LoadSettingsReadsTheFileBesideTheExecutable) {
  // A short name of our own, so that nothing else beside the test program
  // is read or disturbed.
  char name[16];
  std::snprintf(name, sizeof name, "T%07d", static_cast<int>(getpid() % 10000000));
  DrvBlock.Descr.ShortName.Len = 8;
  std::memcpy(DrvBlock.Descr.ShortName.Text, name, 8);
  const fs::path file =
      fs::read_symlink("/proc/self/exe").parent_path() / (std::string(name) + ".ini");

  DrvBlock.Descr.Flags = 0xDD0C;
  LoadSettings();
  EXPECT_TRUE(Hidden());

  {
    std::ofstream f(file, std::ios::binary);
    f << "[Setup]\r\nHiddenText=0\r\n[Layer24]\r\nZOrder=500\r\n[Layer6]\r\nColor=#00FF00\r\n";
  }
  LoadSettings();
  SortStackingOrder();
  std::error_code ec;
  fs::remove(file, ec);

  EXPECT_EQ(Flags(), 0x5D0C);
  EXPECT_EQ(LayerSettings[6].ColorOverride, 0x00FF00);
  EXPECT_EQ(StackingOrder[0].Layer, 24);
}

}  // namespace
