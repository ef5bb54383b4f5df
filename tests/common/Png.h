// Png.h: reads 8-bit RGB and RGBA non-interlaced PNG files (what
// rsvg-convert and gerbv write) for the tests that look at rendered plots;
// zlib inflates the image data.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

#include <zlib.h>

namespace png {

inline uint32_t Be32(const uint8_t* P) {
  return (uint32_t{P[0]} << 24) | (uint32_t{P[1]} << 16) | (uint32_t{P[2]} << 8) | P[3];
}

struct Image {
  uint32_t Width = 0, Height = 0;
  int Channels = 0;
  std::vector<uint8_t> Pixels;  // Channels bytes per pixel, rows top down
};

inline Image ReadPng(const std::string& Path) {
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

// The two pictures a comparison takes; false with "TOOL: why" on standard
// error when one cannot be read.
inline bool ReadPair(const char* Tool, const char* PathA, const char* PathB, Image& A, Image& B) {
  try {
    A = ReadPng(PathA);
    B = ReadPng(PathB);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s: %s\n", Tool, e.what());
    return false;
  }
  return true;
}

}  // namespace png
