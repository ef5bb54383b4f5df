// PngProbe.cpp: reads the colours of single pixels of a PNG file, so a test
// can check what a real SVG renderer made of a plot.
//
// Usage: pngprobe FILE X Y RRGGBB[AA] [X Y RRGGBB[AA]]...
//        pngprobe --size FILE WIDTH HEIGHT
//        pngprobe --black-white FILE
// Exit 0 when every pixel matches within 2 per channel (alpha 255 unless
// given; two fully transparent pixels match), when the image has that size, or when it holds black and white
// only: no pixel with a colour (channels more than 2 apart) and at most 5%
// grey, from anti-aliased edges; 1 otherwise. Reads 8-bit RGB and RGBA, non-interlaced: what
// rsvg-convert writes; zlib inflates the image data.
#include "tests/common/Png.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using png::Image;
using png::ReadPng;

int CheckSize(const Image& Img, long W, long H) {
  std::printf("%ux%u, want %ldx%ld\n", Img.Width, Img.Height, W, H);
  return Img.Width == W && Img.Height == H ? 0 : 1;
}

int CheckBlackWhite(const Image& Img) {
  size_t black = 0, white = 0, grey = 0, colour = 0;
  for (size_t i = 0; i + Img.Channels <= Img.Pixels.size(); i += Img.Channels) {
    const uint8_t* p = &Img.Pixels[i];
    const int lo = std::min({p[0], p[1], p[2]}), hi = std::max({p[0], p[1], p[2]});
    if (hi - lo > 2) {
      ++colour;
    } else if (hi <= 2) {
      ++black;
    } else if (lo >= 253) {
      ++white;
    } else {
      ++grey;
    }
  }
  const size_t all = black + white + grey + colour;
  std::printf("black %zu, white %zu, grey %zu, colour %zu\n", black, white, grey, colour);
  return colour == 0 && grey * 20 <= all ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if ((mode == "--size" && argc == 5) || (mode == "--black-white" && argc == 3)) {
    try {
      const Image img = ReadPng(argv[2]);
      return mode == "--size" ? CheckSize(img, std::strtol(argv[3], nullptr, 10),
                                          std::strtol(argv[4], nullptr, 10))
                              : CheckBlackWhite(img);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "pngprobe: %s\n", e.what());
      return 1;
    }
  }
  if (argc < 5 || (argc - 2) % 3 != 0) {
    std::fprintf(stderr,
                 "usage: pngprobe FILE X Y RRGGBB[AA] [X Y RRGGBB[AA]]...\n"
                 "       pngprobe --size FILE WIDTH HEIGHT\n"
                 "       pngprobe --black-white FILE\n");
    return 2;
  }
  Image img;
  try {
    img = ReadPng(argv[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pngprobe: %s\n", e.what());
    return 1;
  }
  int failed = 0;
  for (int i = 2; i + 2 < argc; i += 3) {
    const long x = std::strtol(argv[i], nullptr, 10), y = std::strtol(argv[i + 1], nullptr, 10);
    const std::string want = argv[i + 2];
    unsigned long w = std::strtoul(want.c_str(), nullptr, 16);
    if (want.size() == 6) w = (w << 8) | 0xFF;
    if (x < 0 || y < 0 || x >= static_cast<long>(img.Width) || y >= static_cast<long>(img.Height)) {
      std::printf("(%ld,%ld) lies outside the %ux%u image\n", x, y, img.Width, img.Height);
      ++failed;
      continue;
    }
    const uint8_t* p = &img.Pixels[(static_cast<size_t>(y) * img.Width + x) * img.Channels];
    const int have[4] = {p[0], p[1], p[2], img.Channels == 4 ? p[3] : 255};
    const int expect[4] = {int(w >> 24 & 255), int(w >> 16 & 255), int(w >> 8 & 255), int(w & 255)};
    bool ok = true;
    for (int k = 0; k < 4; ++k) ok = ok && std::abs(have[k] - expect[k]) <= 2;
    // A fully transparent pixel has no colour, whatever its channels hold.
    if (have[3] <= 2 && expect[3] <= 2) ok = true;
    std::printf("(%ld,%ld) %02X%02X%02X%02X, want %08lX: %s\n", x, y, have[0], have[1], have[2],
                have[3], w, ok ? "ok" : "DIFFERENT");
    if (!ok) ++failed;
  }
  return failed == 0 ? 0 : 1;
}
