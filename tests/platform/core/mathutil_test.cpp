#include "platform/core/mathutil.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/core/exceptions.h"

namespace {

TEST(MathUtil, MulDivRoundsHalfAwayFromZeroOverA64BitProduct) {
  EXPECT_EQ(pf::MulDiv(5, 1, 2), 3);    // 2.5
  EXPECT_EQ(pf::MulDiv(-5, 1, 2), -3);  // -2.5
  EXPECT_EQ(pf::MulDiv(5, 1, -2), -3);  // sign from the divisor
  EXPECT_EQ(pf::MulDiv(-5, -1, -2), -3);
  EXPECT_EQ(pf::MulDiv(-7, 3, 2), -11);  // -10.5
  EXPECT_EQ(pf::MulDiv(-7, 1, 3), -2);   // -2.33 to nearest
  EXPECT_EQ(pf::MulDiv(-8, 1, 3), -3);   // -2.67 to nearest
  EXPECT_EQ(pf::MulDiv(759, 70, 100), 531);
  EXPECT_EQ(pf::MulDiv(100000, 100000, 100000), 100000);  // product beyond 32 bits
  EXPECT_EQ(pf::MulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);
  EXPECT_EQ(pf::MulDiv(INT32_MIN, INT32_MIN, INT32_MIN), INT32_MIN);
  EXPECT_EQ(pf::MulDiv(INT32_MIN, 1, -1), -1);  // 2^31 does not fit: -1
  EXPECT_EQ(pf::MulDiv(INT32_MAX, 2, 1), -1);
  EXPECT_EQ(pf::MulDiv(1, 2, 0), -1);
}

TEST(MathUtil, RoundHalvesToEvenAndTruncTowardZero) {
  std::string rounded;
  // Halves, near halves, the largest double below 0.5, and 2^52 + 1 kept exact.
  for (double v : {2.5, 3.5, -2.5, -3.5, 0.5, 2.4999999, 2.5000001, -0.4, 0.49999999999999994, 4503599627370497.0}) {
    rounded += std::to_string(pf::Round(v)) + " ";
  }
  EXPECT_EQ(rounded, "2 4 -2 -4 0 2 3 0 0 4503599627370497 ");
  EXPECT_EQ(pf::Trunc(2.9), 2);
  EXPECT_EQ(pf::Trunc(-2.9), -2);
  for (double bad : {std::nan(""), std::numeric_limits<double>::infinity(), 1e19, -1e19}) {
    EXPECT_THROW(pf::Round(bad), pf::EInvalidOperation) << bad;
    EXPECT_THROW(pf::Trunc(bad), pf::EInvalidOperation) << bad;
  }
}

}  // namespace
