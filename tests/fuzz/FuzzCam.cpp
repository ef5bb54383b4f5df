// FuzzCam.cpp: libFuzzer target for plothost's Gerber and Excellon readers
// and the board views (--view) made from what they read: any input must end
// in a plot or a message, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tools/cam/Cam.h"
#include "tools/cam/View.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // Bounded: real CAM files past a few megabytes add nothing new here.
  if (Size > (1 << 20)) return 0;
  const std::string text(reinterpret_cast<const char*>(Data), Size);
  std::string error;
  if (CamCheckText("fuzz", text, error)) cam::ViewCheckText("fuzz", text, error);
  return 0;
}
