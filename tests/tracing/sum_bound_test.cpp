#include "tracing/sum_bound.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace lumi {
namespace {

// The bound decides each test as the square root would, at the bound, next to it and anywhere.
TEST(SumBound, ComparingWithTheBoundDecidesTheTestAsTheRootDoes) {
  std::mt19937_64 random(8);
  std::uniform_real_distribution<double> size(0.0, 200.0);
  for (int i = 0; i < 200; ++i) {
    const double d = i < 3 ? static_cast<double>(i) : size(random);
    const float df = static_cast<float>(d);
    const auto single_beyond = [df](float w) { return w > df; };
    const auto single_reaching = [df](float w) { return w >= df; };
    const auto double_beyond = [d](double w) { return w > d; };
    const double bounds[3] = {least_sum_where(single_diameter_of, single_beyond),
                              least_sum_where(single_diameter_of, single_reaching),
                              least_sum_where(diameter_of, double_beyond)};
    const auto holds = [&](int which, double s) {
      switch (which) {
        case 0: return single_beyond(single_diameter_of(s));
        case 1: return single_reaching(single_diameter_of(s));
        default: return double_beyond(diameter_of(s));
      }
    };
    for (int which = 0; which < 3; ++which) {
      const double b = bounds[which];
      const double below = std::nextafter(b, 0.0);
      EXPECT_TRUE(holds(which, b)) << d;
      if (b > 0.0) {
        EXPECT_FALSE(holds(which, below)) << d;
      }
      std::uniform_real_distribution<double> near(0.9 * d * d / 4.0, 1.1 * d * d / 4.0);
      for (int j = 0; j < 100; ++j) {
        const double s = near(random);
        EXPECT_EQ(s >= b, holds(which, s)) << d << " " << s;
      }
    }
  }
}

TEST(SumBound, ATestThatNeverHoldsGivesNaNAndOneThatAlwaysHoldsGivesZero) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  EXPECT_TRUE(std::isnan(least_sum_where(diameter_of, [](double w) { return w > kInf; })));
  EXPECT_EQ(least_sum_where(diameter_of, [](double w) { return w > -1.0; }), 0.0);
  // A NaN measure passes no test, and neither does a comparison with a NaN bound
  const double never = least_sum_where(single_diameter_of, [](float w) { return w > std::nanf(""); });
  EXPECT_FALSE(1e30 >= never);
}

}  // namespace
}  // namespace lumi
