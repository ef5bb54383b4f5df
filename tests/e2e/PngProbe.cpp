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
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <zlib.h>

namespace {

uint32_t Be32(const uint8_t* P) {
  return (uint32_t{P[0]} << 24) | (uint32_t{P[1]} << 16) | (uint32_t{P[2]} << 8) | P[3];
}

struct Image {
  uint32_t Width = 0, Height = 0;
  int Channels = 0;
  std::vector<uint8_t> Pixels;  // Channels bytes per pixel, rows top down
};

Image ReadPng(const std::string& Path) {
  FILE* f = std::fopen(Path.c_str(), "rb");
  if (f == nullptr) throw std::runtime_error("cannot open " + Path);
  std::vector<uint8_t> data;
  uint8_t buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
  std::fclose(f);

  static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (data.size() < 8 || std::memcmp(data.data(), signature, 8) != 0) {
    throw std::runtime_error(Path + " is not a PNG file");
  }
  Image img;
  std::vector<uint8_t> z;
  size_t at = 8;
  int depth = 0, type = -1, interlace = 0;
  while (at + 12 <= data.size()) {
    const uint32_t len = Be32(&data[at]);
    const std::string kind(reinterpret_cast<const char*>(&data[at + 4]), 4);
    if (at + 12 + len > data.size()) throw std::runtime_error("truncated chunk " + kind);
    const uint8_t* body = &data[at + 8];
    if (kind == "IHDR") {
      img.Width = Be32(body);
      img.Height = Be32(body + 4);
      depth = body[8];
      type = body[9];
      interlace = body[12];
    } else if (kind == "IDAT") {
      z.insert(z.end(), body, body + len);
    } else if (kind == "IEND") {
      break;
    }
    at += 12 + len;
  }
  if (depth != 8 || (type != 2 && type != 6) || interlace != 0) {
    throw std::runtime_error("only 8-bit RGB or RGBA, non-interlaced PNG is read");
  }
  img.Channels = type == 6 ? 4 : 3;
  // Each row is a filter byte and then the row's bytes.
  const size_t stride = static_cast<size_t>(img.Width) * img.Channels;
  std::vector<uint8_t> raw((stride + 1) * img.Height);
  uLongf rawLen = raw.size();
  if (uncompress(raw.data(), &rawLen, z.data(), z.size()) != Z_OK || rawLen != raw.size()) {
    throw std::runtime_error("bad image data");
  }
  img.Pixels.assign(stride * img.Height, 0);
  const int bpp = img.Channels;
  for (uint32_t y = 0; y < img.Height; ++y) {
    const uint8_t filter = raw[y * (stride + 1)];
    const uint8_t* src = &raw[y * (stride + 1) + 1];
    uint8_t* row = &img.Pixels[y * stride];
    const uint8_t* up = y > 0 ? &img.Pixels[(y - 1) * stride] : nullptr;
    for (size_t x = 0; x < stride; ++x) {
      const int a = x >= static_cast<size_t>(bpp) ? row[x - bpp] : 0;
      const int b = up != nullptr ? up[x] : 0;
      const int c = up != nullptr && x >= static_cast<size_t>(bpp) ? up[x - bpp] : 0;
      int v = src[x];
      switch (filter) {
        case 0: break;
        case 1: v += a; break;
        case 2: v += b; break;
        case 3: v += (a + b) / 2; break;
        case 4: {
          const int p = a + b - c;
          const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
          v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
          break;
        }
        default: throw std::runtime_error("bad filter type");
      }
      row[x] = static_cast<uint8_t>(v);
    }
  }
  return img;
}

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
