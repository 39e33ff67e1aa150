// The two conversions every float-to-integer and double-to-float step of the program goes through,
// at the edges of their ranges.
#include "model/numeric.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lumi::test {
namespace {

constexpr float kFloatMax = std::numeric_limits<float>::max();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

TEST(ToSingle, RoundsToNearestEvenAndOverflowsFromHalfAnUlpAboveTheLargestFloat) {
  EXPECT_EQ(to_single(1.0 + 0x1p-24), 1.0f);  // a tie goes to the even neighbour
  EXPECT_EQ(to_single(1.0 + 3 * 0x1p-24), 1.0f + 0x1p-22f);
  EXPECT_EQ(to_single(-(1.0 + 0x1p-24 + 0x1p-40)), -(1.0f + 0x1p-23f));
  EXPECT_EQ(to_single(1e-50), 0.0f);
  EXPECT_TRUE(std::signbit(to_single(-1e-50)));

  // FLT_MAX + 2^103 is the tie between FLT_MAX and 2^128: it overflows, what lies below does not
  const double tie = static_cast<double>(kFloatMax) + 0x1p103;
  for (const double sign : {1.0, -1.0}) {
    EXPECT_EQ(to_single(sign * static_cast<double>(kFloatMax)), sign * kFloatMax);
    EXPECT_EQ(to_single(sign * std::nextafter(tie, 0.0)), sign * kFloatMax);
    EXPECT_EQ(to_single(sign * tie), sign * kInfinity);
    EXPECT_EQ(to_single(sign * 1e300), sign * kInfinity);
    EXPECT_EQ(to_single(sign * std::numeric_limits<double>::infinity()), sign * kInfinity);
  }
  EXPECT_TRUE(std::isnan(to_single(std::numeric_limits<double>::quiet_NaN())));
}

TEST(TruncToInt, TruncatesTowardZeroAndClampsToTheRangeOfInt) {
  EXPECT_EQ(trunc_to_int(2.9), 2);
  EXPECT_EQ(trunc_to_int(-2.9), -2);
  EXPECT_EQ(trunc_to_int(2147483646.9), 2147483646);
  EXPECT_EQ(trunc_to_int(2147483647.0), std::numeric_limits<int>::max());
  EXPECT_EQ(trunc_to_int(1e300), std::numeric_limits<int>::max());
  EXPECT_EQ(trunc_to_int(-2147483648.9), std::numeric_limits<int>::min());
  EXPECT_EQ(trunc_to_int(-std::numeric_limits<double>::infinity()),
            std::numeric_limits<int>::min());
  EXPECT_EQ(trunc_to_int(std::numeric_limits<double>::quiet_NaN()), 0);
}

}  // namespace
}  // namespace lumi::test
