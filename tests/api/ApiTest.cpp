// ApiTest.cpp: the library as a host sees it: records, the line writer's
// call pattern and every worked example of the document, byte for byte.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstring>

#include "Host.h"
#include "tests/common/StoredBlock.h"

std::vector<std::string> Calls;

void DRV_CALL RecordWrite(const char* Buf, int32_t Count) { Calls.emplace_back(Buf, Count); }

namespace {

void* Resolve(void* Lib, const char* Name) {
  void* p = dlsym(Lib, Name);
  if (p == nullptr) ADD_FAILURE() << "no entry point " << Name;
  return p;
}

THost Load() {
  void* lib = dlopen(DRV_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr) {
    ADD_FAILURE() << dlerror();
    std::abort();
  }
  THost h;
#define ENTRY(name) h.name = reinterpret_cast<decltype(h.name)>(Resolve(lib, #name))
  ENTRY(GetDescrPtr440);
  ENTRY(GetParamPtr);
  ENTRY(SetParamValue);
  ENTRY(LayerOrdering);
  ENTRY(OpenEquip);
  ENTRY(OpenLayer);
  ENTRY(CloseEquip);
  ENTRY(Comment);
  ENTRY(DrawLine);
  ENTRY(DrawArc);
  ENTRY(FlashPad);
  ENTRY(DrillHole);
  ENTRY(DrawText);
#undef ENTRY
  return h;
}

TAperture* Table() {
  return reinterpret_cast<TAperture*>(static_cast<uintptr_t>(Host().GetDescrPtr440()->ApertureTable));
}

}  // namespace

const THost& Host() {
  static const THost h = Load();
  return h;
}

std::vector<std::string> LinesFrom(size_t From) {
  std::vector<std::string> lines;
  if (Calls.size() % 3 != 0) ADD_FAILURE() << Calls.size() << " calls: not whole lines";
  for (size_t i = 0; i + 2 < Calls.size(); i += 3) {
    EXPECT_EQ(Calls[i + 1], "\r") << "call " << i + 1;
    EXPECT_EQ(Calls[i + 2], "\n") << "call " << i + 2;
    if (i / 3 >= From) lines.push_back(Calls[i]);
  }
  return lines;
}

std::vector<std::string> Lines() { return LinesFrom(0); }

std::string Output() {
  std::string all;
  for (const std::string& c : Calls) all += c;
  return all;
}

void SetAperture(int N, uint8_t Shape, int32_t Width, int32_t Height) {
  Table()[N].Shape = Shape;
  Table()[N].Width = Width;
  Table()[N].Height = Height;
}

void RestoreHostData() {
  static uint8_t stored[stored::BlockSize];
  stored::Expected(stored, 0xDD0C, 0);
  for (int i = 0; i < 31; ++i) {
    int32_t v;
    std::memcpy(&v, stored + stored::DescrSize + i * stored::ParamSize + 31, 4);
    Host().SetParamValue(static_cast<uint8_t>(i), v);
  }
  std::memset(Table(), 0, sizeof(TAperture) * 601);
}

namespace {

// Runs before any document is opened in this process: with no callback
// stored, drawing and closing write nothing and must not crash.
TEST(BeforeAnyDocument, DrawingAndClosingAreHarmless) {
  const THost& h = Host();
  h.OpenLayer(1, 0);
  h.DrawLine(0, 0, 10, 10, 0);
  h.DrawArc(0, 0, 10, 0, 360, 0);
  h.FlashPad(0, 0, 0);
  h.DrillHole(0, 0, 0);
  h.CloseEquip();
  SUCCEED();
}

class Api : public ::testing::Test {
 protected:
  void SetUp() override {
    RestoreHostData();
    Calls.clear();
  }
  void TearDown() override { RestoreHostData(); }
  // Opens a document with FlipSum 10000 and layer L, then forgets its lines.
  void OpenPlot(int32_t Layer = 1) {
    Host().OpenEquip(RecordWrite, 0, 0, 10000, 10000);
    Host().OpenLayer(Layer, 0);
    Calls.clear();
  }
};

// ---- Records ----

TEST_F(Api, BlockHoldsTheStoredContents) {
  const uint8_t* block = reinterpret_cast<const uint8_t*>(Host().GetDescrPtr440());
  uint32_t table;
  std::memcpy(&table, block + stored::TableFieldOffset, 4);
  uint8_t expected[stored::BlockSize];
  stored::Expected(expected, 0xDD0C, table);
  EXPECT_EQ(0, std::memcmp(block, expected, stored::BlockSize));
  EXPECT_EQ(Host().GetDescrPtr440(), Host().GetDescrPtr440());
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(Host().GetParamPtr(0)), block + 95);
  EXPECT_EQ(reinterpret_cast<const uint8_t*>(Host().GetParamPtr(30)),
            reinterpret_cast<const uint8_t*>(Host().GetParamPtr(0)) + 8760);
}

TEST_F(Api, TableLiesBelowTwoGigabytesAndIsTheOneRead) {
  TDrvDescr* d = Host().GetDescrPtr440();
  // Copied out: the packed field is not aligned for a reference.
  const uint32_t published = d->ApertureTable;
  ASSERT_NE(published, 0u);
  EXPECT_LT(uint64_t{published} + 27045, uint64_t{1} << 31);
  SetAperture(7, 0, 20, 20);
  // A host that overwrites the published address changes nothing.
  d->ApertureTable = 12345;
  OpenPlot();
  Host().DrawLine(0, 0, 1, 1, 7);
  d->ApertureTable = published;
  EXPECT_EQ(Lines(), (std::vector<std::string>{"<g stroke-width=\"20\">",
                                               "<line x1=\"0\" y1=\"10000\" x2=\"1\" y2=\"9999\"/>"}));
}

TEST_F(Api, SetParamValueStoresUncheckedAndIgnoresIndexesPastTheRecords) {
  Host().SetParamValue(27, 150);
  const int32_t stored = Host().GetParamPtr(27)->Value;
  EXPECT_EQ(stored, 150);
  uint8_t before[stored::BlockSize];
  std::memcpy(before, Host().GetDescrPtr440(), stored::BlockSize);
  Host().SetParamValue(31, -1);
  Host().SetParamValue(255, -1);
  EXPECT_EQ(0, std::memcmp(before, Host().GetDescrPtr440(), stored::BlockSize));
}

TEST_F(Api, LayerOrderingWithoutZOrderSettings) {
  const int32_t order[26] = {3, 11, 10, 9, 8, 7, 6, 4, 0, 5, 1, 2, 20,
                             12, 13, 14, 15, 16, 17, 19, 23, 18, 22, 21, 24, 25};
  for (int i = 0; i < 26; ++i) EXPECT_EQ(Host().LayerOrdering(i), order[i]) << i;
  EXPECT_EQ(Host().LayerOrdering(-1), -1);
  EXPECT_EQ(Host().LayerOrdering(100), 100);
}

// ---- Document frame ----

const char* const Head[5] = {
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>",
    "<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
    "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">",
    "<svg version=\"1.1\" xmlns=\"http://www.w3.org/2000/svg\" "
    "xmlns:xlink=\"http://www.w3.org/1999/xlink\"",
    "     stroke-linecap=\"round\" stroke-linejoin=\"round\"",
    "     font-family=\"Courier\" text-anchor=\"middle\" dominant-baseline=\"central\""};

TEST_F(Api, FrameWorkedExample) {
  SetAperture(9, 0, 250, 0);
  Host().OpenEquip(RecordWrite, 1000, 2000, 11000, 7000);
  Host().OpenLayer(1, 0);
  Host().DrawLine(1000, 2000, 1000, 2000, 9);
  Host().CloseEquip();
  std::vector<std::string> want(Head, Head + 5);
  want.insert(want.end(),
              {"     width=\"100.000\" height=\"50.000\" viewBox=\"0 0 12000 9000\">",
               "<rect fill=\"White\" stroke=\"Crimson\" stroke-width=\"50\" "
               "stroke-dasharray=\"1000 600\" x=\"1000\" y=\"2000\" width=\"10000\" height=\"5000\"/>",
               "\r\n<g opacity=\"1.00\" stroke=\"RoyalBlue\" fill=\"none\">  <!-- Layer 1 -->",
               "<g stroke-width=\"250\">", "<line x1=\"1000\" y1=\"7000\" x2=\"1000\" y2=\"7000\"/>",
               "</g>", "</g>", "</svg>"});
  EXPECT_EQ(Lines(), want);
}

TEST_F(Api, EmptyDocumentAndDegenerateArea) {
  Host().OpenEquip(RecordWrite, 500, -300, 500, 12345);
  Host().CloseEquip();
  const std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[5], "     width=\"0.000\" height=\"126.450\" viewBox=\"0 0 1000 12045\">");
  EXPECT_EQ(lines[6], "<rect fill=\"White\" stroke=\"Crimson\" stroke-width=\"50\" "
                      "stroke-dasharray=\"1000 600\" x=\"500\" y=\"-300\" width=\"0\" height=\"12645\"/>");
  EXPECT_EQ(lines[7], "</svg>");
}

TEST_F(Api, HugeAreaWrapsAsThirtyTwoBitArithmetic) {
  // Extent 2147483647 times ten wraps to -10; the view box sum wraps too.
  Host().OpenEquip(RecordWrite, 0, -2147483647 - 1, 2147483647, 2147483647);
  Host().CloseEquip();
  EXPECT_EQ(Lines()[5], "     width=\"-0.010\" height=\"-0.010\" viewBox=\"0 0 2147483647 -1\">");
}

TEST_F(Api, LayerGroups) {
  OpenPlot(1);
  Host().OpenLayer(1, 0);  // twice, nothing drawn between
  Host().OpenLayer(24, 0);
  Host().OpenLayer(5, 0);  // override and opacity from SVG.ini
  Host().OpenLayer(25, 0); // keeps layer 5's colour, its own opacity
  Host().SetParamValue(0, 9);
  Host().OpenLayer(0, 0);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "</g>",
                         "\r\n<g opacity=\"1.00\" stroke=\"RoyalBlue\" fill=\"none\">  <!-- Layer 1 -->",
                         "</g>",
                         "\r\n<g opacity=\"1.00\" stroke=\"#FFFFFF\" fill=\"none\">  <!-- Layer 24 -->",
                         "</g>",
                         "\r\n<g opacity=\"0.45\" stroke=\"#FF8000\" fill=\"none\">  <!-- Layer 5 -->",
                         "</g>",
                         "\r\n<g opacity=\"0.07\" stroke=\"#FF8000\" fill=\"none\">  <!-- Layer 25 -->",
                         "</g>",
                         "\r\n<g opacity=\"1.00\" stroke=\"#CC8E8E\" fill=\"none\">  <!-- Layer 0 -->"}));
}

TEST_F(Api, LayerNumbersOutsideTheSettingsAreDrawnOpaqueInTheLastColour) {
  OpenPlot(1);
  Host().OpenLayer(-1, 0);
  Host().OpenLayer(26, 0);
  Host().OpenLayer(-2147483647 - 1, 0);
  EXPECT_EQ(LinesFrom(1)[0], "\r\n<g opacity=\"1.00\" stroke=\"RoyalBlue\" fill=\"none\">  <!-- Layer -1 -->");
  EXPECT_EQ(LinesFrom(3)[0], "\r\n<g opacity=\"1.00\" stroke=\"RoyalBlue\" fill=\"none\">  <!-- Layer 26 -->");
  EXPECT_EQ(LinesFrom(5)[0],
            "\r\n<g opacity=\"1.00\" stroke=\"RoyalBlue\" fill=\"none\">  <!-- Layer -2147483648 -->");
}

TEST_F(Api, CloseWithEveryGroupOpen) {
  SetAperture(1, 0, 50, 50);
  OpenPlot(1);
  Host().FlashPad(0, 0, 1);
  Calls.clear();
  Host().CloseEquip();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"</g>", "</g>", "</g>", "</svg>"}));
}

// Between a CloseEquip and the next OpenEquip nothing is written, and the
// colour a later layer would have set is not taken either.
TEST_F(Api, NothingOutsideAnOpenDocument) {
  SetAperture(1, 0, 100, 100);
  OpenPlot(1);
  Host().CloseEquip();
  Calls.clear();
  Host().CloseEquip();
  Host().OpenLayer(5, 0);
  Host().DrawLine(0, 0, 10, 10, 1);
  Host().DrawArc(0, 0, 10, 0, 360, 1);
  Host().FlashPad(5, 5, 1);
  Host().DrillHole(5, 5, 1);
  Host().CloseEquip();
  EXPECT_TRUE(Calls.empty());
  Host().OpenEquip(RecordWrite, 0, 0, 100, 100);
  Host().FlashPad(5, 5, 1);  // before any layer of this document: layer 1's pad colour
  Host().CloseEquip();
  EXPECT_EQ(LinesFrom(7), (std::vector<std::string>{"<g stroke-width=\"0\">",
                                                    "<g fill=\"RoyalBlue\">",
                                                    "<circle cx=\"5\" cy=\"95\" r=\"50\"/>",
                                                    "</g>", "</g>", "</svg>"}));
}

TEST_F(Api, CommentAndTextWriteNothing) {
  OpenPlot(1);
  TShortStr<255> text{};
  text.Len = 9;
  std::memcpy(text.Text, "<a & b> \\", 9);
  Host().Comment(42);
  Host().DrawText(&text, 1, 2, 3, 4, 5, 6, 7);
  EXPECT_TRUE(Calls.empty());
}

// ---- Lines and arcs ----

TEST_F(Api, StrokeWidthGroups) {
  SetAperture(1, 0, 0, 0);
  SetAperture(2, 0, 250, 0);
  Host().OpenEquip(RecordWrite, 0, 0, 10000, 9000);
  Host().OpenLayer(1, 0);
  Calls.clear();
  Host().DrawLine(0, 2000, 0, 9500, 1);
  Host().DrawLine(0, 0, 0, 0, 1);
  Host().DrawLine(0, 0, 0, 0, 2);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "<g stroke-width=\"0\">", "<line x1=\"0\" y1=\"7000\" x2=\"0\" y2=\"-500\"/>",
                         "<line x1=\"0\" y1=\"9000\" x2=\"0\" y2=\"9000\"/>",
                         "</g> <g stroke-width=\"250\">",
                         "<line x1=\"0\" y1=\"9000\" x2=\"0\" y2=\"9000\"/>"}));
}

TEST_F(Api, ArcWorkedExamples) {
  SetAperture(3, 0, 20, 0);
  OpenPlot(1);
  Host().DrawLine(100, 200, 300, 200, 3);
  Host().DrawArc(1000, 2000, 500, 0, 90, 3);
  Host().DrawArc(1000, 2000, 500, 0, 360, 3);
  const std::string q0 = "<path d=\"M1500,8000 C1500,7723.86 1276.14,7500 1000,7500\"/>";
  EXPECT_EQ(LinesFrom(1), (std::vector<std::string>{
                              "<line x1=\"100\" y1=\"9800\" x2=\"300\" y2=\"9800\"/>", q0, q0,
                              "<path d=\"M1000,7500 C723.86,7500 500,7723.86 500,8000\"/>",
                              "<path d=\"M500,8000 C500,8276.14 723.86,8500 1000,8500\"/>",
                              "<path d=\"M1000,8500 C1276.14,8500 1500,8276.14 1500,8000\"/>"}));
}

TEST_F(Api, ArcAnglePairs) {
  SetAperture(3, 0, 20, 0);
  SetAperture(4, 0, 30, 0);
  OpenPlot(1);
  Host().DrawLine(0, 0, 0, 0, 3);
  Calls.clear();
  Host().DrawArc(1000, 2000, 500, 90, 0, 3);  // clockwise: the same quarter
  Host().DrawArc(1000, 2000, 500, 360, 270, 3);
  Host().DrawArc(1000, 2000, 500, 360, 0, 4);  // nothing at all
  Host().DrawArc(1000, 2000, 500, 10, 30, 4);  // nothing at all
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "<path d=\"M1500,8000 C1500,7723.86 1276.14,7500 1000,7500\"/>",
                         "<path d=\"M1000,8500 C1276.14,8500 1500,8276.14 1500,8000\"/>"}));
  Calls.clear();
  // Spans of 90 that start off the axes bring the width in, draw nothing.
  Host().DrawArc(1000, 2000, 500, 45, 135, 4);
  Host().DrawArc(1000, 2000, 500, 360, 450, 4);
  Host().DrawArc(1000, 2000, 500, -90, 0, 3);
  Host().DrawArc(1000, 2000, 500, 2147483647, -2147483647 + 88, 3);  // no wrap-around match
  EXPECT_EQ(Lines(), (std::vector<std::string>{"</g> <g stroke-width=\"30\">",
                                               "</g> <g stroke-width=\"20\">"}));
}

TEST_F(Api, ControlValuesAreExactDecimals) {
  SetAperture(3, 0, 20, 0);
  Host().OpenEquip(RecordWrite, 0, 0, 0, 10000);
  Host().OpenLayer(1, 0);
  Host().DrawLine(0, 0, 0, 0, 3);
  Calls.clear();
  Host().DrawArc(1000, 2000, 0, 0, 90, 3);
  Host().OpenEquip(RecordWrite, 0, 0, 0, 200);
  Host().OpenLayer(1, 0);
  Host().DrawLine(0, 0, 0, 0, 3);
  const size_t mark = Calls.size() / 3;
  Host().DrawArc(0, 100, 200, 0, 90, 3);
  // Extremes: wrapped integer sums, 18 significant digits, no minus on zero.
  Host().DrawArc(2147483647, -2147483647 - 1, -2147483647 - 1, 0, 90, 3);
  Host().DrawArc(0, 0, 1, 90, 180, 3);
  EXPECT_EQ(Lines()[0], "<path d=\"M1000,8000 C1000,8000.00 1000.00,8000 1000,8000\"/>");
  EXPECT_EQ(LinesFrom(mark), (std::vector<std::string>{
                                 "<path d=\"M200,100 C200,-10.46 110.46,-100 0,-100\"/>",
                                 "<path d=\"M-1,-2147483448 C-1,-961460978.76 961461177.76,200 2147483647,200\"/>",
                                 "<path d=\"M0,199 C-0.55,199 -1,199.45 -1,200\"/>"}));
}

// ---- Pads, holes and text ----

TEST_F(Api, PadWorkedExamples) {
  SetAperture(10, 0, 50, 50);
  SetAperture(11, 0, 51, 50);
  SetAperture(12, 0, 60, 20);
  SetAperture(13, 0, 20, 60);
  SetAperture(14, 1, 40, 30);
  SetAperture(15, 0, 50, 51);
  SetAperture(16, 0, 52, 50);
  OpenPlot(1);
  Host().FlashPad(0, 0, 10);
  EXPECT_EQ(Lines(), (std::vector<std::string>{"<g stroke-width=\"0\">", "<g fill=\"RoyalBlue\">",
                                               "<circle cx=\"0\" cy=\"10000\" r=\"25\"/>"}));
  Calls.clear();
  for (int a : {10, 11, 12, 13, 14, 15, 16, 600}) Host().FlashPad(1000, 2000, a);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "<circle cx=\"1000\" cy=\"8000\" r=\"25\"/>",
                         "<circle cx=\"1000\" cy=\"8000\" r=\"25\"/>",
                         "<rect x=\"970\" y=\"7990\" width=\"60\" height=\"20\" rx=\"10\" ry=\"10\"/>",
                         "<rect x=\"990\" y=\"7970\" width=\"20\" height=\"60\" rx=\"10\" ry=\"10\"/>",
                         "<rect x=\"980\" y=\"7985\" width=\"40\" height=\"30\" rx=\"0\" ry=\"0\"/>",
                         "<circle cx=\"1000\" cy=\"8000\" r=\"25\"/>",
                         "<rect x=\"974\" y=\"7975\" width=\"52\" height=\"50\" rx=\"25\" ry=\"25\"/>",
                         "<circle cx=\"1000\" cy=\"8000\" r=\"0\"/>"}));
}

const std::vector<std::string> RingPaths = {
    "<path d=\"M1025,8000 C1025,7986.19 1013.81,7975 1000,7975\"/>",
    "<path d=\"M1000,7975 C986.19,7975 975,7986.19 975,8000\"/>",
    "<path d=\"M975,8000 C975,8013.81 986.19,8025 1000,8025\"/>",
    "<path d=\"M1000,8025 C1013.81,8025 1025,8013.81 1025,8000\"/>"};

TEST_F(Api, RingPadIsStrokedAndCentredLikeTheOtherPads) {
  SetAperture(20, 4, 40, 10);
  SetAperture(10, 0, 50, 50);
  OpenPlot(1);
  Host().FlashPad(1000, 2000, 20);
  std::vector<std::string> want = {"<g stroke-width=\"10\">"};
  want.insert(want.end(), RingPaths.begin(), RingPaths.end());
  EXPECT_EQ(Lines(), want);
  // After a filled pad the fill group is closed first: a ring is never filled.
  Host().FlashPad(1000, 2000, 10);
  const size_t mark = Calls.size() / 3;
  Host().FlashPad(1000, 2000, 20);
  want = {"</g>", "</g> <g stroke-width=\"10\">"};
  want.insert(want.end(), RingPaths.begin(), RingPaths.end());
  EXPECT_EQ(LinesFrom(mark), want);
}

TEST_F(Api, ShapesWithoutOutline) {
  SetAperture(30, 5, 40, 10);
  SetAperture(31, 2, 40, 10);
  SetAperture(32, 3, 40, 10);
  SetAperture(33, 6, 40, 10);
  SetAperture(34, 255, 40, 10);
  OpenPlot(1);
  for (int a : {31, 32, 33, 34}) Host().FlashPad(1000, 2000, a);
  EXPECT_TRUE(Calls.empty());
  Host().FlashPad(1000, 2000, 30);  // shape 5: its width, no element
  EXPECT_EQ(Lines(), (std::vector<std::string>{"<g stroke-width=\"10\">"}));
}

TEST_F(Api, PadsAfterTracksAndHolesAfterPads) {
  SetAperture(1, 0, 20, 0);
  SetAperture(2, 0, 50, 50);
  SetAperture(3, 1, 8, 8);
  OpenPlot(1);
  Host().SetParamValue(24, 22);
  Host().DrawLine(0, 0, 5, 5, 1);
  Host().DrillHole(1000, 2000, 3);  // keeps the track's width
  Host().FlashPad(1000, 2000, 2);   // the hole's fill lies inside the width group: dropped
  Host().SetParamValue(24, 16);     // Royal Blue: the pad's fill text already
  Host().DrillHole(1000, 2000, 2);
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "<g stroke-width=\"20\">", "<line x1=\"0\" y1=\"10000\" x2=\"5\" y2=\"9995\"/>",
                         "<g fill=\"Crimson\">", "<circle cx=\"1000\" cy=\"8000\" r=\"4\"/>", "</g>",
                         "</g> <g stroke-width=\"0\">", "<g fill=\"RoyalBlue\">",
                         "<circle cx=\"1000\" cy=\"8000\" r=\"25\"/>",
                         "<circle cx=\"1000\" cy=\"8000\" r=\"25\"/>"}));
}

TEST_F(Api, ReplacingAFillGroupKeepsTheWidthInsideIt) {
  SetAperture(1, 0, 20, 0);
  SetAperture(3, 1, 8, 8);
  OpenPlot(1);
  Host().SetParamValue(24, 22);
  Host().DrillHole(1000, 2000, 3);  // fill first, no width group
  Host().DrawLine(0, 0, 5, 5, 1);   // the width group opens inside it
  Host().SetParamValue(24, 10);
  Host().DrillHole(1000, 2000, 3);  // the new fill, the same width inside it
  EXPECT_EQ(Lines(), (std::vector<std::string>{
                         "<g fill=\"Crimson\">", "<circle cx=\"1000\" cy=\"8000\" r=\"4\"/>",
                         "<g stroke-width=\"20\">", "<line x1=\"0\" y1=\"10000\" x2=\"5\" y2=\"9995\"/>",
                         "</g>", "</g> <g fill=\"Gold\">", "<g stroke-width=\"20\">",
                         "<circle cx=\"1000\" cy=\"8000\" r=\"4\"/>"}));
}

TEST_F(Api, AperturesOutsideTheTableDrawNothing) {
  OpenPlot(1);
  for (int32_t a : {-1, 601, -2147483647 - 1, 2147483647}) {
    Host().DrawLine(0, 0, 1, 1, a);
    Host().DrawArc(0, 0, 1, 0, 360, a);
    Host().FlashPad(0, 0, a);
    Host().DrillHole(0, 0, a);
  }
  EXPECT_TRUE(Calls.empty());
}

}  // namespace
