// Demo.cpp: the built-in demo board, an 80 x 50 mm two-layer board in
// host units of 10 micrometres (Y up): board outline with rounded corners,
// a DIP-14 and an SOIC-8, a crystal, resistors and capacitors, an LED, a
// six-pin header, test points, vias and mounting holes, routed on both
// copper layers with tracks of three widths.
//
// It is made as a call list, the same thing a journal holds, so
// `plothost --demo-journal` can write it out as a journal to start from.
#include <map>
#include <utility>

#include "Host.h"

namespace {

// Host layers as the demo uses them.
constexpr int32_t Outline = 3;
constexpr int32_t Bottom = 0;
constexpr int32_t Top = 1;
constexpr int32_t Silk = 23;
constexpr int32_t Holes = 24;

// Aperture numbers and their records: shape, width, height.
enum : int32_t {
  ApOutline = 10,
  ApSilk = 11,
  ApSignal = 12,
  ApBus = 13,
  ApPower = 14,
  ApRound = 20,     // through-hole pad, round
  ApSquare = 21,    // through-hole pin 1, square
  ApDip = 22,       // DIP pad, obround
  ApDip1 = 23,      // DIP pin 1, rectangular
  ApXtal = 24,      // crystal pad, obround across
  ApSoic = 25,      // SOIC pad
  Ap0805H = 26,     // chip pad, component lying along X
  Ap0805V = 27,     // chip pad, component lying along Y
  ApVia = 28,       // via ring
  ApMount = 29,     // mounting hole ring
  ApTestPoint = 30, // round SMD test point
  DrPin = 40,
  DrHeader = 41,
  DrVia = 42,
  DrMount = 43,
};

struct ApertureDef {
  int32_t N, Shape, Width, Height;
};

constexpr ApertureDef Apertures[] = {
    {ApOutline, 0, 20, 20},   {ApSilk, 0, 15, 15},     {ApSignal, 0, 25, 25},
    {ApBus, 0, 40, 40},       {ApPower, 0, 80, 80},    {ApRound, 0, 170, 170},
    {ApSquare, 1, 170, 170},  {ApDip, 0, 150, 240},    {ApDip1, 1, 150, 240},
    {ApXtal, 0, 240, 150},    {ApSoic, 1, 60, 155},    {Ap0805H, 1, 100, 130},
    {Ap0805V, 1, 130, 100},   {ApVia, 4, 30, 20},      {ApMount, 4, 320, 60},
    {ApTestPoint, 0, 120, 120}, {DrPin, 0, 80, 80},    {DrHeader, 0, 100, 100},
    {DrVia, 0, 30, 30},       {DrMount, 0, 320, 320},
};

struct Pt {
  int32_t X, Y;
};

class Board {
 public:
  std::map<int32_t, std::vector<Call>> Layers;

  void Track(int32_t Layer, int32_t Ap, std::initializer_list<Pt> Points) {
    const Pt* prev = nullptr;
    for (const Pt& p : Points) {
      if (prev != nullptr) Add(Layer, MakeCall(Verb::DrawLine, {prev->X, prev->Y, p.X, p.Y, Ap}));
      prev = &p;
    }
  }
  void Arc(int32_t Layer, int32_t Ap, int32_t X, int32_t Y, int32_t R, int32_t A0, int32_t A1) {
    Add(Layer, MakeCall(Verb::DrawArc, {X, Y, R, A0, A1, Ap}));
  }
  void Circle(int32_t Layer, int32_t Ap, int32_t X, int32_t Y, int32_t R) {
    Arc(Layer, Ap, X, Y, R, 0, 360);
  }
  void Rect(int32_t Layer, int32_t Ap, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    Track(Layer, Ap, {{X1, Y1}, {X2, Y1}, {X2, Y2}, {X1, Y2}, {X1, Y1}});
  }
  void Pad(int32_t Layer, int32_t X, int32_t Y, int32_t Ap) {
    Add(Layer, MakeCall(Verb::FlashPad, {X, Y, Ap}));
  }
  // A plated through-hole: the pad on both copper layers and its hole.
  void Through(int32_t X, int32_t Y, int32_t PadAp, int32_t DrillAp) {
    Pad(Bottom, X, Y, PadAp);
    Pad(Top, X, Y, PadAp);
    Add(Holes, MakeCall(Verb::DrillHole, {X, Y, DrillAp}));
  }
  void Via(int32_t X, int32_t Y) { Through(X, Y, ApVia, DrVia); }
  void Text(int32_t Layer, const char* S) { Add(Layer, MakeText(S)); }

 private:
  void Add(int32_t Layer, Call C) { Layers[Layer].push_back(std::move(C)); }
};

void Outlines(Board& B) {
  // 80 x 50 mm with 3 mm corner radii: four edges and four quarter arcs,
  // one of them given clockwise as some hosts do.
  B.Track(Outline, ApOutline, {{1300, 1000}, {8700, 1000}});
  B.Track(Outline, ApOutline, {{9000, 1300}, {9000, 5700}});
  B.Track(Outline, ApOutline, {{8700, 6000}, {1300, 6000}});
  B.Track(Outline, ApOutline, {{1000, 5700}, {1000, 1300}});
  B.Arc(Outline, ApOutline, 8700, 1300, 300, 270, 360);
  B.Arc(Outline, ApOutline, 8700, 5700, 300, 0, 90);
  B.Arc(Outline, ApOutline, 1300, 5700, 300, 90, 180);
  B.Arc(Outline, ApOutline, 1300, 1300, 300, 270, 180);

  for (Pt p : {Pt{1350, 1350}, Pt{8650, 1350}, Pt{1350, 5650}, Pt{8650, 5650}}) {
    B.Through(p.X, p.Y, ApMount, DrMount);
  }
}

void Parts(Board& B) {
  // U1, DIP-14 at (3600, 3500): pins 1-7 along the lower row left to
  // right, 8-14 along the upper row right to left, 2.54 mm pitch.
  for (int i = 0; i < 7; ++i) {
    const int32_t x = 2838 + 254 * i;
    B.Through(x, 3119, i == 0 ? ApDip1 : ApDip, DrPin);
    B.Through(x, 3881, ApDip, DrPin);
  }
  B.Track(Silk, ApSilk, {{2700, 3420}, {2700, 3260}, {4500, 3260}, {4500, 3740}, {2700, 3740},
                         {2700, 3580}});
  B.Arc(Silk, ApSilk, 2700, 3500, 80, 270, 360);  // the notch at pin 1's end
  B.Arc(Silk, ApSilk, 2700, 3500, 80, 0, 90);
  B.Text(Silk, "U1");

  // U2, SOIC-8 at (6300, 4300), top side only.
  for (int i = 0; i < 4; ++i) {
    const int32_t x = 6110 + 127 * i;
    B.Pad(Top, x, 4030, ApSoic);
    B.Pad(Top, x, 4570, ApSoic);
  }
  B.Rect(Silk, ApSilk, 6030, 4160, 6570, 4440);
  B.Circle(Silk, ApSilk, 6000, 3900, 25);
  B.Text(Silk, "U2");

  // Y1, HC-49 crystal at (3600, 5000), its outline two lines and two
  // half circles.
  B.Through(3346, 5000, ApXtal, DrPin);
  B.Through(3854, 5000, ApXtal, DrPin);
  B.Track(Silk, ApSilk, {{3300, 5200}, {3900, 5200}});
  B.Track(Silk, ApSilk, {{3300, 4800}, {3900, 4800}});
  B.Arc(Silk, ApSilk, 3900, 5000, 200, 270, 360);
  B.Arc(Silk, ApSilk, 3900, 5000, 200, 0, 90);
  B.Arc(Silk, ApSilk, 3300, 5000, 200, 90, 180);
  B.Arc(Silk, ApSilk, 3300, 5000, 200, 180, 270);
  B.Text(Silk, "Y1 16MHz");

  // R1 to R3, 0805 chips at x 5600.
  const char* names[] = {"R3", "R2", "R1"};
  for (int i = 0; i < 3; ++i) {
    const int32_t y = 1900 + 300 * i;
    B.Pad(Top, 5505, y, Ap0805H);
    B.Pad(Top, 5695, y, Ap0805H);
    B.Track(Silk, ApSilk, {{5570, y + 100}, {5630, y + 100}});
    B.Track(Silk, ApSilk, {{5570, y - 100}, {5630, y - 100}});
    B.Text(Silk, names[i]);
  }

  // C1, 0805 standing along Y beside U2.
  B.Pad(Top, 7000, 4205, Ap0805V);
  B.Pad(Top, 7000, 4395, Ap0805V);
  B.Text(Silk, "C1 100n");

  // C3, radial electrolytic at (2000, 2000), square pad positive.
  B.Through(1873, 2000, ApSquare, DrPin);
  B.Through(2127, 2000, ApRound, DrPin);
  B.Circle(Silk, ApSilk, 2000, 2000, 320);
  B.Track(Silk, ApSilk, {{1640, 2400}, {1740, 2400}});
  B.Track(Silk, ApSilk, {{1690, 2350}, {1690, 2450}});
  B.Text(Silk, "C3 10u");

  // D1, 3 mm LED at (7400, 1700).
  B.Through(7273, 1700, ApSquare, DrPin);
  B.Through(7527, 1700, ApRound, DrPin);
  B.Circle(Silk, ApSilk, 7400, 1700, 250);
  B.Text(Silk, "D1");

  // J1, 1 x 6 header along Y at x 8300, pin 1 at the bottom.
  for (int i = 0; i < 6; ++i) B.Through(8300, 2300 + 254 * i, i == 0 ? ApSquare : ApRound, DrHeader);
  B.Rect(Silk, ApSilk, 8170, 2170, 8430, 3700);
  B.Text(Silk, "J1 VCC GND SDA SCL TX RX");

  // Test points.
  B.Pad(Top, 8000, 5200, ApTestPoint);
  B.Pad(Top, 8400, 5200, ApTestPoint);
  B.Text(Silk, "TP1");
  B.Text(Silk, "TP2");

  B.Text(Silk, "SVG DEMO BOARD rev A");
}

void Routes(Board& B) {
  // VCC on the bottom, from J1 pin 1 around the lower edge to U1 pin 14,
  // with a quarter-arc bend (given clockwise) and branches to C3 and D1.
  B.Track(Bottom, ApPower, {{8300, 2300}, {8300, 2100}});
  B.Arc(Bottom, ApPower, 8050, 2100, 250, 360, 270);
  B.Track(Bottom, ApPower, {{8050, 1850}, {2600, 1850}, {2400, 2050}, {2400, 3650}, {2631, 3881},
                            {2838, 3881}});
  B.Track(Bottom, ApPower, {{2400, 2200}, {2227, 2200}, {2127, 2100}, {2127, 2000}});
  B.Track(Bottom, ApSignal, {{7527, 1700}, {7527, 1850}});
  // GND on the bottom from J1 pin 2 to U1 pin 7, and on top from C3.
  B.Track(Bottom, ApPower, {{8300, 2554}, {7700, 2554}, {7500, 2754}, {4600, 2754}, {4362, 2992},
                            {4362, 3119}});
  B.Track(Top, ApBus, {{1873, 2000}, {1873, 2600}, {2173, 2900}, {4143, 2900}, {4362, 3119}});

  // The crystal to U1 pins 10 and 12.
  B.Track(Top, ApSignal, {{3346, 5000}, {3346, 3881}});
  B.Track(Top, ApSignal, {{3854, 5000}, {3854, 3881}});

  // SDA and SCL from J1 to U2, as a pair.
  B.Track(Top, ApBus, {{8300, 2808}, {7900, 2808}, {7500, 3208}, {7500, 3700}, {6664, 3700},
                       {6364, 4000}, {6364, 4030}});
  B.Track(Top, ApBus, {{8300, 3062}, {7950, 3062}, {7650, 3362}, {7650, 3850}, {6671, 3850},
                       {6491, 4030}});
  // Pull-ups: R1 to SDA, R2 round J1 to SCL with a quarter-arc bend.
  B.Track(Top, ApSignal, {{5695, 2500}, {6008, 2500}, {6716, 3208}, {7500, 3208}});
  B.Track(Top, ApSignal, {{5695, 2200}, {6300, 2200}, {6500, 2000}, {8300, 2000}});
  B.Arc(Top, ApSignal, 8300, 2250, 250, 270, 360);
  B.Track(Top, ApSignal, {{8550, 2250}, {8550, 2949}, {8437, 3062}, {8300, 3062}});
  // R1 to R3 share VCC through a via; R3 feeds the LED.
  B.Track(Top, ApSignal, {{5505, 1900}, {5505, 2500}});
  B.Track(Top, ApSignal, {{5505, 2200}, {5300, 2200}});
  B.Track(Bottom, ApPower, {{5300, 2200}, {5300, 1850}});
  B.Via(5300, 2200);
  B.Track(Top, ApSignal, {{5695, 1900}, {7073, 1900}, {7273, 1700}});

  // U1 pins 8 and 9 to U2 pins 1 and 2; the second runs between U1's rows.
  B.Track(Top, ApSignal, {{4362, 3881}, {5900, 3881}, {6049, 4030}, {6110, 4030}});
  B.Track(Top, ApSignal, {{6237, 4030}, {6237, 3650}, {6087, 3500}, {4108, 3500}, {4108, 3881}});

  // TX and RX from J1 to U1 pins 6 and 5, on the bottom.
  B.Track(Bottom, ApSignal, {{8300, 3316}, {4108, 3316}, {4108, 3119}});
  B.Track(Bottom, ApSignal, {{8300, 3570}, {4054, 3570}, {3854, 3370}, {3854, 3119}});

  // U2's upper row: decoupling by C1, two test points, and VCC through a
  // via to U1 pin 14.
  B.Track(Top, ApBus, {{6491, 4570}, {6491, 4700}, {6900, 4700}, {7000, 4600}, {7000, 4395}});
  B.Track(Top, ApSignal, {{7000, 4205}, {7000, 4000}, {7200, 4000}});
  B.Via(7200, 4000);
  B.Track(Top, ApSignal, {{6364, 4570}, {6364, 4800}, {6764, 5200}, {8000, 5200}});
  B.Track(Top, ApSignal, {{6237, 4570}, {6237, 4950}, {6637, 5350}, {8250, 5350}, {8400, 5200}});
  B.Track(Top, ApSignal, {{6110, 4570}, {6110, 4850}});
  B.Via(6110, 4850);
  B.Track(Bottom, ApPower, {{6110, 4850}, {5760, 4500}, {3100, 4500}, {2838, 4238}, {2838, 3881}});

  // Stitching vias.
  for (Pt p : {Pt{4600, 2754}, Pt{1700, 4200}, Pt{1700, 4800}, Pt{5000, 5500}, Pt{7600, 5600},
               Pt{2800, 1400}, Pt{4400, 1400}}) {
    B.Via(p.X, p.Y);
  }
}

}  // namespace

std::vector<Call> DemoBoard(const Driver& D) {
  std::vector<Call> calls;
  for (const ApertureDef& a : Apertures) {
    calls.push_back(MakeCall(Verb::Aperture, {a.N, a.Shape, a.Width, a.Height}));
  }
  Board b;
  Outlines(b);
  Parts(b);
  Routes(b);

  // A 90 x 60 mm plot area around the board.
  calls.push_back(MakeCall(Verb::OpenEquip, {500, 500, 9500, 6500}));
  for (int32_t layer : PlottingOrder(D)) {
    const auto it = b.Layers.find(layer);
    if (it == b.Layers.end()) continue;
    calls.push_back(MakeCall(Verb::OpenLayer, {layer, 0}));
    calls.insert(calls.end(), it->second.begin(), it->second.end());
  }
  calls.push_back(MakeCall(Verb::CloseEquip, {}));
  return calls;
}
