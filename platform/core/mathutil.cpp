#include "platform/core/mathutil.h"

#include <cmath>
#include <limits>

#include "platform/core/exceptions.h"

namespace pf {

namespace {

// NaN, infinities and values beyond 64 bits have no integer form; casting them would be undefined.
void CheckRange(double value) {
  // 2^63 is exactly representable; every double below it (and at or above -2^63) converts.
  constexpr double kLimit = 9223372036854775808.0;
  if (!(value >= -kLimit && value < kLimit)) throw EInvalidOperation("Invalid floating point operation");
}

}  // namespace

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t product = int64_t{a} * b;
  int64_t quotient = product / c;
  int64_t remainder = product % c;
  // Half away from zero: the remainder carries the sign of the product.
  if (2 * (remainder < 0 ? -remainder : remainder) >= (c < 0 ? -int64_t{c} : int64_t{c}))
    quotient += ((product < 0) != (c < 0)) ? -1 : 1;
  if (quotient > std::numeric_limits<int32_t>::max() || quotient < std::numeric_limits<int32_t>::min()) return -1;
  return static_cast<int32_t>(quotient);
}

int64_t Round(double value) {
  double floor = std::floor(value);
  double diff = value - floor;  // exact for every finite double
  double result = floor;
  if (diff > 0.5 || (diff == 0.5 && std::fmod(floor, 2.0) != 0.0)) result = floor + 1.0;
  CheckRange(result);
  return static_cast<int64_t>(result);
}

int64_t Trunc(double value) {
  double t = std::trunc(value);
  CheckRange(t);
  return static_cast<int64_t>(t);
}

}  // namespace pf
