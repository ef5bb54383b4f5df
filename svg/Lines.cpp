// Lines.cpp: tracks as line elements, arcs as quarter-circle Bezier paths.
#include "../driver/Exports.h"
#include "../host/DLL_Util.h"
#include "Draw.h"
#include "Frame.h"
#include "Switches.h"

namespace {

// The Bezier constant: a quarter circle of radius r has its control points
// 0.5522847498 r from its ends, here as an exact decimal fraction.
constexpr uint64_t KappaNum = 5522847498u;
constexpr uint64_t KappaScale = 10000000000u;  // 10^10

// Writes the exact decimal A + K r (Plus) or A - K r, to two decimals.
void PutControl(TLineBuf& B, int32_t A, int32_t R, bool Plus) {
  const uint32_t mag = R < 0 ? 0u - static_cast<uint32_t>(R) : static_cast<uint32_t>(R);
  const uint64_t kr = KappaNum * mag;  // below 1.19e19: fits
  const bool add = Plus == (R >= 0);
  int64_t whole = static_cast<int64_t>(A) + (add ? 1 : -1) * static_cast<int64_t>(kr / KappaScale);
  int64_t frac = (add ? 1 : -1) * static_cast<int64_t>(kr % KappaScale);
  // Give both parts one sign.
  if (whole > 0 && frac < 0) {
    --whole;
    frac += static_cast<int64_t>(KappaScale);
  } else if (whole < 0 && frac > 0) {
    ++whole;
    frac -= static_cast<int64_t>(KappaScale);
  }
  const bool negative = whole < 0 || frac < 0;
  PutFixed(B, negative, static_cast<uint64_t>(negative ? -whole : whole),
           static_cast<uint64_t>(negative ? -frac : frac), 10, 2);
}

template <size_t N>
void PutPoint(TLineBuf& B, const char (&Lead)[N], int32_t X, int32_t Y) {
  PutChars(B, Lead, N - 1);
  PutInt(B, X);
  PutText(B, ",");
  PutInt(B, Y);
}

// The path of quarter Quarter (0, 90, 180 or 270) of the circle at CX, CY
// (already mirrored); Control(B, A, Plus) writes the control coordinate
// A + K r (Plus) or A - K r.
template <typename F>
void PutQuarter(TLineBuf& b, int32_t Quarter, int32_t CX, int32_t CY, int32_t Radius, F Control) {
  const int32_t cx = CX, cy = CY, r = Radius;
  // Quarters 180 and 270 are quarters 0 and 90 with the radius negated.
  const bool fwd = Quarter == 0 || Quarter == 90;
  auto ahead = [&](int32_t A) { return fwd ? AddWrap(A, r) : SubWrap(A, r); };
  auto back = [&](int32_t A) { return fwd ? SubWrap(A, r) : AddWrap(A, r); };

  if (Quarter == 0 || Quarter == 180) {
    // M cx+r,cy C cx+r,cy-k cx+k,cy-r cx,cy-r
    PutPoint(b, "<path d=\"M", ahead(cx), cy);
    PutText(b, " C");
    PutInt(b, ahead(cx));
    PutText(b, ",");
    Control(b, cy, !fwd);
    PutText(b, " ");
    Control(b, cx, fwd);
    PutText(b, ",");
    PutInt(b, back(cy));
    PutPoint(b, " ", cx, back(cy));
  } else {
    // M cx,cy-r C cx-k,cy-r cx-r,cy-k cx-r,cy
    PutPoint(b, "<path d=\"M", cx, back(cy));
    PutText(b, " C");
    Control(b, cx, !fwd);
    PutText(b, ",");
    PutInt(b, back(cy));
    PutText(b, " ");
    PutInt(b, back(cx));
    PutText(b, ",");
    Control(b, cy, !fwd);
    PutPoint(b, " ", back(cx), cy);
  }
  PutText(b, "\"/>");
}

}  // namespace

void WriteQuarterArc(int32_t CX, int32_t CY, int32_t Radius, int32_t Quarter, int32_t ArcWidth) {
  SelectStrokeWidth(ArcWidth);
  if (Quarter != 0 && Quarter != 90 && Quarter != 180 && Quarter != 270) return;
  // A path under a fill group would render as a filled wedge: arcs and
  // rings are strokes only.
  SelectNoFill();

  int32_t x = CX, cy = CY;
  FlipY(x, cy);
  Quarter = MirroredQuarter(Quarter);  // a mirrored quarter lies on the other side
  TLineBuf b{};
  PutQuarter(b, Quarter, x, cy, Radius,
             [Radius](TLineBuf& B, int32_t A, bool Plus) { PutControl(B, A, Radius, Plus); });
  WriteBuf(b);
}

void WriteCircleArcs(int32_t CX, int32_t CY, int32_t Radius, int32_t ArcWidth) {
  // Once for all four quarters: nothing is written between them.
  SelectStrokeWidth(ArcWidth);
  SelectNoFill();

  int32_t x = CX, cy = CY;
  FlipY(x, cy);
  // Each control coordinate appears in two quarters (cx + K r in quarters 0
  // and 270, and so on): each is formatted once, [cx, cy][minus, plus].
  TLineBuf texts[2][2];
  PutControl(texts[0][0], x, Radius, false);
  PutControl(texts[0][1], x, Radius, true);
  PutControl(texts[1][0], cy, Radius, false);
  PutControl(texts[1][1], cy, Radius, true);
  for (const int32_t q : Quarters) {
    TLineBuf b{};
    PutQuarter(b, MirroredQuarter(q), x, cy, Radius, [&](TLineBuf& B, int32_t A, bool Plus) {
      // Were cx and cy equal, either text would do.
      const TLineBuf& t = texts[A == x ? 0 : 1][Plus];
      if (t.Len <= 16 && B.Len + 16 <= sizeof B.Text) {
        std::memcpy(B.Text + B.Len, t.Text, 16);  // a fixed size; past Len is scratch
        B.Len += t.Len;
      } else {
        PutChars(B, t.Text, t.Len);
      }
    });
    WriteBuf(b);
  }
}

void DRV_CALL DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Aperture) {
  const TAperture* a = ApertureRecord(Aperture);
  if (a == nullptr || !DriverState.DocumentOpen) return;
  SelectStrokeWidth(a->Width);
  FlipY(X1, Y1);
  FlipY(X2, Y2);
  TLineBuf b{};
  PutText(b, "<line x1=\"");
  PutInt(b, X1);
  PutText(b, "\" y1=\"");
  PutInt(b, Y1);
  PutText(b, "\" x2=\"");
  PutInt(b, X2);
  PutText(b, "\" y2=\"");
  PutInt(b, Y2);
  PutText(b, "\"/>");
  WriteBuf(b);
}

void DRV_CALL DrawArc(int32_t X, int32_t Y, int32_t Radius, int32_t StartAngle, int32_t EndAngle,
                      int32_t Aperture) {
  const TAperture* a = ApertureRecord(Aperture);
  if (a == nullptr || !DriverState.DocumentOpen) return;
  const int32_t w = a->Width;
  // Exact comparisons: in 64 bits no sum wraps.
  const int64_t start = StartAngle, end = EndAngle;
  if (end == start + 90) {
    WriteQuarterArc(X, Y, Radius, StartAngle, w);
  } else if (start == end + 90) {
    WriteQuarterArc(X, Y, Radius, EndAngle, w);  // clockwise pair: the same quarter
  } else if (start == 0 && end == 360) {
    WriteCircleArcs(X, Y, Radius, w);
  }
}
