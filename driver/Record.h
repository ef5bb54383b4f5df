// Record.h: the driver's own journal of the calls a host makes, written when
// the settings' [Setup] Record names a file.
//
// Every entry point calls its hook first. With recording off a hook is one
// test of RecordOn; with it on, the call goes into a fixed module buffer as
// one journal line that plothost replays, preceded by SetParamValue and
// Aperture lines for whatever the host wrote straight into the records since
// they were last recorded. The file is written at each CloseEquip, when the
// buffer is full and at unload; any failure turns recording off, and no call
// ever fails or changes its output because of it.
#pragma once

#include <cstdint>

#include "../host/DrvTypes.h"
#include "../settings/Profile.h"

enum class TRecVerb : uint8_t {
  GetDescrPtr440,  // the three read-only calls go in as comments
  GetParamPtr,
  LayerOrdering,
  SetParamValue,
  OpenEquip,
  OpenLayer,
  CloseEquip,
  Comment,
  DrawLine,
  DrawArc,
  FlashPad,
  DrillHole,
};

// On while a journal file is open and writable.
DRV_FUNC extern bool RecordOn;

DRV_FUNC void RecordCallLine(TRecVerb V, int32_t A0, int32_t A1, int32_t A2, int32_t A3,
                             int32_t A4, int32_t A5);
DRV_FUNC void RecordTextLine(const TShortStr<255>* Text);

// The hooks: the call's arguments in the entry point's order.
inline void RecordCall(TRecVerb V, int32_t A0 = 0, int32_t A1 = 0, int32_t A2 = 0,
                       int32_t A3 = 0, int32_t A4 = 0, int32_t A5 = 0) {
  if (RecordOn) RecordCallLine(V, A0, A1, A2, A3, A4, A5);
}
inline void RecordText(const TShortStr<255>* Text) {
  if (RecordOn) RecordTextLine(Text);
}

// At load, once the settings are read: opens the journal named by Setting
// (empty: recording stays off), a relative name taken from the folder of
// SettingsFile, and writes its first line. The records as they stand now
// are what a replay starts from.
DRV_FUNC void StartRecording(const TPathChar* SettingsFile, const char* Setting);
// At unload: writes what is buffered and closes the file.
DRV_FUNC void StopRecording();
