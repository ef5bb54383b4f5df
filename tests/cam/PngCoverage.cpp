// PngCoverage.cpp: how far two renderings of one plot disagree about what
// is covered: ours (rsvg-convert: plot colour on white) against the peer's
// (gerbv: white on black), at the same size and placement.
//
// Usage: pngcover OURS.png PEER.png [BORDER_PX]
// Prints "differ PERCENT covered OURS PEER" where PERCENT is the share of
// the union of both covered areas that only one of them covers. Pixels that
// either image shows as an edge (anti-aliased, or next to a pixel of the
// other kind) are left out, and so is a border of BORDER_PX (default 2),
// where our page frame lies.
#include "tests/common/Png.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// 1 covered, 0 clear, -1 in between. Green channel: 255 on white and black
// on the far side for both renderings once the peer's is inverted.
std::vector<int8_t> Classes(const png::Image& Img, bool Inverted) {
  std::vector<int8_t> c(static_cast<size_t>(Img.Width) * Img.Height);
  for (size_t i = 0; i < c.size(); ++i) {
    int g = Img.Pixels[i * Img.Channels + 1];
    if (Img.Channels == 4 && Img.Pixels[i * 4 + 3] < 128) g = Inverted ? 0 : 255;
    // Ours: white 255, the layer colours have green well below 160.
    const int t = Inverted ? g : 255 - g;
    c[i] = static_cast<int8_t>(t >= (Inverted ? 192 : 95) ? 1 : t <= (Inverted ? 64 : 24) ? 0 : -1);
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: pngcover OURS.png PEER.png [BORDER_PX]\n");
    return 2;
  }
  png::Image a, b;
  if (!png::ReadPair("pngcover", argv[1], argv[2], a, b)) return 2;
  const long border = argc > 3 ? std::strtol(argv[3], nullptr, 10) : 2;
  const long w = std::min(a.Width, b.Width), h = std::min(a.Height, b.Height);
  const std::vector<int8_t> ca = Classes(a, false), cb = Classes(b, true);
  auto at = [](const std::vector<int8_t>& C, const png::Image& I, long X, long Y) {
    return C[static_cast<size_t>(Y) * I.Width + X];
  };
  long only = 0, either = 0, ours = 0, peer = 0;
  for (long y = border; y < h - border; ++y) {
    for (long x = border; x < w - border; ++x) {
      const int8_t pa = at(ca, a, x, y), pb = at(cb, b, x, y);
      bool edge = pa < 0 || pb < 0;
      for (long dy = -1; dy <= 1 && !edge; ++dy) {
        for (long dx = -1; dx <= 1 && !edge; ++dx) {
          const long nx = x + dx, ny = y + dy;
          if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
          edge = at(ca, a, nx, ny) != pa || at(cb, b, nx, ny) != pb;
        }
      }
      if (edge) continue;
      ours += pa, peer += pb;
      if (pa || pb) ++either;
      if (pa != pb) ++only;
    }
  }
  std::printf("differ %.3f covered %ld %ld\n", either > 0 ? 100.0 * only / either : 0.0, ours, peer);
  return 0;
}
