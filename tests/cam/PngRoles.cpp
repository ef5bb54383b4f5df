// PngRoles.cpp: how far two pictures of a board agree about what each point
// of it shows: no board (or a hole), solder mask, bare board or copper,
// exposed finish, silkscreen. Each picture's pixels take the role of the
// nearest colour of its own palette; pixels far from every palette colour
// (anti-aliased edges) and pixels next to another role in either picture
// are left out. The peer is shifted by the offset (within RADIUS pixels)
// that agrees best, since the two place the board differently.
//
// Usage: pngroles OURS.png PEER.png OURS_PALETTE PEER_PALETTE [RADIUS] [BORDER]
// A palette is ROLE=RRGGBB,... with roles none, mask, bare, finish, silk.
// Prints "agree PERCENT of BOARD_PIXELS at DX DY" and, per role pair, the
// pixels where they disagree.
#include "tests/common/Png.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

namespace {

const char* const Roles[] = {"none", "mask", "bare", "finish", "silk"};
constexpr int RoleCount = 5;

struct Colour {
  int R, G, B, Role;
};

std::vector<Colour> Palette(const std::string& Text) {
  std::vector<Colour> p;
  size_t at = 0;
  while (at < Text.size()) {
    size_t end = Text.find(',', at);
    if (end == std::string::npos) end = Text.size();
    const std::string item = Text.substr(at, end - at);
    at = end + 1;
    const size_t eq = item.find('=');
    if (eq == std::string::npos) continue;
    int role = -1;
    for (int k = 0; k < RoleCount; ++k) {
      if (item.compare(0, eq, Roles[k]) == 0) role = k;
    }
    const long v = std::strtol(item.c_str() + eq + 1, nullptr, 16);
    if (role >= 0) p.push_back({static_cast<int>(v >> 16 & 255), static_cast<int>(v >> 8 & 255), static_cast<int>(v & 255), role});
  }
  return p;
}

std::vector<int8_t> Classify(const png::Image& I, const std::vector<Colour>& P) {
  std::vector<int8_t> c(static_cast<size_t>(I.Width) * I.Height, -1);
  for (size_t i = 0; i < c.size(); ++i) {
    const uint8_t* px = &I.Pixels[i * I.Channels];
    int r = px[0], g = px[1], b = px[2];
    if (I.Channels == 4 && px[3] < 255) {  // on white
      const int a = px[3];
      r = (r * a + 255 * (255 - a)) / 255, g = (g * a + 255 * (255 - a)) / 255, b = (b * a + 255 * (255 - a)) / 255;
    }
    int best = -1;
    double d = 1e9;
    for (const Colour& k : P) {
      const double e = std::hypot(std::hypot(r - k.R, g - k.G), b - k.B);
      if (e < d) d = e, best = k.Role;
    }
    if (d < 40) c[i] = static_cast<int8_t>(best);
  }
  return c;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: pngroles OURS.png PEER.png OURS_PALETTE PEER_PALETTE [RADIUS] [BORDER]\n");
    return 2;
  }
  png::Image a, b;
  if (!png::ReadPair("pngroles", argv[1], argv[2], a, b)) return 2;
  const long radius = argc > 5 ? std::strtol(argv[5], nullptr, 10) : 10;
  const long border = argc > 6 ? std::strtol(argv[6], nullptr, 10) : 3;
  const std::vector<int8_t> ca = Classify(a, Palette(argv[3])), cb = Classify(b, Palette(argv[4]));
  // Pixels inside one role with all their neighbours.
  auto solid = [](const std::vector<int8_t>& C, long W, long H) {
    std::vector<int8_t> s(C.size(), -1);
    for (long y = 1; y + 1 < H; ++y) {
      for (long x = 1; x + 1 < W; ++x) {
        const int8_t r = C[y * W + x];
        bool ok = r >= 0;
        for (long dy = -1; dy <= 1 && ok; ++dy) {
          for (long dx = -1; dx <= 1 && ok; ++dx) ok = C[(y + dy) * W + x + dx] == r;
        }
        if (ok) s[y * W + x] = r;
      }
    }
    return s;
  };
  const std::vector<int8_t> sa = solid(ca, a.Width, a.Height), sb = solid(cb, b.Width, b.Height);
  // First placement: the exposed finish (the pads) of both on one box;
  // the search goes round it.
  auto finishBox = [](const std::vector<int8_t>& S, long W, long H, long* Box) {
    Box[0] = W, Box[1] = H, Box[2] = -1, Box[3] = -1;
    for (long y = 0; y < H; ++y) {
      for (long x = 0; x < W; ++x) {
        if (S[y * W + x] != 3) continue;
        Box[0] = std::min(Box[0], x), Box[1] = std::min(Box[1], y);
        Box[2] = std::max(Box[2], x), Box[3] = std::max(Box[3], y);
      }
    }
  };
  long fa[4], fb[4];
  finishBox(sa, a.Width, a.Height, fa);
  finishBox(sb, b.Width, b.Height, fb);
  long cx = 0, cy = 0;
  if (fa[2] >= 0 && fb[2] >= 0) cx = (fb[0] + fb[2] - fa[0] - fa[2]) / 2, cy = (fb[1] + fb[3] - fa[1] - fa[3]) / 2;
  long bestAgree = -1, bestBoard = 1, bx = 0, by = 0;
  std::vector<long> bestPairs;
  for (long oy = cy - radius; oy <= cy + radius; ++oy) {
    for (long ox = cx - radius; ox <= cx + radius; ++ox) {
      long agree = 0, board = 0;
      std::vector<long> pairs(RoleCount * RoleCount, 0);
      for (long y = border; y < a.Height - border; ++y) {
        const long py = y + oy;
        if (py < 0 || py >= b.Height) continue;
        for (long x = border; x < a.Width - border; ++x) {
          const long px = x + ox;
          if (px < 0 || px >= b.Width) continue;
          const int8_t ra = sa[y * a.Width + x], rb = sb[py * b.Width + px];
          if (ra < 0 || rb < 0 || (ra == 0 && rb == 0)) continue;
          ++board;
          if (ra == rb) ++agree;
          ++pairs[ra * RoleCount + rb];
        }
      }
      if (board > 0 && (bestAgree < 0 || agree * bestBoard > bestAgree * board)) {
        bestAgree = agree, bestBoard = board, bx = ox, by = oy, bestPairs = pairs;
      }
    }
  }
  std::printf("agree %.2f of %ld at %ld %ld\n", 100.0 * bestAgree / bestBoard, bestBoard, bx, by);
  for (int i = 1; i < RoleCount; ++i) {
    long both = bestPairs[i * RoleCount + i], any = 0;
    for (int j = 0; j < RoleCount; ++j) any += bestPairs[i * RoleCount + j] + (j != i ? bestPairs[j * RoleCount + i] : 0);
    std::printf("  %s: %ld pixels agree, %ld where either says %s\n", Roles[i], both, any, Roles[i]);
  }
  for (int i = 0; i < RoleCount; ++i) {
    for (int j = 0; j < RoleCount; ++j) {
      if (i != j && bestPairs[i * RoleCount + j] > 0) {
        std::printf("  ours %s, peer %s: %ld\n", Roles[i], Roles[j], bestPairs[i * RoleCount + j]);
      }
    }
  }
  return 0;
}
