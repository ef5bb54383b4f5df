// A circle aperture with a round hole, flashed: one ring pad (the driver's
// ring: inner diameter W, width H, W + H even) where both edges come within
// 0.75 unit of the true ones, else the aperture's area, hatched. Some W and
// H of the right parity always come within 0.7 of a proper ring, so only
// a hole of another shape is hatched. A hole as large as the aperture
// leaves nothing to draw.
#include <gtest/gtest.h>

#include <fstream>

#include "tools/cam/Cam.h"

namespace {

TEST(RingAperture, Table) {
  const struct {
    const char* Units;
    const char* Aperture;  // %ADD10...*%
    int32_t W, H;          // the ring pad; 0, 0: none
    bool Lines;            // hatched into strokes
  } cases[] = {
      {"MM", "C,1.0X0.6", 60, 20, false},     // exact
      {"IN", "C,0.06X0.03", 76, 38, false},   // inch: edges 0.1 and 0.2 off
      {"MM", "C,0.815X0.604", 59, 11, false}, // inner edge 0.7 off, the worst any ring gets
      {"MM", "C,1.0X0.4X0.4", 0, 0, true},    // square hole: no ring
      {"MM", "C,0.6X0.62", 0, 0, false},      // the hole takes it all: nothing
      {"MM", "C,0.6X0.6", 0, 0, false},
      {"MM", "R,0.4X0.4X0.6", 0, 0, false},   // a hole over a whole square
  };
  const std::string file = ::testing::TempDir() + "ring-F_Cu.gbr";
  for (const auto& c : cases) {
    std::ofstream(file) << "%FSLAX46Y46*%\n%MO" << c.Units << "*%\n%ADD10" << c.Aperture
                        << "*%\nD10*\nX0Y0D03*\nM02*\n";
    CamOptions options;
    options.Files = {file};
    std::deque<CamCall> calls;
    std::vector<std::string> errors, warnings;
    int64_t origin[2];
    ASSERT_TRUE(ImportCam(options, {1}, 600, calls, errors, warnings, origin)) << c.Aperture;
    std::vector<CamCall> records, pads;
    int lines = 0;
    for (const CamCall& k : calls) {
      if (k.What == Verb::Aperture) records.push_back(k);
      if (k.What == Verb::FlashPad) pads.push_back(k);
      lines += k.What == Verb::DrawLine;
    }
    EXPECT_EQ(pads.size(), c.W > 0 ? 1u : 0u) << c.Aperture;
    for (const CamCall& p : pads) {
      ASSERT_LT(static_cast<size_t>(p.Arg[2]), records.size());
      const CamCall& r = records[static_cast<size_t>(p.Arg[2])];
      EXPECT_EQ(r.Arg[0], p.Arg[2]);
      EXPECT_EQ(r.Arg[1], 4) << c.Aperture;  // ring
      EXPECT_EQ(r.Arg[2], c.W) << c.Aperture;
      EXPECT_EQ(r.Arg[3], c.H) << c.Aperture;
    }
    EXPECT_EQ(lines > 0, c.Lines) << c.Aperture;
  }
  std::remove(file.c_str());
}

}  // namespace
