// ArcsTest.cpp: a full circle's four quarters, written together, are the
// bytes of four single quarters.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "host/DLL_Util.h"
#include "svg/Draw.h"
#include "svg/Frame.h"

namespace {

std::string Out;
void DRV_CALL Record(const char* Buf, int32_t Count) { Out.append(Buf, Count); }

TEST(Arcs, CircleIsFourQuarters) {
  struct Case {
    int32_t CX, CY, Radius, Width, FlipSum;
  };
  const Case cases[] = {
      {0, 0, 0, 0, 0},
      {500, 1000, 75, 25, 3000},
      {-1200, 340, -70, 10, -100},      // a negative radius runs the quarters backwards
      {1000, 2000, 33, 5, 3000},        // cx equals the mirrored cy
      {INT32_MAX, INT32_MIN, INT32_MAX, 7, INT32_MAX},  // wrapping sums, 10-digit controls
      {123456789, -98765432, 1999999999, 3, 0},
  };
  const TDriverState saved = DriverState;
  WriteProc = Record;
  for (const Case& c : cases) {
    DriverState.Groups = GroupStateDefaults;
    DriverState.FlipSum = c.FlipSum;
    Out.clear();
    WriteCircleArcs(c.CX, c.CY, c.Radius, c.Width);
    const std::string together = Out;
    DriverState.Groups = GroupStateDefaults;
    Out.clear();
    for (const int32_t q : Quarters) WriteQuarterArc(c.CX, c.CY, c.Radius, q, c.Width);
    EXPECT_EQ(together, Out) << c.CX << " " << c.CY << " " << c.Radius;
  }
  WriteProc = nullptr;
  DriverState = saved;
}

}  // namespace
