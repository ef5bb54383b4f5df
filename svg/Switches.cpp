// Switches.cpp: the plot switches' hooks into the frame, line and pad
// writers (Switches.h says where each is called). The frame owns the group
// stack; the hooks only answer and write whole elements of their own, and
// never open or close a group of the stack.
#include "Switches.h"

#include "../settings/Settings.h"
#include "Colors.h"

namespace {

constexpr int32_t HolesLayer = 24;

// The document's view box (its width is also twice the mirror's axis) and
// where its holes mask stands.
struct TSwitchedDocument {
  int32_t ViewWidth, ViewHeight;  // XMin + XMax, YMin + YMax
  bool MaskWritten;               // the holes mask of this document is defined
  bool MaskOpen;                  // the holes layer is being written into it
  uint32_t LayerIds;              // bit n: the id "layer<n>" is given out
};
TSwitchedDocument Doc;

bool On(TPlotSwitch S) { return PlotSwitches[S]; }

// Monochrome and Negative force every colour; Negative wins.
bool ColorsForced() { return On(Monochrome) || On(Negative); }
int32_t InkRgb() { return On(Negative) ? 0xFFFFFF : 0x000000; }
int32_t HoleRgb() { return On(Negative) ? 0x000000 : 0xFFFFFF; }

// The whole view box as x, y, width and height, for the mask and its rect.
void PutViewBoxSize(TLineBuf& B) {
  PutText(B, "x=\"0\" y=\"0\" width=\"");
  PutInt(B, Doc.ViewWidth);
  PutText(B, "\" height=\"");
  PutInt(B, Doc.ViewHeight);
  PutText(B, "\"");
}

// Starts the mask: its group (Inkscape drops a mask whose content is not in
// one) holds a white rectangle over the view box; holes come in black.
void WriteMaskStart(const char* Lead, const char* Trail) {
  TLineBuf b{};
  PutText(b, Lead);
  PutText(b, "<mask id=\"holes\" maskUnits=\"userSpaceOnUse\" ");
  PutViewBoxSize(b);
  PutText(b, ">");
  PutText(b, Trail);
  WriteBuf(b);
  WriteLine("<g stroke=\"none\" fill=\"#000000\">");
  b = {};
  PutText(b, "<rect fill=\"#FFFFFF\" ");
  PutViewBoxSize(b);
  PutText(b, "/>");
  WriteBuf(b);
  Doc.MaskWritten = true;
}

// The layer's parameter name as the host shows it: without the '>' marks
// before hot keys, the '|' that ends a parameter group and trailing blanks.
// What an attribute value cannot hold as it is becomes '?'.
void PutLayerLabel(TLineBuf& B, int32_t Layer) {
  const TShortStr<30>* name =
      Layer >= 0 && Layer <= HolesLayer ? &DrvBlock.Params[Layer].Name : nullptr;
  char text[31];
  uint32_t n = 0;
  const uint32_t len = name == nullptr ? 0 : name->Len > 30 ? 30 : name->Len;
  for (uint32_t i = 0; i < len; ++i) {
    const char c = name->Text[i];
    if (c == '>') continue;
    const bool plain = c >= 0x20 && c <= 0x7E && c != '<' && c != '&' && c != '"';
    text[n++] = plain ? c : '?';
  }
  if (n > 0 && text[n - 1] == '|') --n;
  while (n > 0 && text[n - 1] == ' ') --n;
  if (n > 0) {
    PutChars(B, text, n);
  } else {  // layer 25 has no parameter
    PutText(B, "Layer ");
    PutInt(B, Layer);
  }
}

}  // namespace

void StartSwitchedDocument(int32_t XMin, int32_t YMin, int32_t XMax, int32_t YMax) {
  Doc.ViewWidth = AddWrap(XMin, XMax);
  Doc.ViewHeight = AddWrap(YMin, YMax);
  Doc.MaskWritten = Doc.MaskOpen = false;
  Doc.LayerIds = 0;
  if (ColorsForced()) LayerColorOverride = InkRgb();
}

void WriteRootNamespaces() {
  if (On(InkscapeLayers)) {
    WriteLine("     xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\"");
  }
}

int32_t PageExtent(int32_t Min, int32_t Max) {
  return On(TrueSize) ? AddWrap(Min, Max) : SubWrap(Max, Min);
}

// TrueSize prints at the board's size: the extent says millimetres, where
// a number alone would be read as CSS pixels (96 to the inch).
const char* ExtentUnit() { return On(TrueSize) ? "mm" : ""; }

void WriteSetupComment() {
  TLineBuf b{};
  PutText(b, "<!-- Setup:");
  bool any = false;
  for (int n = 0; n < PlotSwitchCount; ++n) {
    if (!PlotSwitches[n]) continue;
    PutText(b, " ");
    PutText(b, PlotSwitchNames[n]);
    any = true;
  }
  PutText(b, " -->");
  if (any) WriteBuf(b);
}

void PutFrameStart(TLineBuf& B) {
  PutText(B, On(Negative)     ? "<rect fill=\"Black\" stroke=\"White\""
             : On(Monochrome) ? "<rect fill=\"White\" stroke=\"Black\""
                              : "<rect fill=\"White\" stroke=\"Crimson\"");
}

void PutHolesMaskRef(TLineBuf& B) {
  if (On(SeeThroughHoles)) PutText(B, " mask=\"url(#holes)\"");
}

void ForcePlotColors(int32_t Layer) {
  // The holes layer keeps the holes' colour, as it does without the switch.
  if (ColorsForced()) LayerColorOverride = Layer == HolesLayer ? HoleRgb() : InkRgb();
}

// A half-transparent black would be grey: forced colours are fully opaque.
int32_t PlotOpacity(int32_t Opacity) { return ColorsForced() ? 100 : Opacity; }

bool OpenHolesMask(int32_t Layer) {
  if (!On(SeeThroughHoles) || Layer != HolesLayer || Doc.MaskWritten) return false;
  WriteMaskStart("\r\n", "  <!-- Layer 24 -->");
  Doc.MaskOpen = true;
  return true;
}

void PutLayerAttributes(TLineBuf& B, int32_t Layer) {
  PutHolesMaskRef(B);
  if (!On(InkscapeLayers)) return;
  // An id to pick the layer by (inkscape --export-id), once per document.
  if (Layer >= 0 && Layer < LayerCount && (Doc.LayerIds & (1u << Layer)) == 0) {
    Doc.LayerIds |= 1u << Layer;
    PutText(B, " id=\"layer");
    PutInt(B, Layer);
    PutText(B, "\"");
  }
  PutText(B, " inkscape:groupmode=\"layer\" inkscape:label=\"");
  PutLayerLabel(B, Layer);
  PutText(B, "\"");
}

void CloseHolesMask() {
  if (!Doc.MaskOpen) return;
  WriteLine("</mask>");
  Doc.MaskOpen = false;
}

void WriteMissingHolesMask() {
  if (!On(SeeThroughHoles) || Doc.MaskWritten) return;
  WriteMaskStart("", "");
  WriteLine("</g>");
  WriteLine("</mask>");
}

void MirrorX(int32_t& X) {
  if (On(Mirror)) X = SubWrap(Doc.ViewWidth, X);
}

int32_t MirroredQuarter(int32_t Quarter) {
  if (!On(Mirror)) return Quarter;
  switch (Quarter) {
    case 0: return 90;
    case 90: return 0;
    case 180: return 270;
    case 270: return 180;
    default: return Quarter;
  }
}

bool HolesMaskOpen() { return Doc.MaskOpen; }

bool HoleColorForced(int32_t& Rgb) {
  if (!ColorsForced()) return false;
  Rgb = HoleRgb();
  return true;
}
