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
#include <cstring>

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
// would cut there anyway. Only the first Len bytes are ever read, so a new
// buffer starts empty without clearing its text.
struct TLineBuf {
  char Text[256];
  uint32_t Len;
  TLineBuf() : Len(0) {}
};

// The helpers below run for every number of every element: the common cases
// are inline here, so that literal lengths are known at compile time and the
// buffer never leaves registers; the rare ones (a line near its cut, values
// past 18 digits) go to DLL_Util.cpp.

inline void PutChars(TLineBuf& B, const char* S, size_t N) {
  if (N <= 255u - B.Len) {
    std::memcpy(B.Text + B.Len, S, N);
    B.Len += static_cast<uint32_t>(N);
  } else {
    std::memcpy(B.Text + B.Len, S, 255u - B.Len);
    B.Len = 255;
  }
}
// A literal's length folds to a constant once this is inlined.
inline void PutText(TLineBuf& B, const char* S) { PutChars(B, S, std::strlen(S)); }

// "00" to "99", for two digits a step.
inline constexpr char DigitPairs[201] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

inline constexpr uint64_t Pow10[20] = {1u,
                                       10u,
                                       100u,
                                       1000u,
                                       10000u,
                                       100000u,
                                       1000000u,
                                       10000000u,
                                       100000000u,
                                       1000000000u,
                                       10000000000u,
                                       100000000000u,
                                       1000000000000u,
                                       10000000000000u,
                                       100000000000000u,
                                       1000000000000000u,
                                       10000000000000000u,
                                       100000000000000000u,
                                       1000000000000000000u,
                                       10000000000000000000u};

// The number of decimal digits of M, by comparisons that do not depend on
// each other.
inline int DecimalDigits(uint32_t M) {
  return 1 + (M >= 10u) + (M >= 100u) + (M >= 1000u) + (M >= 10000u) + (M >= 100000u) +
         (M >= 1000000u) + (M >= 10000000u) + (M >= 100000000u) + (M >= 1000000000u);
}
inline int DecimalDigits(uint64_t M) {
  int n = 1;
  while (n < 20 && M >= Pow10[n]) ++n;
  return n;
}

// Writes the Digits low decimal digits of M (zero-padded) to P, two a step;
// 32-bit values divide in 32 bits.
template <typename U>
inline void FormatDigits(char* P, U M, int Digits) {
  char* e = P + Digits;
  while (e - P >= 2) {
    e -= 2;
    std::memcpy(e, DigitPairs + 2 * (M % 100), 2);
    M /= 100;
  }
  if (e != P) *P = static_cast<char>('0' + M % 10);
}

// Decimal digits of M, exactly Digits of them (leading zeros if M is short).
template <typename U>
inline void PutDigits(TLineBuf& B, U M, int Digits) {
  if (Digits <= static_cast<int>(255u - B.Len)) {
    FormatDigits(B.Text + B.Len, M, Digits);
    B.Len += static_cast<uint32_t>(Digits);
  } else {
    char t[20];
    FormatDigits(t, M, Digits);
    PutChars(B, t, static_cast<size_t>(Digits));
  }
}

// "%d": signed decimal, no padding.
inline void PutInt(TLineBuf& B, int32_t V) {
  // Work on the magnitude as unsigned so that -2147483648 needs no care.
  const uint32_t m = V < 0 ? 0u - static_cast<uint32_t>(V) : static_cast<uint32_t>(V);
  if (V < 0) PutChars(B, "-", 1);
  PutDigits(B, m, DecimalDigits(m));
}
// "%N.Nx": upper-case hexadecimal, at least MinDigits digits, never cut.
DRV_FUNC void PutHex(TLineBuf& B, uint32_t V, int MinDigits);

// PutFixed in full: every case, digit by digit.
DRV_FUNC void PutFixedDigits(TLineBuf& B, bool Negative, uint64_t IntPart, uint64_t FracPart,
                             int FracDigits, int Decimals);

// "%1.Df" of the exact decimal +-(IntPart + FracPart / 10^FracDigits):
// first taken to 18 significant digits, then rounded to Decimals places,
// halves away from zero both times; a result of zero carries no sign.
// FracDigits and Decimals are at most 18.
inline void PutFixed(TLineBuf& B, bool Negative, uint64_t IntPart, uint64_t FracPart,
                     int FracDigits, int Decimals) {
  // With at most 18 digits in all the first step keeps every digit: the
  // value is rounded once, as a count of units of 10^-Decimals.
  if (Decimals < 0 || Decimals > FracDigits || FracDigits > 18 ||
      IntPart >= Pow10[18 - FracDigits] || FracPart >= Pow10[FracDigits]) {
    PutFixedDigits(B, Negative, IntPart, FracPart, FracDigits, Decimals);
    return;
  }
  const uint64_t drop = Pow10[FracDigits - Decimals];
  uint64_t units = IntPart * Pow10[Decimals] + FracPart / drop;
  if (drop > 1 && FracPart % drop >= drop / 2) ++units;  // halves away from zero
  if (Negative && units != 0) PutChars(B, "-", 1);
  const uint64_t whole = units / Pow10[Decimals];
  if (whole <= UINT32_MAX) {
    PutDigits(B, static_cast<uint32_t>(whole), DecimalDigits(static_cast<uint32_t>(whole)));
  } else {
    PutDigits(B, whole, DecimalDigits(whole));
  }
  if (Decimals > 0) {
    PutChars(B, ".", 1);
    PutDigits(B, units % Pow10[Decimals], Decimals);
  }
}

template <int N>
inline void PutStr(TLineBuf& B, const TShortStr<N>& S) {
  PutChars(B, S.Text, S.Len);
}

inline void WriteBuf(const TLineBuf& B) { WriteLine(B.Text, B.Len); }
