// GroupsTest.cpp: the group stack stays well-formed in any order of calls,
// and every element is drawn with the stroke width and fill its call asked
// for. Random call orders are plotted through the real entry points, parsed
// with libxml2 and each element's inherited attributes compared.
#include <gtest/gtest.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <random>
#include <string>
#include <vector>

#include "Host.h"

namespace {

constexpr int32_t NoWidth = -2147483647;  // the state's "no group" mark

// What one element must inherit; an empty text means "anything".
struct TWant {
  std::string Element, StrokeWidth, Fill;
};

// The nearest value of Attr on Node or its ancestors; "(unset)" if none.
std::string Inherited(xmlNode* Node, const char* Attr) {
  for (xmlNode* n = Node; n != nullptr && n->type == XML_ELEMENT_NODE; n = n->parent) {
    if (xmlChar* v = xmlGetProp(n, reinterpret_cast<const xmlChar*>(Attr))) {
      std::string s(reinterpret_cast<char*>(v));
      xmlFree(v);
      return s;
    }
  }
  return "(unset)";
}

void Collect(xmlNode* Node, std::vector<xmlNode*>& Out) {
  for (xmlNode* n = Node; n != nullptr; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    const std::string name = reinterpret_cast<const char*>(n->name);
    const bool frame = name == "rect" && n->parent != nullptr &&
                       std::string(reinterpret_cast<const char*>(n->parent->name)) == "svg";
    if ((name == "line" || name == "path" || name == "circle" || name == "rect") && !frame) Out.push_back(n);
    Collect(n->children, Out);
  }
}

class Groups : public ::testing::Test {
 protected:
  void SetUp() override {
    RestoreHostData();
    Calls.clear();
    SetAperture(1, 0, 0, 0);
    SetAperture(2, 0, 20, 0);
    SetAperture(3, 0, 250, 0);
    SetAperture(4, 0, NoWidth, NoWidth);
    SetAperture(5, 0, 50, 50);
    SetAperture(6, 0, 60, 20);
    SetAperture(7, 1, 40, 30);
    SetAperture(8, 4, 40, 10);
    SetAperture(9, 5, 40, 10);
    SetAperture(10, 2, 40, 10);
  }
  void TearDown() override { RestoreHostData(); }
};

// Plots one random document of Steps calls and checks it.
void PlotAndCheck(unsigned Seed, int Steps) {
  std::mt19937 rng(Seed);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  const THost& h = Host();
  std::vector<TWant> want;
  Calls.clear();
  h.OpenEquip(RecordWrite, 0, 0, 20000, 20000);

  // Layers 0 and 1 take keyword colours; layer 5 has the override #FF8000
  // in SVG.ini, which stays in force for layer 25 after it.
  bool overridden = false;
  std::string padFill;
  auto openLayer = [&](int32_t layer) {
    h.OpenLayer(layer, 0);
    if (layer != 25) overridden = layer == 5;
    if (layer == 0) padFill = "LimeGreen";
    if (layer == 1) padFill = "RoyalBlue";
  };
  openLayer(pick(2));
  std::string holes = "Crimson";
  h.SetParamValue(24, 22);

  const int32_t lineApertures[4] = {1, 2, 3, 4};
  auto widthOf = [](int32_t ap) -> std::string {
    static const char* const w[5] = {"", "0", "20", "250", "(unset)"};
    return w[ap];
  };
  for (int step = 0; step < Steps; ++step) {
    const int32_t x = pick(20000), y = pick(20000);
    switch (pick(8)) {
      case 0: {
        const int32_t layers[4] = {0, 1, 5, 25};
        openLayer(layers[pick(4)]);
        break;
      }
      case 1: {
        const int32_t ap = lineApertures[pick(4)];
        h.DrawLine(x, y, y, x, ap);
        want.push_back({"line", widthOf(ap), ""});
        break;
      }
      case 2: {
        const int32_t ap = lineApertures[pick(4)];
        if (pick(2) == 0) {
          h.DrawArc(x, y, 300, 0, 360, ap);
          for (int q = 0; q < 4; ++q) want.push_back({"path", widthOf(ap), "none"});
        } else {
          h.DrawArc(x, y, 300, 180, 90, ap);
          want.push_back({"path", widthOf(ap), "none"});
        }
        break;
      }
      case 3:
      case 4: {
        const int32_t ap = 5 + pick(6);
        h.FlashPad(x, y, ap);
        const std::string fill = overridden ? "#FF8000" : padFill;
        if (ap == 5) want.push_back({"circle", "0", fill});
        if (ap == 6 || ap == 7) want.push_back({"rect", "0", fill});
        if (ap == 8)
          for (int q = 0; q < 4; ++q) want.push_back({"path", "10", "none"});
        break;
      }
      case 5:
      case 6:
        h.DrillHole(x, y, 1 + pick(10));
        want.push_back({"circle", "", holes == "none" || !overridden ? holes : "#FF8000"});
        break;
      default: {
        // Holes colour: a keyword, "none", or the pads' own text.
        const int32_t colours[3] = {22, -1, 14};
        const int32_t c = colours[pick(3)];
        h.SetParamValue(24, c);
        holes = c == 22 ? "Crimson" : c == -1 ? "none" : "LimeGreen";
        break;
      }
    }
  }
  h.CloseEquip();

  const std::string doc = [] {
    std::string all;
    for (const std::string& c : Calls) all += c;
    return all;
  }();
  xmlDoc* parsed = xmlReadMemory(doc.data(), static_cast<int>(doc.size()), "plot.svg", nullptr,
                                 XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  ASSERT_NE(parsed, nullptr) << "seed " << Seed << ": not well-formed:\n" << doc;
  std::vector<xmlNode*> elements;
  Collect(xmlDocGetRootElement(parsed), elements);
  ASSERT_EQ(elements.size(), want.size()) << "seed " << Seed;
  for (size_t i = 0; i < want.size(); ++i) {
    const std::string where = "seed " + std::to_string(Seed) + ", element " + std::to_string(i);
    EXPECT_EQ(reinterpret_cast<const char*>(elements[i]->name), want[i].Element) << where;
    if (!want[i].StrokeWidth.empty())
      EXPECT_EQ(Inherited(elements[i], "stroke-width"), want[i].StrokeWidth) << where;
    if (!want[i].Fill.empty()) EXPECT_EQ(Inherited(elements[i], "fill"), want[i].Fill) << where;
  }
  xmlFreeDoc(parsed);
}

TEST_F(Groups, EveryCallOrderGivesAWellFormedDocumentWithTheAskedAttributes) {
  for (unsigned seed = 1; seed <= 400; ++seed) {
    PlotAndCheck(seed, 60);
    if (HasFailure()) break;
  }
}

TEST_F(Groups, SelectWritesNothingWhenTheValueIsInForce) {
  const THost& h = Host();
  h.OpenEquip(RecordWrite, 0, 0, 1000, 1000);
  h.OpenLayer(0, 0);
  h.FlashPad(0, 0, 5);
  h.DrawLine(0, 0, 1, 1, 1);  // width 0 already in force
  h.FlashPad(0, 0, 6);        // width 0 and LimeGreen in force
  const size_t mark = Calls.size() / 3;
  h.SetParamValue(24, 14);    // holes in the pads' colour text
  h.DrillHole(0, 0, 5);
  h.SetParamValue(24, -1);    // holes without fill: the fill group closes
  h.DrillHole(0, 0, 5);
  h.DrillHole(0, 0, 5);
  EXPECT_EQ(LinesFrom(mark), (std::vector<std::string>{"<circle cx=\"0\" cy=\"1000\" r=\"25\"/>", "</g>",
                                                       "<circle cx=\"0\" cy=\"1000\" r=\"25\"/>",
                                                       "<circle cx=\"0\" cy=\"1000\" r=\"25\"/>"}));
}

TEST_F(Groups, WidthEqualToTheNoGroupMarkOpensNoGroup) {
  const THost& h = Host();
  h.OpenEquip(RecordWrite, 0, 0, 1000, 1000);
  h.OpenLayer(0, 0);
  h.DrawLine(0, 0, 1, 1, 2);
  const size_t mark = Calls.size() / 3;
  h.DrawLine(0, 0, 1, 1, 4);
  h.CloseEquip();
  EXPECT_EQ(LinesFrom(mark), (std::vector<std::string>{"</g>", "<line x1=\"0\" y1=\"1000\" x2=\"1\" y2=\"999\"/>",
                                                       "</g>", "</svg>"}));
}

}  // namespace
