// Profile.h: where the settings file lies, and the reader of its values.
//
// One interface, two platforms. The Windows DLL asks the system:
// GetModuleFileNameW for the host executable and GetPrivateProfileStringW
// for each value. Elsewhere a small reader of our own stands in, with the
// same behaviour for everything the settings rely on (Profile.cpp tells the
// finer points).
#pragma once

#include <cstdint>

#include "../host/DrvConf.h"

// File names in the platform's own form: UTF-16 on Windows, bytes elsewhere.
#if defined(_WIN32)
using TPathChar = wchar_t;
#else
using TPathChar = char;
#endif

// The value buffer handed to the system's reader: a value keeps at most
// 2,047 characters, the rest is cut.
constexpr int ProfileValueSize = 2048;

// One value to look up. The caller sets Section and Key (ASCII, matched
// regardless of letter case); ReadProfile fills Value with the value text,
// NUL-terminated and 8-bit (a character beyond ASCII reads as '?' on
// Windows), or leaves it empty when the file, the section or the key is
// missing. ReaderState is the reader's own bookkeeping.
struct TProfileEntry {
  const char* Section;
  const char* Key;
  char Value[ProfileValueSize];
  uint8_t ReaderState;
};

// The settings file: the directory of the host executable (not of this
// library), then the descriptor's ShortName and ".ini". The text lives in
// module data until the next call; nullptr when the path can't be formed.
DRV_FUNC const TPathChar* SettingsFilePath();

// Looks up all Count entries in File. A File of nullptr, or one that can't
// be read, leaves every value empty.
DRV_FUNC void ReadProfile(const TPathChar* File, TProfileEntry* Entries, int Count);
