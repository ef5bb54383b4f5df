// Exports.h: the driver's entry points as the host sees them.
//
// A host resolves each by its plain name (dlsym, GetProcAddress) and calls it
// with DRV_CALL, stdcall in the 32-bit DLL. None returns a status; the three
// that return something return an address or a layer number.
#pragma once

#include <cstdint>

#include "../host/DLL_Util.h"
#include "../host/DrvTypes.h"

// windows.h maps DrawText to DrawTextA or DrawTextW; include it before this
// file, so that the name here stays ours.
#if defined(_WIN32) && defined(DrawText)
#  undef DrawText
#endif

// Configuration, at any time after load.
DRV_API TDrvDescr* DRV_CALL GetDescrPtr440();
DRV_API TDrvParam* DRV_CALL GetParamPtr(uint8_t Index);
DRV_API void DRV_CALL SetParamValue(uint8_t Index, int32_t Value);
DRV_API int32_t DRV_CALL LayerOrdering(int32_t Position);

// One plot: OpenEquip, then per layer OpenLayer and its drawing calls, then
// CloseEquip.
DRV_API void DRV_CALL OpenEquip(TDrvWriteProc Write, int32_t XMin, int32_t YMin,
                                int32_t XMax, int32_t YMax);
DRV_API void DRV_CALL OpenLayer(int32_t Layer, int32_t Unused);
DRV_API void DRV_CALL CloseEquip();
DRV_API void DRV_CALL Comment(int32_t Unused);
DRV_API void DRV_CALL DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t Aperture);
DRV_API void DRV_CALL DrawArc(int32_t X, int32_t Y, int32_t Radius, int32_t StartAngle,
                              int32_t EndAngle, int32_t Aperture);
DRV_API void DRV_CALL FlashPad(int32_t X, int32_t Y, int32_t Aperture);
DRV_API void DRV_CALL DrillHole(int32_t X, int32_t Y, int32_t Aperture);
DRV_API void DRV_CALL DrawText(const TShortStr<255>* Text, int32_t A1, int32_t A2, int32_t A3,
                               int32_t A4, int32_t A5, int32_t A6, int32_t A7);
