// The sample SVG.ini of the Windows package against the driver's own
// lookups: it names every key the driver reads (Record commented out), each
// at its default and under a comment line, and nothing else, so that a key
// added to the driver cannot be forgotten in it.
#include <gtest/gtest.h>
#include <strings.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "host/DrvTypes.h"
#include "settings/Settings.h"

namespace {

const char* const Sample = DRV_DIST_DIR "/SVG.ini";

// Everything a load decides.
struct TLoaded {
  uint16_t HiddenText;
  TLayerSetting Layers[LayerCount];
  TStackEntry Order[LayerCount];
  bool Switches[PlotSwitchCount];
  std::string Record;
};

TLoaded Load(const char* File) {
  LoadSettingsFrom(File);
  SortStackingOrder();
  TLoaded l{};
  l.HiddenText = static_cast<uint16_t>(DrvBlock.Descr.Flags & HiddenTextFlag);
  std::memcpy(l.Layers, LayerSettings, sizeof l.Layers);
  std::memcpy(l.Order, StackingOrder, sizeof l.Order);
  std::memcpy(l.Switches, PlotSwitches, sizeof l.Switches);
  l.Record = RecordSetting();
  return l;
}

bool IsRecord(const TProfileEntry& E) {
  return strcasecmp(E.Section, "Setup") == 0 && strcasecmp(E.Key, "Record") == 0;
}

std::string Trim(const std::string& S) {
  const size_t b = S.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return S.substr(b, S.find_last_not_of(" \t\r") - b + 1);
}

class SampleIni : public ::testing::Test {
 protected:
  void TearDown() override { Load(nullptr); }
};

TEST_F(SampleIni, GivesExactlyTheDefaults) {
  const TLoaded none = Load(nullptr);
  const TLoaded sample = Load(Sample);
  EXPECT_EQ(sample.HiddenText, none.HiddenText);
  for (int n = 0; n < LayerCount; ++n) {
    EXPECT_EQ(sample.Layers[n].ColorOverride, none.Layers[n].ColorOverride) << "layer " << n;
    EXPECT_EQ(sample.Layers[n].Opacity, none.Layers[n].Opacity) << "layer " << n;
    EXPECT_EQ(sample.Order[n].Layer, none.Order[n].Layer) << "position " << n;
    EXPECT_EQ(sample.Order[n].ZOrder, none.Order[n].ZOrder) << "position " << n;
  }
  for (int n = 0; n < PlotSwitchCount; ++n) EXPECT_FALSE(sample.Switches[n]) << PlotSwitchNames[n];
  EXPECT_EQ(sample.Record, "");
}

TEST_F(SampleIni, NamesEveryKeyTheDriverReads) {
  Load(Sample);
  int count = 0;
  const TProfileEntry* e = SettingsLookups(count);
  ASSERT_GT(count, 0);
  for (int n = 0; n < count; ++n) {
    if (IsRecord(e[n])) continue;  // commented out: checked below
    EXPECT_STRNE(e[n].Value, "") << "[" << e[n].Section << "] " << e[n].Key << " missing";
  }
}

// Every key line is one the driver reads, under a comment line; [Setup]
// holds Record commented out.
TEST_F(SampleIni, HoldsOnlyDriverKeysEachWithAComment) {
  Load(Sample);
  int count = 0;
  const TProfileEntry* e = SettingsLookups(count);
  std::ifstream in(Sample, std::ios::binary);
  ASSERT_TRUE(in) << Sample;
  std::string line, section, previous;
  int keys = 0, lineNo = 0;
  bool record = false;
  while (std::getline(in, line)) {
    ++lineNo;
    line = Trim(line);
    if (line.empty() || line[0] == '[') {
      if (!line.empty()) section = line.substr(1, line.find(']') - 1);
    } else if (line[0] == ';') {
      const std::string body = Trim(line.substr(1));
      if (section == "Setup" && body.rfind("Record=", 0) == 0) record = true;
    } else {
      const std::string key = Trim(line.substr(0, line.find('=')));
      bool read = false;
      for (int n = 0; n < count && !read; ++n) {
        read = strcasecmp(e[n].Section, section.c_str()) == 0 && strcasecmp(e[n].Key, key.c_str()) == 0;
      }
      EXPECT_TRUE(read) << "line " << lineNo << ": [" << section << "] " << key << " is not read";
      EXPECT_EQ(previous.substr(0, 1), ";") << "line " << lineNo << ": " << key << " has no comment";
      ++keys;
    }
    previous = line;
  }
  EXPECT_EQ(keys, count - 1);  // all but Record
  EXPECT_TRUE(record) << "no commented-out Record= in [Setup]";
}

}  // namespace
