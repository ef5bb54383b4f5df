// PngProbe.cpp: reads the colours of single pixels of a PNG file, so a test
// can check what a real SVG renderer made of a plot.
//
// Usage: pngprobe FILE X Y RRGGBB[AA] [X Y RRGGBB[AA]]...
// Exit 0 when every pixel matches within 2 per channel (alpha 255 unless
// given), 1 otherwise. Reads 8-bit RGB and RGBA, non-interlaced: what
// rsvg-convert writes. It carries its own inflate so that the tests need
// no compression library.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// ---- Inflate (RFC 1951), after the canonical-code decoder of zlib's puff --

struct Huffman {
  short Count[16];
  short Symbol[320];
};

class Inflater {
 public:
  Inflater(const uint8_t* In, size_t Len) : In(In), Len(Len) {}

  std::vector<uint8_t> Run() {
    int last;
    do {
      last = Bits(1);
      switch (Bits(2)) {
        case 0: Stored(); break;
        case 1: Fixed(); break;
        case 2: Dynamic(); break;
        default: throw std::runtime_error("bad deflate block type");
      }
    } while (!last);
    return Out;
  }

 private:
  const uint8_t* In;
  size_t Len;
  size_t Pos = 0;
  uint32_t BitBuf = 0;
  int BitCnt = 0;
  std::vector<uint8_t> Out;

  int Bits(int Need) {
    uint32_t val = BitBuf;
    while (BitCnt < Need) {
      if (Pos >= Len) throw std::runtime_error("deflate data ends early");
      val |= static_cast<uint32_t>(In[Pos++]) << BitCnt;
      BitCnt += 8;
    }
    BitBuf = val >> Need;
    BitCnt -= Need;
    return static_cast<int>(val & ((1u << Need) - 1));
  }

  void Stored() {
    BitBuf = 0;
    BitCnt = 0;
    if (Pos + 4 > Len) throw std::runtime_error("stored block ends early");
    const unsigned n = In[Pos] | (In[Pos + 1] << 8);
    const unsigned nn = In[Pos + 2] | (In[Pos + 3] << 8);
    if (n != (~nn & 0xFFFFu)) throw std::runtime_error("bad stored block length");
    Pos += 4;
    if (Pos + n > Len) throw std::runtime_error("stored block ends early");
    Out.insert(Out.end(), In + Pos, In + Pos + n);
    Pos += n;
  }

  int Decode(const Huffman& H) {
    int code = 0, first = 0, index = 0;
    for (int len = 1; len < 16; ++len) {
      code |= Bits(1);
      const int count = H.Count[len];
      if (code - count < first) return H.Symbol[index + (code - first)];
      index += count;
      first += count;
      first <<= 1;
      code <<= 1;
    }
    throw std::runtime_error("bad Huffman code");
  }

  static int Construct(Huffman& H, const short* Length, int N) {
    std::memset(H.Count, 0, sizeof H.Count);
    for (int s = 0; s < N; ++s) ++H.Count[Length[s]];
    if (H.Count[0] == N) return 0;
    int left = 1;
    for (int len = 1; len < 16; ++len) {
      left <<= 1;
      left -= H.Count[len];
      if (left < 0) return left;
    }
    short offs[16];
    offs[1] = 0;
    for (int len = 1; len < 15; ++len) offs[len + 1] = static_cast<short>(offs[len] + H.Count[len]);
    for (int s = 0; s < N; ++s) {
      if (Length[s] != 0) H.Symbol[offs[Length[s]]++] = static_cast<short>(s);
    }
    return left;
  }

  void Codes(const Huffman& Lens, const Huffman& Dists) {
    static const short lbase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                    31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const short lext[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                   2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const short dbase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                    33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                    1025, 1537, 2049, 3073, 4097, 6145,  8193,  12289, 16385, 24577};
    static const short dext[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                   6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    for (;;) {
      int sym = Decode(Lens);
      if (sym < 256) {
        Out.push_back(static_cast<uint8_t>(sym));
      } else if (sym == 256) {
        return;
      } else {
        sym -= 257;
        if (sym >= 29) throw std::runtime_error("bad length symbol");
        const int len = lbase[sym] + Bits(lext[sym]);
        sym = Decode(Dists);
        if (sym >= 30) throw std::runtime_error("bad distance symbol");
        const size_t dist = static_cast<size_t>(dbase[sym] + Bits(dext[sym]));
        if (dist > Out.size()) throw std::runtime_error("distance too far back");
        for (int i = 0; i < len; ++i) Out.push_back(Out[Out.size() - dist]);
      }
    }
  }

  void Fixed() {
    Huffman lens, dists;
    short l[320];
    int s = 0;
    for (; s < 144; ++s) l[s] = 8;
    for (; s < 256; ++s) l[s] = 9;
    for (; s < 280; ++s) l[s] = 7;
    for (; s < 288; ++s) l[s] = 8;
    Construct(lens, l, 288);
    for (s = 0; s < 30; ++s) l[s] = 5;
    Construct(dists, l, 30);
    Codes(lens, dists);
  }

  void Dynamic() {
    static const short order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    const int nlen = Bits(5) + 257, ndist = Bits(5) + 1, ncode = Bits(4) + 4;
    if (nlen > 286 || ndist > 30) throw std::runtime_error("bad code counts");
    short lengths[320] = {};
    for (int i = 0; i < ncode; ++i) lengths[order[i]] = static_cast<short>(Bits(3));
    Huffman lens, dists;
    if (Construct(lens, lengths, 19) != 0) throw std::runtime_error("bad code length code");
    int index = 0;
    while (index < nlen + ndist) {
      int sym = Decode(lens);
      if (sym < 16) {
        lengths[index++] = static_cast<short>(sym);
        continue;
      }
      short len = 0;
      if (sym == 16) {
        if (index == 0) throw std::runtime_error("repeat with no length");
        len = lengths[index - 1];
        sym = 3 + Bits(2);
      } else if (sym == 17) {
        sym = 3 + Bits(3);
      } else {
        sym = 11 + Bits(7);
      }
      if (index + sym > nlen + ndist) throw std::runtime_error("too many lengths");
      while (sym-- > 0) lengths[index++] = len;
    }
    if (lengths[256] == 0) throw std::runtime_error("no end-of-block code");
    const int err = Construct(lens, lengths, nlen);
    if (err < 0 || (err > 0 && nlen - lens.Count[0] != 1)) throw std::runtime_error("bad literal code");
    const int derr = Construct(dists, lengths + nlen, ndist);
    if (derr < 0 || (derr > 0 && ndist - dists.Count[0] != 1)) throw std::runtime_error("bad distance code");
    Codes(lens, dists);
  }
};

// ---- PNG ---------------------------------------------------------------

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
  if (z.size() < 6) throw std::runtime_error("no image data");
  // Skip the two-byte zlib header; the Adler-32 trailer is not checked.
  std::vector<uint8_t> raw = Inflater(z.data() + 2, z.size() - 2).Run();

  const size_t stride = static_cast<size_t>(img.Width) * img.Channels;
  if (raw.size() < (stride + 1) * img.Height) throw std::runtime_error("image data too short");
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

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || (argc - 2) % 3 != 0) {
    std::fprintf(stderr, "usage: pngprobe FILE X Y RRGGBB[AA] [X Y RRGGBB[AA]]...\n");
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
    std::printf("(%ld,%ld) %02X%02X%02X%02X, want %08lX: %s\n", x, y, have[0], have[1], have[2],
                have[3], w, ok ? "ok" : "DIFFERENT");
    if (!ok) ++failed;
  }
  return failed == 0 ? 0 : 1;
}
