// Frame.cpp: OpenEquip, OpenLayer, CloseEquip and the group stack.
#include "Frame.h"

#include <cstring>

#include "../driver/Exports.h"
#include "../driver/Record.h"
#include "../host/DLL_Util.h"
#include "../settings/Settings.h"
#include "Switches.h"

TDriverState DriverState = {};
const TGroupState GroupStateDefaults = {false, NoStrokeWidth, {}, {}, {}, false};

namespace {

TGroupState& G = DriverState.Groups;

// What stands before a group's start tag when it replaces an open group of
// its kind: the replaced group's end tag, on the same line.
const char* const ClosePrefix[2] = {"", "</g> "};

bool SameText(const TColorStr& A, const TColorStr& B) {
  return A.Len == B.Len && std::memcmp(A.Text, B.Text, A.Len) == 0;
}

bool StrokeGroupOpen() { return G.StrokeWidth != NoStrokeWidth; }
bool FillGroupOpen() { return !SameText(G.FillText, G.NoneText); }

void WriteStrokeWidthGroup(const char* Prefix, int32_t W) {
  TLineBuf b{};
  PutText(b, Prefix);
  PutText(b, "<g stroke-width=\"");
  PutInt(b, W);
  PutText(b, "\">");
  WriteBuf(b);
}

// Drops a fill group that lies inside the stroke-width group about to be
// replaced or closed. Every caller that wants a fill asks for it afterwards,
// so it is not reopened.
void DropInnerFill() {
  if (!(FillGroupOpen() && StrokeGroupOpen() && G.FillInner)) return;
  WriteLine("</g>");
  G.FillText = G.NoneText;
  G.FillInner = false;
}

void CloseStrokeGroup() {
  if (!StrokeGroupOpen()) return;
  DropInnerFill();
  WriteLine("</g>");
  G.StrokeWidth = NoStrokeWidth;
}

// An extent in millimetres: times ten as a 32-bit product, over 1000, so
// always a whole number of hundredths.
void PutExtent(TLineBuf& B, int32_t Extent) {
  const int32_t e = MulWrap(Extent, 10);
  const uint32_t m = e < 0 ? 0u - static_cast<uint32_t>(e) : static_cast<uint32_t>(e);
  PutFixed(B, e < 0, m / 1000, m % 1000, 3, 3);
}

void WriteHeader(int32_t XMin, int32_t YMin, int32_t XMax, int32_t YMax) {
  WriteLine("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>");
  WriteLine("<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" "
            "\"http://www.w3.org/Graphics/SVG/1.1/DTD/svg11.dtd\">");
  WriteLine("<svg version=\"1.1\" xmlns=\"http://www.w3.org/2000/svg\" "
            "xmlns:xlink=\"http://www.w3.org/1999/xlink\"");
  WriteRootNamespaces();
  WriteLine("     stroke-linecap=\"round\" stroke-linejoin=\"round\"");
  WriteLine("     font-family=\"Courier\" text-anchor=\"middle\" dominant-baseline=\"central\"");

  TLineBuf b{};
  PutText(b, "     width=\"");
  PutExtent(b, PageExtent(XMin, XMax));
  PutText(b, ExtentUnit());
  PutText(b, "\" height=\"");
  PutExtent(b, PageExtent(YMin, YMax));
  PutText(b, ExtentUnit());
  PutText(b, "\" viewBox=\"0 0 ");
  PutInt(b, AddWrap(XMin, XMax));
  PutText(b, " ");
  PutInt(b, AddWrap(YMin, YMax));
  PutText(b, "\">");
  WriteBuf(b);
  WriteSetupComment();

  // The frame needs no mirroring: the mirror maps YMin..YMax onto itself.
  b = {};
  PutFrameStart(b);
  PutText(b, " stroke-width=\"50\" stroke-dasharray=\"1000 600\" x=\"");
  PutInt(b, XMin);
  PutText(b, "\" y=\"");
  PutInt(b, YMin);
  PutText(b, "\" width=\"");
  PutInt(b, SubWrap(XMax, XMin));
  PutText(b, "\" height=\"");
  PutInt(b, SubWrap(YMax, YMin));
  PutText(b, "\"");
  PutHolesMaskRef(b);
  PutText(b, "/>");
  WriteBuf(b);
}

}  // namespace

// ---- Entry points -------------------------------------------------------

void DRV_CALL OpenEquip(TDrvWriteProc Write, int32_t XMin, int32_t YMin, int32_t XMax,
                        int32_t YMax) {
  RecordCall(TRecVerb::OpenEquip, XMin, YMin, XMax, YMax);
  WriteProc = Write;
  DriverState.DocumentOpen = true;
  DriverState.FlipSum = AddWrap(YMin, YMax);
  StartSwitchedDocument(XMin, YMin, XMax, YMax);
  WriteHeader(XMin, YMin, XMax, YMax);
  G = GroupStateDefaults;
}

void DRV_CALL OpenLayer(int32_t Layer, int32_t Unused) {
  RecordCall(TRecVerb::OpenLayer, Layer, Unused);
  if (!DriverState.DocumentOpen) return;
  CloseGroups();
  G = GroupStateDefaults;
  // Layers 0 to 24 have a colour parameter (24 is the holes colour); a
  // higher one keeps the colour and override of the last of them.
  if (Layer >= 0 && Layer <= 24) {
    DriverState.LayerColorIndex = ParamValue(Layer);
    LayerColorOverride = LayerSettings[Layer].ColorOverride;
  }
  ForcePlotColors(Layer);
  G.StrokeText = ColorText(DriverState.LayerColorIndex);
  G.NoneText = ColorText(-1);
  G.FillText = G.NoneText;
  if (OpenHolesMask(Layer)) {
    G.LayerGroupOpen = true;  // the mask's group stands in for the layer group
    return;
  }

  // A layer outside the settings' range is drawn opaque.
  const int32_t opacity =
      PlotOpacity(Layer >= 0 && Layer < LayerCount ? LayerSettings[Layer].Opacity : 100);
  TLineBuf b{};
  PutText(b, "\r\n<g opacity=\"");
  PutFixed(b, false, static_cast<uint32_t>(opacity) / 100, static_cast<uint32_t>(opacity) % 100, 2, 2);
  PutText(b, "\" stroke=\"");
  PutStr(b, G.StrokeText);
  PutText(b, "\" fill=\"");
  PutStr(b, G.NoneText);
  PutText(b, "\"");
  PutLayerAttributes(b, Layer);
  PutText(b, ">  <!-- Layer ");
  PutInt(b, Layer);
  PutText(b, " -->");
  WriteBuf(b);
  G.LayerGroupOpen = true;
}

void DRV_CALL CloseEquip() {
  RecordCall(TRecVerb::CloseEquip);
  if (!DriverState.DocumentOpen) return;
  CloseGroups();
  WriteMissingHolesMask();
  WriteLine("</svg>");
  DriverState.DocumentOpen = false;
}

void DRV_CALL Comment(int32_t Unused) { RecordCall(TRecVerb::Comment, Unused); }

// ---- Group state --------------------------------------------------------

void SelectStrokeWidth(int32_t W) {
  if (W == G.StrokeWidth) return;
  // A width equal to the "none open" mark cannot be recorded as an open
  // group: it is taken as no stroke-width group at all.
  if (W == NoStrokeWidth) {
    CloseStrokeGroup();
    return;
  }
  const bool open = StrokeGroupOpen();
  if (open) DropInnerFill();
  WriteStrokeWidthGroup(ClosePrefix[open], W);
  if (!open) G.FillInner = false;  // the new group lies inside any open fill
  G.StrokeWidth = W;
}

void SelectFill(int32_t Index) {
  const TColorStr text = ColorText(Index);
  if (SameText(text, G.FillText)) return;
  // "none" is what the layer group gives already: no group for it.
  if (SameText(text, G.NoneText)) {
    SelectNoFill();
    return;
  }
  const bool open = FillGroupOpen();
  // A stroke-width group inside the fill group being replaced steps out
  // first and is reopened inside the new one, so its width stays in force.
  const bool strokeInside = open && StrokeGroupOpen() && !G.FillInner;
  if (strokeInside) WriteLine("</g>");
  TLineBuf b{};
  PutText(b, ClosePrefix[open]);
  PutText(b, "<g fill=\"");
  PutStr(b, text);
  PutText(b, "\">");
  WriteBuf(b);
  G.FillText = text;
  if (strokeInside) {
    WriteStrokeWidthGroup("", G.StrokeWidth);
    G.FillInner = false;
  } else {
    G.FillInner = StrokeGroupOpen();
  }
}

void SelectNoFill() {
  if (!FillGroupOpen()) return;
  const bool strokeInside = StrokeGroupOpen() && !G.FillInner;
  if (strokeInside) WriteLine("</g>");
  WriteLine("</g>");
  G.FillText = G.NoneText;
  G.FillInner = false;
  if (strokeInside) WriteStrokeWidthGroup("", G.StrokeWidth);
}

// Pad outlines are stroked in the layer group's colour: no stroke group of
// their own is written.
void SelectStroke(int32_t /*Index*/) {}

void FlipY(int32_t& X, int32_t& Y) {
  Y = SubWrap(DriverState.FlipSum, Y);
  MirrorX(X);
}

void CloseGroups() {
  if (StrokeGroupOpen()) {
    WriteLine("</g>");
    G.StrokeWidth = NoStrokeWidth;
  }
  if (FillGroupOpen()) WriteLine("</g>");
  if (G.LayerGroupOpen) {
    WriteLine("</g>");
    G.LayerGroupOpen = false;
    CloseHolesMask();
  }
}
