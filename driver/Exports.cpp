// Exports.cpp: the configuration entry points and the library's start-up.
//
// The drawing entry points live with their subsystems in svg/; the list of
// everything exported is driver/svgdrv.def.
#include "Exports.h"

#include "../settings/Settings.h"
#include "Record.h"

#if defined(_WIN32)
#  include <windows.h>
#endif

TDrvDescr* DRV_CALL GetDescrPtr440() {
  RecordCall(TRecVerb::GetDescrPtr440);
  return &DrvBlock.Descr;
}

// No range test: the host keeps Index within ParamCount. The address is
// formed as a plain number, so an Index past the block only yields an address.
TDrvParam* DRV_CALL GetParamPtr(uint8_t Index) {
  RecordCall(TRecVerb::GetParamPtr, Index);
  return reinterpret_cast<TDrvParam*>(reinterpret_cast<uintptr_t>(&DrvBlock.Params[0]) +
                                      Index * sizeof(TDrvParam));
}

// An Index beyond the last record would write outside the block: such a
// call is ignored.
void DRV_CALL SetParamValue(uint8_t Index, int32_t Value) {
  RecordCall(TRecVerb::SetParamValue, Index, Value);
  if (Index < DrvParamCount) DrvBlock.Params[Index].Value = Value;
}

int32_t DRV_CALL LayerOrdering(int32_t Position) {
  RecordCall(TRecVerb::LayerOrdering, Position);
  return StackedLayer(Position);
}

// The library's start-up: the load steps, in order. Number formatting
// always writes "." as the decimal separator and reads no locale, so there
// is no separator to set. The host's floating-point control word is left as
// the host set it: the driver's arithmetic is all integer.
static void StartUp() {
  PlaceApertureTable();
  LoadSettings();
  SortStackingOrder();
  StartRecording(SettingsFilePath(), RecordSetting());
}

#if defined(_WIN32)
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD Reason, LPVOID) {
  if (Reason == DLL_PROCESS_ATTACH) StartUp();
  if (Reason == DLL_PROCESS_DETACH) StopRecording();  // what the last document left buffered
  return TRUE;
}
#else
// Runs while dlopen loads the library, before it returns.
__attribute__((constructor)) static void OnLoad() { StartUp(); }
// At unload: the journal's last lines go out, and the low mapping that holds
// a 64-bit process's aperture table is given back (it is the process's, not
// the library's, and would outlive it).
__attribute__((destructor)) static void OnUnload() {
  StopRecording();
  ReleaseApertureTable();
}
#endif
