// ExtReal.cpp: extended-real arithmetic on 64-bit integers.
//
// Every operation works on unpacked operands (sign, biased exponent,
// significand with bit 63 set), forms the exact result or enough of it in a
// 128-bit pair Hi:Lo, and rounds once in Pack. Bits below Lo that the
// operation cannot keep are jammed into Lo's bit 0: rounding only looks at
// Lo's top bit and whether anything below it is set, and every caller keeps
// bit 0 at least two places below the rounding position.
#include "ExtReal.h"

#include <bit>

namespace {

constexpr int32_t MaxExp = 0x7FFE;  // largest biased exponent of a finite value
constexpr uint64_t TopBit = uint64_t(1) << 63;
constexpr uint16_t SignBit = 0x8000;

struct TUnpacked {
  bool Neg;
  int32_t Exp;    // biased; the value is Mant * 2^(Exp - ExtBias - 63)
  uint64_t Mant;  // bit 63 set, or 0 for a zero
};

TUnpacked Unpack(TExtReal A) {
  TUnpacked u{(A.SignExp & SignBit) != 0, A.SignExp & 0x7FFF, A.Signif};
  if (u.Exp == 0 || u.Mant == 0) {
    u.Exp = 0;
    u.Mant = 0;
    return u;
  }
  // An unnormal (integer bit clear) stands for the same value normalised.
  const int shift = std::countl_zero(u.Mant);
  u.Mant <<= shift;
  u.Exp -= shift;
  if (u.Exp <= 0) {
    u.Exp = 0;
    u.Mant = 0;
  }
  return u;
}

TExtReal Zero(bool Neg) { return TExtReal{0, static_cast<uint16_t>(Neg ? SignBit : 0)}; }

// Rounds Hi:Lo (Hi's bit 63 set) to Hi, to nearest with ties to even, and
// packs it with the exponent it has after rounding.
TExtReal Pack(bool Neg, int32_t Exp, uint64_t Hi, uint64_t Lo) {
  if (Lo > TopBit || (Lo == TopBit && (Hi & 1) != 0)) {
    ++Hi;
    if (Hi == 0) {  // carried out of the significand: 1.111..1 became 10.000..0
      Hi = TopBit;
      ++Exp;
    }
  }
  if (Exp > MaxExp) {
    return TExtReal{~uint64_t(0), static_cast<uint16_t>((Neg ? SignBit : 0) | MaxExp)};
  }
  if (Exp <= 0) return Zero(Neg);
  return TExtReal{Hi, static_cast<uint16_t>((Neg ? SignBit : 0) | Exp)};
}

TExtReal PackExact(const TUnpacked& U) {
  return U.Mant == 0 ? Zero(U.Neg) : Pack(U.Neg, U.Exp, U.Mant, 0);
}

// Shifts Hi:Lo left until Hi's bit 63 is set; Hi:Lo must not be zero.
void Normalize(uint64_t& Hi, uint64_t& Lo, int32_t& Exp) {
  if (Hi == 0) {
    Hi = Lo;
    Lo = 0;
    Exp -= 64;
  }
  const int shift = std::countl_zero(Hi);
  if (shift != 0) {
    Hi = (Hi << shift) | (Lo >> (64 - shift));
    Lo <<= shift;
    Exp -= shift;
  }
}

// |A| compared with |B|: -1, 0 or 1. Zeros have Exp 0, below every other.
int CompareMagnitude(const TUnpacked& A, const TUnpacked& B) {
  if (A.Exp != B.Exp) return A.Exp < B.Exp ? -1 : 1;
  if (A.Mant != B.Mant) return A.Mant < B.Mant ? -1 : 1;
  return 0;
}

TExtReal AddUnpacked(TUnpacked A, TUnpacked B) {
  if (B.Mant == 0) {
    // -0 + -0 is -0; any other sum of zeros is +0.
    if (A.Mant == 0) return Zero(A.Neg && B.Neg);
    return PackExact(A);
  }
  if (A.Mant == 0) return PackExact(B);
  if (CompareMagnitude(A, B) < 0) {
    const TUnpacked t = A;
    A = B;
    B = t;
  }

  // B aligned to A's exponent in the pair BHi:BLo, what falls off the end
  // jammed into bit 0. Up to a shift of 64 nothing falls off.
  const int32_t d = A.Exp - B.Exp;
  uint64_t bHi = 0;
  uint64_t bLo = 0;
  if (d == 0) {
    bHi = B.Mant;
  } else if (d < 64) {
    bHi = B.Mant >> d;
    bLo = B.Mant << (64 - d);
  } else if (d == 64) {
    bLo = B.Mant;
  } else if (d < 128) {
    bLo = B.Mant >> (d - 64);
    if ((B.Mant << (128 - d)) != 0) bLo |= 1;
  } else {
    bLo = 1;
  }

  int32_t exp = A.Exp;
  uint64_t hi;
  uint64_t lo;
  if (A.Neg == B.Neg) {
    lo = bLo;
    hi = A.Mant + bHi;
    if (hi < A.Mant) {
      // Carry: one place right. It needs d < 64, where Lo's bit 0 is clear,
      // so the shift loses nothing.
      lo = (lo >> 1) | (hi << 63);
      hi = (hi >> 1) | TopBit;
      ++exp;
    }
  } else {
    // |A| >= |B|, so no borrow leaves the pair. With d >= 65 the jammed bit
    // makes the low word odd, which keeps the rounding decision of the exact
    // difference; the result then needs at most one place of normalisation.
    lo = 0 - bLo;
    hi = A.Mant - bHi - (bLo != 0 ? 1 : 0);
    if (hi == 0 && lo == 0) return Zero(false);  // x - x is +0 when rounding to nearest
    Normalize(hi, lo, exp);
  }
  return Pack(A.Neg, exp, hi, lo);
}

}  // namespace

TExtReal ExtFromInt(int64_t V) {
  if (V == 0) return Zero(false);
  const bool neg = V < 0;
  // The magnitude as unsigned, so INT64_MIN needs no care.
  uint64_t m = neg ? 0 - static_cast<uint64_t>(V) : static_cast<uint64_t>(V);
  const int shift = std::countl_zero(m);
  m <<= shift;
  return Pack(neg, ExtBias + 63 - shift, m, 0);
}

TExtReal ExtAdd(TExtReal A, TExtReal B) { return AddUnpacked(Unpack(A), Unpack(B)); }

TExtReal ExtSub(TExtReal A, TExtReal B) {
  TUnpacked b = Unpack(B);
  b.Neg = !b.Neg;
  return AddUnpacked(Unpack(A), b);
}

TExtReal ExtMul(TExtReal A, TExtReal B) {
  const TUnpacked a = Unpack(A);
  const TUnpacked b = Unpack(B);
  const bool neg = a.Neg != b.Neg;
  if (a.Mant == 0 || b.Mant == 0) return Zero(neg);

  // The 128-bit product from four 32 x 32 -> 64 partial products.
  const uint64_t a0 = a.Mant & 0xFFFFFFFFu, a1 = a.Mant >> 32;
  const uint64_t b0 = b.Mant & 0xFFFFFFFFu, b1 = b.Mant >> 32;
  const uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
  const uint64_t mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
  uint64_t lo = (mid << 32) | (p00 & 0xFFFFFFFFu);
  uint64_t hi = p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32);

  // Both significands lie in [2^63, 2^64): the product's top bit is bit 127
  // or bit 126.
  int32_t exp = a.Exp + b.Exp - ExtBias + 1;
  if ((hi & TopBit) == 0) {
    hi = (hi << 1) | (lo >> 63);
    lo <<= 1;
    --exp;
  }
  return Pack(neg, exp, hi, lo);
}

TExtReal ExtDiv(TExtReal A, TExtReal B) {
  const TUnpacked a = Unpack(A);
  const TUnpacked b = Unpack(B);
  const bool neg = a.Neg != b.Neg;
  if (b.Mant == 0) return Pack(neg, MaxExp + 1, TopBit, 0);  // saturates
  if (a.Mant == 0) return Zero(neg);

  // Restoring division, one quotient bit per step, until the quotient has 64
  // significant bits; then one more bit to round on, the remainder as sticky.
  // R stays below the divisor, so 2R needs 65 bits: the bit shifted out of R
  // counts as 2^64.
  int32_t exp = a.Exp - b.Exp + ExtBias;
  uint64_t r = a.Mant;
  uint64_t q = 0;
  if (a.Mant >= b.Mant) {
    r -= b.Mant;
    q = 1;
  } else {
    --exp;  // quotient in [1/2, 1): its leading bit comes from the first step
  }
  auto step = [&r, &b]() {
    const bool carry = (r >> 63) != 0;
    r <<= 1;
    if (carry || r >= b.Mant) {
      r -= b.Mant;
      return uint64_t(1);
    }
    return uint64_t(0);
  };
  while ((q & TopBit) == 0) q = (q << 1) | step();
  uint64_t lo = step() << 63;
  if (r != 0) lo |= 1;
  return Pack(neg, exp, q, lo);
}

int ExtCompare(TExtReal A, TExtReal B) {
  const TUnpacked a = Unpack(A);
  const TUnpacked b = Unpack(B);
  const int signA = a.Mant == 0 ? 0 : (a.Neg ? -1 : 1);
  const int signB = b.Mant == 0 ? 0 : (b.Neg ? -1 : 1);
  if (signA != signB) return signA < signB ? -1 : 1;
  const int mag = CompareMagnitude(a, b);
  return signA < 0 ? -mag : mag;
}

bool ExtLess(TExtReal A, TExtReal B) { return ExtCompare(A, B) < 0; }

int64_t ExtTrunc(TExtReal A) {
  const TUnpacked a = Unpack(A);
  if (a.Mant == 0 || a.Exp < ExtBias) return 0;  // |A| < 1
  const int32_t k = a.Exp - ExtBias;               // A's integer part has k + 1 bits
  if (k >= 63) return INT64_MIN;  // -2^63 itself included: same bits either way
  const uint64_t m = a.Mant >> (63 - k);
  return a.Neg ? -static_cast<int64_t>(m) : static_cast<int64_t>(m);
}
