// The software extended real: exact cases with known bits, then every
// operation against the FPU's own 80-bit arithmetic on random and edge
// operands (x86-64 Linux, where long double is that format).
#include "svg/ExtReal.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <random>

namespace {

constexpr uint64_t Top = uint64_t(1) << 63;
constexpr uint16_t Neg = 0x8000;

TExtReal X(uint64_t Signif, int32_t UnbiasedExp, bool Negative = false) {
  return TExtReal{Signif,
                  static_cast<uint16_t>((Negative ? Neg : 0) | (UnbiasedExp + ExtBias))};
}

::testing::AssertionResult SameBits(TExtReal Got, TExtReal Want) {
  if (Got.Signif == Want.Signif && Got.SignExp == Want.SignExp) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure()
         << std::hex << std::uppercase << "got " << Got.SignExp << ":" << Got.Signif
         << ", want " << Want.SignExp << ":" << Want.Signif;
}

const TExtReal PosZero{0, 0};
const TExtReal NegZero{0, Neg};
const TExtReal MaxFinite{~uint64_t(0), 0x7FFE};

TEST(ExtReal, FromIntIsExact) {
  EXPECT_TRUE(SameBits(ExtFromInt(0), PosZero));
  EXPECT_TRUE(SameBits(ExtFromInt(1), X(Top, 0)));
  EXPECT_TRUE(SameBits(ExtFromInt(-1), X(Top, 0, true)));
  EXPECT_TRUE(SameBits(ExtFromInt(100), X(uint64_t(100) << 57, 6)));
  EXPECT_TRUE(SameBits(ExtFromInt(INT64_MAX), X(~uint64_t(0) << 1, 62)));
  EXPECT_TRUE(SameBits(ExtFromInt(INT64_MIN), X(Top, 63, true)));
  // 2^53 + 1 does not fit a double; here it must stay exact.
  const int64_t big = (int64_t(1) << 53) + 1;
  EXPECT_EQ(ExtTrunc(ExtFromInt(big)), big);
  EXPECT_EQ(ExtTrunc(ExtFromInt(INT64_MAX)), INT64_MAX);
  EXPECT_EQ(ExtTrunc(ExtFromInt(-INT64_MAX)), -INT64_MAX);
}

TEST(ExtReal, AdditionRoundsTiesToEven) {
  const TExtReal half = X(Top, -1);
  // 2^63 + 1/2: a tie between 2^63 and 2^63 + 1 goes to the even 2^63.
  EXPECT_TRUE(SameBits(ExtAdd(X(Top, 63), half), X(Top, 63)));
  // (2^63 + 1) + 1/2: the tie now goes up, to the even 2^63 + 2.
  EXPECT_TRUE(SameBits(ExtAdd(X(Top | 1, 63), half), X(Top | 2, 63)));
  // Just below the tie rounds down, just above rounds up.
  EXPECT_TRUE(SameBits(ExtAdd(X(Top, 63), X(~uint64_t(0), -2)), X(Top, 63)));
  EXPECT_TRUE(SameBits(ExtAdd(X(Top, 63), X(Top | 1, -1)), X(Top | 1, 63)));
  // 2^63 - 1/4 lies halfway between 2^63 - 1/2 and 2^63 and goes to the even
  // 2^63; a bit that falls off in the alignment tips it the other way.
  EXPECT_TRUE(SameBits(ExtSub(X(Top, 63), X(Top, -2)), X(Top, 63)));
  EXPECT_TRUE(SameBits(ExtSub(X(Top, 63), X(Top | 1, -2)), X(~uint64_t(0), 62)));
}

TEST(ExtReal, CarryOutOfTheSignificand) {
  // (2^64 - 1) + 1 = 2^64, and (2^64 - 1) + 1/2 rounds up to 2^64.
  const TExtReal allOnes = X(~uint64_t(0), 63);
  EXPECT_TRUE(SameBits(ExtAdd(allOnes, ExtFromInt(1)), X(Top, 64)));
  EXPECT_TRUE(SameBits(ExtAdd(allOnes, X(Top, -1)), X(Top, 64)));
  // (2 - 2^-63) + (1 - 2^-64) = 3 - 0.75 ulp of the sum: the carry shifts a
  // set bit out, and the result rounds to 3 - 1 ulp.
  EXPECT_TRUE(SameBits(ExtAdd(X(~uint64_t(0), 0), X(~uint64_t(0), -1)),
                       X(0xBFFFFFFFFFFFFFFFu, 1)));
}

TEST(ExtReal, CancellationIsExact) {
  // 1 - (1 - 2^-64) = 2^-64.
  EXPECT_TRUE(SameBits(ExtSub(ExtFromInt(1), X(~uint64_t(0), -1)), X(Top, -64)));
  EXPECT_TRUE(SameBits(ExtSub(ExtFromInt(1000), ExtFromInt(999)), ExtFromInt(1)));
  EXPECT_TRUE(SameBits(ExtSub(ExtFromInt(5), ExtFromInt(7)), ExtFromInt(-2)));
}

TEST(ExtReal, SignedZeros) {
  const TExtReal three = ExtFromInt(3);
  EXPECT_TRUE(SameBits(ExtSub(three, three), PosZero));
  EXPECT_TRUE(SameBits(ExtAdd(ExtFromInt(-3), three), PosZero));
  EXPECT_TRUE(SameBits(ExtSub(ExtFromInt(-3), ExtFromInt(-3)), PosZero));
  EXPECT_TRUE(SameBits(ExtAdd(NegZero, NegZero), NegZero));
  EXPECT_TRUE(SameBits(ExtAdd(NegZero, PosZero), PosZero));
  EXPECT_TRUE(SameBits(ExtSub(NegZero, PosZero), NegZero));
  EXPECT_TRUE(SameBits(ExtMul(PosZero, ExtFromInt(-1)), NegZero));
  EXPECT_TRUE(SameBits(ExtDiv(NegZero, ExtFromInt(-4)), PosZero));
  EXPECT_TRUE(SameBits(ExtAdd(NegZero, three), three));
  EXPECT_EQ(ExtCompare(NegZero, PosZero), 0);
  EXPECT_FALSE(ExtLess(NegZero, PosZero));
  EXPECT_EQ(ExtTrunc(NegZero), 0);
}

TEST(ExtReal, MultiplyAndDivideRound) {
  // 100 / 100 = 1 and 56 / 100 * 100 does not come back exactly.
  const TExtReal hundred = ExtFromInt(100);
  EXPECT_TRUE(SameBits(ExtDiv(hundred, hundred), ExtFromInt(1)));
  EXPECT_TRUE(SameBits(ExtDiv(ExtFromInt(360), ExtFromInt(60)), ExtFromInt(6)));
  // 1/3 = 0.0101..., 64 bits 0xAAAA...AAAB after rounding up.
  EXPECT_TRUE(SameBits(ExtDiv(ExtFromInt(1), ExtFromInt(3)), X(0xAAAAAAAAAAAAAAABu, -2)));
  EXPECT_TRUE(SameBits(ExtDiv(ExtFromInt(2), ExtFromInt(3)), X(0xAAAAAAAAAAAAAAABu, -1)));
  // (2^32 + 1)^2 = 2^64 + 2^33 + 1: the 1 is half an ulp below an even
  // significand's neighbour; ties to even drops it.
  const TExtReal a = ExtFromInt((int64_t(1) << 32) + 1);
  EXPECT_TRUE(SameBits(ExtMul(a, a), X(Top | (uint64_t(1) << 32), 64)));
  // (2^63 + 1) * 3 = 3 * 2^63 + 3: rounds to 3 * 2^63 + 4.
  EXPECT_TRUE(SameBits(ExtMul(X(Top | 1, 63), ExtFromInt(3)), X(0xC000000000000002u, 64)));
  EXPECT_TRUE(SameBits(ExtMul(ExtFromInt(-6), ExtFromInt(7)), ExtFromInt(-42)));
}

TEST(ExtReal, TruncatesTowardZero) {
  EXPECT_EQ(ExtTrunc(ExtDiv(ExtFromInt(7), ExtFromInt(2))), 3);
  EXPECT_EQ(ExtTrunc(ExtDiv(ExtFromInt(-7), ExtFromInt(2))), -3);
  EXPECT_EQ(ExtTrunc(X(~uint64_t(0), -1)), 0);       // just below 1
  EXPECT_EQ(ExtTrunc(X(~uint64_t(0), -1, true)), 0);  // just above -1
  EXPECT_EQ(ExtTrunc(X(~uint64_t(0), 62)), INT64_MAX);
  EXPECT_EQ(ExtTrunc(X(Top, 63, true)), INT64_MIN);
  // Out of range: the FPU's integer indefinite.
  EXPECT_EQ(ExtTrunc(X(Top, 63)), INT64_MIN);
  EXPECT_EQ(ExtTrunc(MaxFinite), INT64_MIN);
}

TEST(ExtReal, CompareOrdersByValue) {
  const TExtReal m2 = ExtFromInt(-2), m1 = ExtFromInt(-1), one = ExtFromInt(1);
  const TExtReal half = X(Top, -1), two = ExtFromInt(2);
  const TExtReal ordered[] = {m2, m1, NegZero, half, one, two};
  for (int i = 0; i < 6; ++i) {
    for (int j = 0; j < 6; ++j) {
      EXPECT_EQ(ExtCompare(ordered[i], ordered[j]), i < j ? -1 : (i == j ? 0 : 1)) << i << " " << j;
      EXPECT_EQ(ExtLess(ordered[i], ordered[j]), i < j) << i << " " << j;
    }
  }
}

TEST(ExtReal, OutOfRangeResultsStayFinite) {
  EXPECT_TRUE(SameBits(ExtMul(MaxFinite, ExtFromInt(2)), MaxFinite));
  EXPECT_TRUE(SameBits(ExtAdd(MaxFinite, MaxFinite), MaxFinite));
  const TExtReal negMax{MaxFinite.Signif, static_cast<uint16_t>(MaxFinite.SignExp | Neg)};
  EXPECT_TRUE(SameBits(ExtMul(MaxFinite, ExtFromInt(-2)), negMax));
  // Rounding the largest significand up leaves the range too.
  EXPECT_TRUE(SameBits(ExtAdd(MaxFinite, X(Top, 16383 - 64)), MaxFinite));
  EXPECT_TRUE(SameBits(ExtDiv(ExtFromInt(1), PosZero), X(~uint64_t(0), 16383)));
  EXPECT_TRUE(SameBits(ExtDiv(ExtFromInt(-1), PosZero), negMax));
  const TExtReal minNormal = X(Top, 1 - ExtBias);
  EXPECT_TRUE(SameBits(ExtDiv(minNormal, ExtFromInt(2)), PosZero));
  EXPECT_TRUE(SameBits(ExtMul(minNormal, ExtFromInt(-1)), X(Top, 1 - ExtBias, true)));
  EXPECT_TRUE(SameBits(ExtMul(minNormal, X(Top, -1, true)), NegZero));
}

TEST(ExtReal, OddInputPatternsReadAsFiniteNumbers) {
  // Integer bit clear: the same value normalised. Exponent field 0: zero.
  EXPECT_EQ(ExtCompare(X(Top >> 3, 3), ExtFromInt(1)), 0);
  EXPECT_TRUE(SameBits(ExtAdd(X(Top >> 3, 3), PosZero), ExtFromInt(1)));
  EXPECT_TRUE(SameBits(ExtAdd(TExtReal{12345, 0}, ExtFromInt(2)), ExtFromInt(2)));
  EXPECT_TRUE(SameBits(ExtMul(TExtReal{Top >> 1, 1}, ExtFromInt(4)), PosZero));
  // Exponent field all ones: a finite number beyond the range.
  EXPECT_TRUE(SameBits(ExtMul(TExtReal{Top, 0x7FFF}, ExtFromInt(1)), MaxFinite));
}

#if LDBL_MANT_DIG == 64

long double ToLd(TExtReal A) {
  long double r = 0;
  std::memcpy(&r, &A.Signif, 8);
  std::memcpy(reinterpret_cast<char*>(&r) + 8, &A.SignExp, 2);
  return r;
}

TExtReal FromLd(long double V) {
  TExtReal r;
  std::memcpy(&r.Signif, &V, 8);
  std::memcpy(&r.SignExp, reinterpret_cast<const char*>(&V) + 8, 2);
  return r;
}

// Operands built to reach every path: dense and sparse significands (sparse
// ones make exact ties), runs of ones (carries), exponents close together
// (cancellation, alignment within one word) and far apart (sticky bits),
// kept well inside the range so that the FPU's infinities and subnormals,
// which the software leaves out, never come into play.
class Operands {
 public:
  explicit Operands(uint32_t Seed) : Rng(Seed) {}

  uint64_t Significand() {
    switch (Rng() % 5) {
      case 0: return Top | Bits();
      case 1: {  // a few bits
        uint64_t m = Top;
        for (int n = Rng() % 4; n > 0; --n) m |= uint64_t(1) << (Rng() % 64);
        return m;
      }
      case 2: return ~uint64_t(0) << (Rng() % 64);           // ones, then zeros
      case 3: return Top | (Bits() >> (Rng() % 64));          // top bit, low noise
      default: return ~(Bits() & (Bits() & Bits())) | Top;    // mostly ones
    }
  }

  TExtReal Value(int32_t Exp) {
    const bool neg = (Rng() & 1) != 0;
    return X(Significand(), Exp, neg);
  }

  // A pair of exponents: far apart, close together or anywhere in +-4000.
  void Pair(TExtReal& A, TExtReal& B) {
    const int32_t ea = static_cast<int32_t>(Rng() % 8001) - 4000;
    int32_t eb;
    switch (Rng() % 3) {
      case 0: eb = ea + static_cast<int32_t>(Rng() % 5) - 2; break;
      case 1: eb = ea + static_cast<int32_t>(Rng() % 261) - 130; break;
      default: eb = static_cast<int32_t>(Rng() % 8001) - 4000; break;
    }
    A = Value(ea);
    B = Value(eb);
    if (Rng() % 16 == 0) B = A;  // x - x and x + x
    if (Rng() % 32 == 0) B = TExtReal{0, static_cast<uint16_t>(Rng() & 1 ? Neg : 0)};
  }

  uint64_t Bits() { return (uint64_t(Rng()) << 32) ^ Rng(); }
  uint32_t Below(uint32_t N) { return static_cast<uint32_t>(Rng() % N); }

 private:
  std::mt19937 Rng;
};

constexpr int Rounds = 300000;

TEST(ExtRealVsFpu, AddSubMulDivCompare) {
  Operands ops(20250101);
  for (int n = 0; n < Rounds; ++n) {
    TExtReal a, b;
    ops.Pair(a, b);
    const volatile long double x = ToLd(a);
    const volatile long double y = ToLd(b);
    ASSERT_TRUE(SameBits(ExtAdd(a, b), FromLd(x + y))) << "add, round " << n;
    ASSERT_TRUE(SameBits(ExtSub(a, b), FromLd(x - y))) << "sub, round " << n;
    ASSERT_TRUE(SameBits(ExtMul(a, b), FromLd(x * y))) << "mul, round " << n;
    if (b.Signif != 0) {
      ASSERT_TRUE(SameBits(ExtDiv(a, b), FromLd(x / y))) << "div, round " << n;
    }
    ASSERT_EQ(ExtCompare(a, b), x < y ? -1 : (x == y ? 0 : 1)) << "compare, round " << n;
    ASSERT_EQ(ExtLess(b, a), y < x) << "less, round " << n;
  }
}

TEST(ExtRealVsFpu, DivisionNearExactQuotients) {
  // A quotient of two 64-bit significands can't be an exact tie (an odd
  // 65-bit quotient times the divisor needs more than 64 bits), but it can
  // be exact or within a few bits of it: dividends made as a rounded product
  // of the divisor and a quotient, some nudged by one unit.
  Operands ops(77);
  for (int n = 0; n < Rounds; ++n) {
    const TExtReal q = X(ops.Significand(), 0);
    const TExtReal d = X(ops.Significand(), static_cast<int32_t>(ops.Below(41)) - 20);
    TExtReal a = ExtMul(q, d);
    if (a.Signif != Top && a.Signif != ~uint64_t(0)) {
      a.Signif += static_cast<uint64_t>(static_cast<int64_t>(ops.Below(3)) - 1);
    }
    const volatile long double x = ToLd(a);
    const volatile long double y = ToLd(d);
    ASSERT_TRUE(SameBits(ExtDiv(a, d), FromLd(x / y))) << "round " << n;
  }
}

TEST(ExtRealVsFpu, IntegersInAndOut) {
  Operands ops(4242);
  const int64_t edges[] = {0, 1, -1, 2, 100, 255, INT64_MAX, INT64_MIN, INT64_MIN + 1,
                           (int64_t(1) << 62) + 1, -(int64_t(1) << 53) - 1};
  for (const int64_t v : edges) {
    EXPECT_TRUE(SameBits(ExtFromInt(v), FromLd(static_cast<long double>(v)))) << v;
  }
  for (int n = 0; n < Rounds; ++n) {
    const int64_t v = static_cast<int64_t>(ops.Bits() >> ops.Below(64));
    const int64_t w = (n & 1) != 0 ? -v : v;
    ASSERT_TRUE(SameBits(ExtFromInt(w), FromLd(static_cast<long double>(w)))) << w;

    // Truncation over the whole int64 range, fractions included.
    const TExtReal r = ops.Value(static_cast<int32_t>(ops.Below(66)) - 3);
    const long double x = ToLd(r);
    if (x < 9223372036854775808.0L && x >= -9223372036854775808.0L) {
      ASSERT_EQ(ExtTrunc(r), static_cast<int64_t>(x)) << "round " << n;
    } else {
      ASSERT_EQ(ExtTrunc(r), INT64_MIN) << "round " << n;
    }
  }
}

#endif  // LDBL_MANT_DIG == 64

}  // namespace
