// Pads.cpp: pad flashes, drill holes and text items.
#include "../driver/Exports.h"
#include "../driver/Record.h"
#include "../host/DLL_Util.h"
#include "Draw.h"
#include "Frame.h"
#include "Switches.h"

namespace {

void PutRect(int32_t X, int32_t Y, int32_t W, int32_t H, int32_t Rx) {
  TLineBuf b{};
  PutText(b, "<rect x=\"");
  PutInt(b, SubWrap(X, W / 2));
  PutText(b, "\" y=\"");
  PutInt(b, SubWrap(Y, H / 2));
  PutText(b, "\" width=\"");
  PutInt(b, W);
  PutText(b, "\" height=\"");
  PutInt(b, H);
  PutText(b, "\" rx=\"");
  PutInt(b, Rx);
  PutText(b, "\" ry=\"");
  PutInt(b, Rx);
  PutText(b, "\"/>");
  WriteBuf(b);
}

constexpr int32_t HolesLayer = 24;

// A hole inside the holes mask has no fill of its own (the mask's black
// makes it an opening); elsewhere it takes the holes colour, or the colour
// that Monochrome or Negative force on holes, for this one request.
void SelectHoleFill() {
  if (HolesMaskOpen()) {
    SelectNoFill();
    return;
  }
  int32_t forced;
  if (!HoleColorForced(forced)) {
    SelectFill(ParamValue(HolesLayer));  // the holes colour, no pad offset
    return;
  }
  const int32_t layerOverride = LayerColorOverride;
  LayerColorOverride = forced;
  SelectFill(ParamValue(HolesLayer));
  LayerColorOverride = layerOverride;
}

}  // namespace

void WriteCircle(int32_t CX, int32_t CY, int32_t Diameter) {
  TLineBuf b{};
  PutText(b, "<circle cx=\"");
  PutInt(b, CX);
  PutText(b, "\" cy=\"");
  PutInt(b, CY);
  PutText(b, "\" r=\"");
  PutInt(b, Diameter / 2);  // integer halving truncates toward zero
  PutText(b, "\"/>");
  WriteBuf(b);
}

void DRV_CALL FlashPad(int32_t X, int32_t Y, int32_t Aperture) {
  RecordCall(TRecVerb::FlashPad, X, Y, Aperture);
  const TAperture* a = ApertureRecord(Aperture);
  if (a == nullptr || !DriverState.DocumentOpen) return;
  const int32_t w = a->Width, h = a->Height;
  const int32_t padColor = AddWrap(DriverState.LayerColorIndex, 28);  // the pad variant
  int32_t x = X, y = Y;
  FlipY(x, y);
  switch (a->Shape) {
    case 0: {  // circle, or a stadium when the sides differ by more than one
      SelectStrokeWidth(0);
      SelectFill(padColor);
      const int32_t d = SubWrap(w, h) / 2;
      if (d == 0) {
        WriteCircle(x, y, w);
      } else {
        PutRect(x, y, w, h, d < 0 ? w / 2 : h / 2);
      }
      break;
    }
    case 1:  // rectangle with sharp corners
      SelectStrokeWidth(0);
      SelectFill(padColor);
      PutRect(x, y, w, h, 0);
      break;
    case 4:  // ring: inner diameter w, ring width h, stroked
      SelectStrokeWidth(h);
      SelectStroke(padColor);
      WriteCircleArcs(X, Y, AddWrap(w, h) / 2, h);
      break;
    case 5:  // outline not settled: the width is brought into force, nothing drawn
      SelectStrokeWidth(h);
      SelectStroke(padColor);
      break;
    default:  // no outline for other shapes
      break;
  }
}

void DRV_CALL DrillHole(int32_t X, int32_t Y, int32_t Aperture) {
  RecordCall(TRecVerb::DrillHole, X, Y, Aperture);
  const TAperture* a = ApertureRecord(Aperture);
  if (a == nullptr || !DriverState.DocumentOpen) return;
  SelectHoleFill();
  FlipY(X, Y);
  WriteCircle(X, Y, a->Width);
}

// Text items do not appear in the document.
void DRV_CALL DrawText(const TShortStr<255>* Text, int32_t, int32_t, int32_t, int32_t,
                       int32_t, int32_t, int32_t) { RecordText(Text); }
