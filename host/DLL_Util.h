// DLL_Util.h: every byte of the document goes to the host through here.
//
// The write callback contract: the host hands over one TDrvWriteProc when it
// opens a document. The driver calls it with (address, count) of bytes that
// are valid only during the call; the host copies what it keeps. Output is
// unbuffered and every line costs exactly three calls: the text (0 to 255
// bytes, longer text cut), then carriage return alone, then line feed alone.
//
// Lines are formatted into fixed buffers by the Put* helpers below: no heap,
// no printf, no locale. Every number comes out the same in every process.
#pragma once

#include <cstddef>
#include <cstdint>

#include "DrvTypes.h"

typedef void(DRV_CALL* TDrvWriteProc)(const char* Buf, int32_t Count);

// The current write callback: empty at load, set by OpenEquip, never cleared.
// While it is empty every write does nothing.
DRV_FUNC extern TDrvWriteProc WriteProc;

DRV_FUNC void WriteRaw(const TShortStr<255>& S);
DRV_FUNC void WriteChar(char C);
DRV_FUNC void WriteLine(const char* Text, size_t Len);
DRV_FUNC void WriteLine(const char* Text);

// A line being formatted: at most 255 characters are kept, as WriteLine
// would cut there anyway.
struct TLineBuf {
  char Text[256];
  uint32_t Len;
};

DRV_FUNC void PutText(TLineBuf& B, const char* S);
DRV_FUNC void PutChars(TLineBuf& B, const char* S, size_t N);
// "%d": signed decimal, no padding.
DRV_FUNC void PutInt(TLineBuf& B, int32_t V);
// "%N.Nx": upper-case hexadecimal, at least MinDigits digits, never cut.
DRV_FUNC void PutHex(TLineBuf& B, uint32_t V, int MinDigits);
// "%1.Df" of the exact decimal +-(IntPart + FracPart / 10^FracDigits):
// first taken to 18 significant digits, then rounded to Decimals places,
// halves away from zero both times; a result of zero carries no sign.
// FracDigits and Decimals are at most 18.
DRV_FUNC void PutFixed(TLineBuf& B, bool Negative, uint64_t IntPart, uint64_t FracPart,
                       int FracDigits, int Decimals);

template <int N>
inline void PutStr(TLineBuf& B, const TShortStr<N>& S) {
  PutChars(B, S.Text, S.Len);
}

inline void WriteBuf(const TLineBuf& B) { WriteLine(B.Text, B.Len); }
