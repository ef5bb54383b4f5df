// Host.h: the test host. Loads the real library once, resolves its entry
// points by name and records every callback call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/common/CallDecoder.h"

// The entry points as resolved by name: the same table the call decoder uses.
using THost = TEntryPoints;

// The library, loaded on first use.
const THost& Host();

// Every callback call since the last Reset, as the bytes it carried.
extern std::vector<std::string> Calls;
void DRV_CALL RecordWrite(const char* Buf, int32_t Count);

// The lines written so far; fails the test unless the calls come in threes
// (text, carriage return, line feed).
std::vector<std::string> Lines();
// The lines written since line number From.
std::vector<std::string> LinesFrom(size_t From);
// The whole output as one text.
std::string Output();

void SetAperture(int N, uint8_t Shape, int32_t Width, int32_t Height);
// Restores every parameter and aperture the tests change.
void RestoreHostData();
