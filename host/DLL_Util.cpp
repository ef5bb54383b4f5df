// DLL_Util.cpp: the output line writer and the line formatting helpers.
#include "DLL_Util.h"

#include <cstring>

TDrvWriteProc WriteProc = nullptr;

void WriteRaw(const TShortStr<255>& S) {
  if (WriteProc != nullptr) WriteProc(S.Text, S.Len);
}

void WriteChar(char C) {
  if (WriteProc == nullptr) return;
  const char copy = C;
  WriteProc(&copy, 1);
}

// The text straight from the caller's buffer: the callback copies what it
// keeps.
void WriteLine(const char* Text, size_t Len) {
  if (WriteProc == nullptr) return;
  static const char cr = '\r', lf = '\n';
  WriteProc(Text, static_cast<int32_t>(Len > 255 ? 255 : Len));
  WriteProc(&cr, 1);  // the line end goes out even when the text was cut
  WriteProc(&lf, 1);
}

void WriteLine(const char* Text) { WriteLine(Text, std::strlen(Text)); }

void PutHex(TLineBuf& B, uint32_t V, int MinDigits) {
  static const char hex[] = "0123456789ABCDEF";
  int n = 1;
  while (n < 8 && (V >> (4 * n)) != 0) ++n;
  if (n < MinDigits) n = MinDigits < 8 ? MinDigits : 8;
  char out[8];
  for (int i = n - 1; i >= 0; --i) {
    out[i] = hex[V & 15];
    V >>= 4;
  }
  PutChars(B, out, n);
}

namespace {

// Rounds the digit string D[0..Len) at position Keep (digits from Keep on are
// dropped): halves away from zero. A carry out of the top digit shifts the
// string right by one; returns the number of digits the string grew by.
int RoundDigits(char* D, int Len, int Keep) {
  if (Keep >= Len) return 0;
  const bool up = D[Keep] >= 5;
  for (int i = Keep; i < Len; ++i) D[i] = 0;
  if (!up) return 0;
  int i = Keep - 1;
  while (i >= 0 && D[i] == 9) D[i--] = 0;
  if (i >= 0) {
    ++D[i];
    return 0;
  }
  std::memmove(D + 1, D, Len);
  D[0] = 1;
  return 1;
}

}  // namespace

void PutFixedDigits(TLineBuf& B, bool Negative, uint64_t IntPart, uint64_t FracPart,
                    int FracDigits, int Decimals) {
  // Digits of the value, integer part first, each 0..9; one spare in front
  // for a carry out of the top digit.
  char d[48];
  int intLen = 0;
  {
    char rev[20];
    uint64_t m = IntPart;
    do {
      rev[intLen++] = static_cast<char>(m % 10);
      m /= 10;
    } while (m != 0);
    for (int i = 0; i < intLen; ++i) d[i] = rev[intLen - 1 - i];
  }
  for (int i = FracDigits - 1; i >= 0; --i) {
    d[intLen + i] = static_cast<char>(FracPart % 10);
    FracPart /= 10;
  }
  int len = intLen + FracDigits;
  for (; len < intLen + Decimals; ++len) d[len] = 0;  // fewer source digits than written

  // 18 significant digits first.
  int first = 0;
  while (first < len && d[first] == 0) ++first;
  if (first < len && len - first > 18) {
    const int grew = RoundDigits(d, len, first + 18);
    len += grew;
    intLen += grew;
  }
  // Then the written decimals.
  const int grew = RoundDigits(d, len, intLen + Decimals);
  intLen += grew;
  len = intLen + Decimals;

  bool zero = true;
  for (int i = 0; i < len; ++i) zero = zero && d[i] == 0;
  char out[50];
  int n = 0;
  if (Negative && !zero) out[n++] = '-';
  // At least one digit before the point, no other leading zeros.
  int i = 0;
  while (i < intLen - 1 && d[i] == 0) ++i;
  for (; i < intLen; ++i) out[n++] = static_cast<char>('0' + d[i]);
  if (Decimals > 0) {
    out[n++] = '.';
    for (int j = 0; j < Decimals; ++j) out[n++] = static_cast<char>('0' + d[intLen + j]);
  }
  PutChars(B, out, n);
}
