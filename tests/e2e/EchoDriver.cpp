// EchoDriver.cpp: a driver library that writes every call it receives back
// through the write callback, one journal-like line each, with the aperture
// record that a drawing call finds in its table. plothost's tests load it in
// place of the SVG driver to see exactly which calls, in which order and
// with which arguments, the host makes, and how it treats the callback's
// bytes.
//
// Built twice: echodrv.so publishes its aperture table below 2 GiB as the
// real driver does; echodrv_notable.so publishes none (field 0).
//
// Comment N is a probe: N > 0 writes N bytes of a fixed pattern in chunks of
// many sizes (and an empty write); N < 0 passes the count N itself.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

#include <string>

#include "driver/Exports.h"

namespace {

constexpr int Apertures = 100;  // a smaller table than the real one: records 0 to 99

TDrvBlock Block;
TAperture* Table = nullptr;
TDrvWriteProc Write = nullptr;
std::string Pending;  // calls made before a callback was handed over

// ECHO_SLOW set: every call takes a millisecond, so that a test can signal
// a plot while it is surely still being written.
const bool Slow = std::getenv("ECHO_SLOW") != nullptr;

void Say(const std::string& Line) {
  if (Slow) usleep(1000);
  Pending += Line;
  Pending += '\n';
  if (Write == nullptr) return;
  Write(Pending.data(), static_cast<int32_t>(Pending.size()));
  Pending.clear();
}

std::string Args(std::initializer_list<int32_t> A) {
  std::string s;
  for (int32_t v : A) s += " " + std::to_string(v);
  return s;
}

std::string Record(int32_t N) {
  if (N < 0 || N >= Apertures || Table == nullptr) return "  # aperture " + std::to_string(N) + ": none";
  const TAperture& a = Table[N];
  return "  # aperture " + std::to_string(N) + ":" + Args({a.Shape, a.Width, a.Height});
}

__attribute__((constructor)) void Load() {
  Block = {};
  Block.Descr.DriverName = Str<24>("Echo");
  Block.Descr.ParamCount = 2;
  Block.Descr.ShortName = Str<8>("ECHO");
  Block.Descr.DefaultExt = Str<12>(".txt");
  Block.Descr.MaxAperture = Apertures - 1;
  Block.Descr.PaperWidth = 100;
  Block.Descr.PaperHeight = 50;
  Block.Params[0].Name = Str<30>("Ink >colour|");
  Block.Params[0].Kind = ParamKindChoice;
  Block.Params[0].Value = 1;
  Block.Params[0].Choices = Str<255>("Bla>ck|>Red|>Green");
  Block.Params[1].Name = Str<30>(">Width");
  Block.Params[1].Kind = ParamKindRange;
  Block.Params[1].Value = 7;
  Block.Params[1].Range.MinValue = -5;
  Block.Params[1].Range.MaxValue = 50;
#if !defined(ECHO_NO_TABLE)
  void* p = mmap(nullptr, sizeof(TAperture) * Apertures, PROT_READ | PROT_WRITE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_32BIT, -1, 0);
  if (p != MAP_FAILED && reinterpret_cast<uintptr_t>(p) <= 0xFFFFFFFFu) {
    Table = static_cast<TAperture*>(p);
    Block.Descr.ApertureTable = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
  }
#endif
}

}  // namespace

TDrvDescr* DRV_CALL GetDescrPtr440() { return &Block.Descr; }
TDrvParam* DRV_CALL GetParamPtr(uint8_t Index) { return &Block.Params[Index % 2]; }
void DRV_CALL SetParamValue(uint8_t Index, int32_t Value) {
  Say("SetParamValue" + Args({Index, Value}));
}
// The reverse of the layer numbers, so a host that follows it shows it.
int32_t DRV_CALL LayerOrdering(int32_t Position) { return 25 - Position; }

void DRV_CALL OpenEquip(TDrvWriteProc W, int32_t XMin, int32_t YMin, int32_t XMax, int32_t YMax) {
  Write = W;
  Say("OpenEquip" + Args({XMin, YMin, XMax, YMax}));
}
void DRV_CALL OpenLayer(int32_t Layer, int32_t Arg) { Say("OpenLayer" + Args({Layer, Arg})); }
void DRV_CALL CloseEquip() { Say("CloseEquip"); }

void DRV_CALL Comment(int32_t N) {
  Say("Comment" + Args({N}));
  if (Write == nullptr) return;
  if (N < 0) {
    Write("x", N);
    return;
  }
  std::string bytes(static_cast<size_t>(N), '\0');
  for (int32_t i = 0; i < N; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  Write(bytes.data(), 0);
  int32_t at = 0, chunk = 1;
  while (at < N) {
    const int32_t n = chunk < N - at ? chunk : N - at;
    Write(bytes.data() + at, n);
    at += n;
    chunk = chunk * 3 % 70001 + 1;  // 1, 4, 13, 40, ... up to ~70000
  }
}

void DRV_CALL DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Ap) {
  Say("DrawLine" + Args({X1, Y1, X2, Y2, Ap}) + Record(Ap));
}
void DRV_CALL DrawArc(int32_t X, int32_t Y, int32_t R, int32_t A0, int32_t A1, int32_t Ap) {
  Say("DrawArc" + Args({X, Y, R, A0, A1, Ap}) + Record(Ap));
}
void DRV_CALL FlashPad(int32_t X, int32_t Y, int32_t Ap) {
  Say("FlashPad" + Args({X, Y, Ap}) + Record(Ap));
}
void DRV_CALL DrillHole(int32_t X, int32_t Y, int32_t Ap) {
  Say("DrillHole" + Args({X, Y, Ap}) + Record(Ap));
}
void DRV_CALL DrawText(const TShortStr<255>* Text, int32_t A1, int32_t A2, int32_t A3, int32_t A4,
                       int32_t A5, int32_t A6, int32_t A7) {
  Say("DrawText " + std::string(Text->Text, Text->Len) + "  # length " +
      std::to_string(Text->Len) + Args({A1, A2, A3, A4, A5, A6, A7}));
}
