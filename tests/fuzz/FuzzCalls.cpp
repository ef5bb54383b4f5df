// FuzzCalls.cpp: any sequence of host calls against the driver's entry
// points, compiled in with the driver's modules.
//
// The first byte sets the plot switches, so their output is checked too.
// Checks: no sanitizer report; every line is exactly three callback calls
// (text, CR, LF); nothing at all is written outside an open document; every
// document from OpenEquip to its CloseEquip is well-formed XML; and the same
// input replayed from the same start gives the same bytes.
#include <libxml/parser.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "settings/Settings.h"
#include "svg/Frame.h"
#include "tests/common/CallDecoder.h"

namespace {

const TEntryPoints Entries = {GetDescrPtr440, GetParamPtr, SetParamValue, LayerOrdering,
                              OpenEquip,      OpenLayer,   CloseEquip,    Comment,
                              DrawLine,       DrawArc,     FlashPad,      DrillHole,
                              DrawText};

// The records as the library loaded them, restored before every run.
TDrvBlock LoadedBlock;
TAperture LoadedTable[MaxAperture + 1];

bool Open;              // a document is open, as the calls so far say
std::string Document;   // the open document's bytes
std::string Everything; // all bytes of one run
int Phase;              // position in the text, CR, LF pattern

void Fail(const char* What) {
  std::fprintf(stderr, "fuzz_calls: %s\n", What);
  std::abort();
}

void DRV_CALL Write(const char* Buf, int32_t Count) {
  if (!Open) Fail("output outside an open document");
  if (Count < 0 || Count > 255) Fail("a callback count outside 0 to 255");
  if (Phase == 1 && !(Count == 1 && Buf[0] == '\r')) Fail("no CR alone after a line's text");
  if (Phase == 2 && !(Count == 1 && Buf[0] == '\n')) Fail("no LF alone after CR");
  Phase = (Phase + 1) % 3;
  Document.append(Buf, static_cast<size_t>(Count));
  Everything.append(Buf, static_cast<size_t>(Count));
}

void CheckDocument() {
  // No DTD is fetched or loaded: the document must stand on its own.
  xmlDocPtr doc = xmlReadMemory(Document.data(), static_cast<int>(Document.size()), "plot.svg",
                                nullptr, XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  if (doc == nullptr) {
    std::fprintf(stderr, "%s\n", Document.c_str());
    Fail("a closed document is not well-formed XML");
  }
  xmlFreeDoc(doc);
}

void Before(TCallKind Kind) {
  if (Phase != 0) Fail("a call began in the middle of a line");
  if (Kind == TCallKind::OpenEquip) {
    Open = true;  // an earlier document left open is abandoned unchecked
    Document.clear();
  }
}

void Run(const uint8_t* Data, size_t Size) {
  std::memcpy(&DrvBlock, &LoadedBlock, sizeof DrvBlock);
  std::memcpy(ApertureTable, LoadedTable, sizeof LoadedTable);
  DriverState = {};
  LayerColorOverride = 0;
  WriteProc = nullptr;
  Open = false;
  Phase = 0;
  Document.clear();
  Everything.clear();
  const uint8_t switches = Size > 0 ? Data[0] : 0;
  for (int i = 0; i < PlotSwitchCount; ++i) PlotSwitches[i] = (switches >> i & 1) != 0;
  if (Size > 0) ++Data, --Size;
  // A CloseEquip's own lines come after Before; its document is checked
  // at the next call, or at the end.
  bool closing = false;
  RunCalls(Data, Size, Entries, Write, [&](TCallKind Kind) {
    if (closing) {
      CheckDocument();
      Open = false;
      closing = false;
    }
    Before(Kind);
    closing = Kind == TCallKind::CloseEquip && Open;
  });
  if (closing) CheckDocument();
  if (Phase != 0) Fail("the output ends in the middle of a line");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  xmlInitParser();
  std::memcpy(&LoadedBlock, &DrvBlock, sizeof DrvBlock);
  std::memcpy(LoadedTable, ApertureTable, sizeof LoadedTable);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  Run(Data, Size);
  const std::string first = Everything;
  Run(Data, Size);
  if (Everything != first) Fail("the same calls gave different bytes");
  return 0;
}
