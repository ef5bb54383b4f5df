// ExtReal.h: the x87 80-bit extended real, done in integer arithmetic.
//
// The colour model's channel values must come out of extended-precision
// arithmetic, rounded to nearest with ties to even at every operation: a few
// saturation/brightness pairs truncate one lower there than they would in
// double or exact arithmetic. Doing it in software gives the same bits in
// every process, whatever the host has set in the FPU control word, and never
// touches that word.
//
// Range: finite values only. A result whose exponent would leave the format's
// range saturates to the largest finite magnitude, one below the smallest
// normal magnitude becomes a zero of its sign, and division by zero gives the
// largest finite magnitude. None of these can arise from the colour model,
// whose operands are integers below 2^63 and quotients of them by 60 and 100,
// so subnormals are not made. Any input bit pattern is read as a finite
// number (exponent 0 as zero, a clear integer bit normalised away), never UB.
#pragma once

#include <cstdint>

#include "../host/DrvConf.h"

// The fields of the x87 memory format: the 64-bit significand with its
// explicit integer bit (bit 63), then the sign (bit 15) over the exponent
// biased by 16383. Zero has significand 0 and exponent field 0.
struct TExtReal {
  uint64_t Signif;
  uint16_t SignExp;
};

constexpr int32_t ExtBias = 16383;

// Exact for every int64.
DRV_FUNC TExtReal ExtFromInt(int64_t V);
DRV_FUNC TExtReal ExtAdd(TExtReal A, TExtReal B);
DRV_FUNC TExtReal ExtSub(TExtReal A, TExtReal B);
DRV_FUNC TExtReal ExtMul(TExtReal A, TExtReal B);
DRV_FUNC TExtReal ExtDiv(TExtReal A, TExtReal B);
// -1, 0 or 1 as A is below, equal to or above B; +0 equals -0.
DRV_FUNC int ExtCompare(TExtReal A, TExtReal B);
DRV_FUNC bool ExtLess(TExtReal A, TExtReal B);
// Toward zero. Outside the int64 range the result is INT64_MIN, the value the
// FPU stores for an integer it cannot represent.
DRV_FUNC int64_t ExtTrunc(TExtReal A);
