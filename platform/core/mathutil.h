// Integer arithmetic of the classic platform.
#pragma once

#include <cstdint>

namespace pf {

// a * b / c with a 64-bit product, rounded half away from zero; -1 when c is 0 or the result overflows 32 bits.
int32_t MulDiv(int32_t a, int32_t b, int32_t c);
// Nearest integer, halves to even (Round(2.5) = 2, Round(3.5) = 4, Round(-2.5) = -2).
int64_t Round(double value);
// Toward zero.
int64_t Trunc(double value);
// Round and Trunc raise EInvalidOperation "Invalid floating point operation" for NaN, infinities and values
// outside the 64-bit range.

}  // namespace pf
