// Host layers by file name: the CAD tools' names, whatever the extension.
#include <gtest/gtest.h>

#include "tools/cam/Layers.h"

namespace {

TEST(LayerByName, Table) {
  const struct {
    const char* Name;
    int32_t Layer;
  } cases[] = {
      {"board.GTL", 1},          {"dir/board-F_Cu.gbr", 1}, {"board-F_Cu.pho", 1},
      {"board-B_Mask.pho", 20},  {"board-Edge_Cuts.gm1", 3}, {"board-In2_Cu.pho", 4},
      {"hell.front.gbx", 1},     {"hell.group1.pho", 2},    {"SE_SG_IF_V2.GM2", 19},
      {"x.GM1", 3},              {"x.gm12", 19},            {"x.GD1", 19},
      {"x.GG2", 19},             {"x.G3", 5},               {"board.gbr", -1},
      {"notes.txt", -1},         {"x.gm", -1},              {"x.gmx1", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(cam::LayerByName(c.Name), c.Layer) << c.Name;
}

}  // namespace
