#include "graphics/single_quotient.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

namespace lumi {
namespace {

// The same bits as the division, or both NaN.
void expect_as_divided(float x, float d) {
  const float want = x / d;
  const float got = SingleQuotient(d).of(x);
  if (std::isnan(want)) {
    EXPECT_TRUE(std::isnan(got)) << x << " / " << d;
  } else {
    EXPECT_EQ(std::bit_cast<std::uint32_t>(got), std::bit_cast<std::uint32_t>(want))
        << x << " / " << d << ": " << got << " instead of " << want;
  }
}

TEST(SingleQuotient, RoundsAsTheDivisionOnRandomOperands) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<std::uint32_t> bits;
  std::uniform_real_distribution<float> world(-3000.0f, 3000.0f);
  int failures = 0;
  for (int i = 0; i < 2000000; ++i) {
    // Arbitrary bit patterns, and the sort of numbers a view maps
    const float x = i % 2 ? std::bit_cast<float>(bits(random)) : world(random);
    const float d = i % 3 ? std::bit_cast<float>(bits(random)) : world(random);
    const float want = x / d;
    const float got = SingleQuotient(d).of(x);
    if (std::bit_cast<std::uint32_t>(got) != std::bit_cast<std::uint32_t>(want) &&
        !(std::isnan(got) && std::isnan(want))) {
      ADD_FAILURE() << x << " / " << d << ": " << got << " instead of " << want;
      if (++failures > 10) break;
    }
  }
}

// Every numerator of a binade, for divisors whose reciprocals are not exact: some of these
// quotients lie as near the midpoint of two floats as quotients of floats can. From the least
// normal binade the quotients are subnormal, with fewer bits to round to.
TEST(SingleQuotient, RoundsAsTheDivisionForEveryNumeratorOfABinade) {
  constexpr std::uint32_t kBinade = 1u << 23;
  for (const float d : {3.0f, 10.0f, 0.1f, 7.0f, 637.5f}) {
    const SingleQuotient quotient(d);
    int failures = 0;
    for (std::uint32_t bits = 0; bits < 2 * kBinade && failures < 10; ++bits) {
      // [1, 2), then [least normal, twice that)
      const float x = std::bit_cast<float>(bits < kBinade ? 0x3f800000 + bits : bits);
      if (std::bit_cast<std::uint32_t>(quotient.of(x)) != std::bit_cast<std::uint32_t>(x / d)) {
        ADD_FAILURE() << x << " / " << d;
        ++failures;
      }
    }
  }
}

TEST(SingleQuotient, RoundsAsTheDivisionAtTheEdgesOfTheRange) {
  constexpr float kMax = std::numeric_limits<float>::max();
  constexpr float kMin = std::numeric_limits<float>::min();
  constexpr float kInf = std::numeric_limits<float>::infinity();
  constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
  for (float d : {3.0f, -6.0f, 1e-30f, 1e30f, 0.0f, -0.0f, kInf, -kInf, kMin, 1e-40f, kMax, kNaN}) {
    for (float x : {0.0f, -0.0f, kMin, -kMin, 1e-40f, 1e-45f, kMax, -kMax, kInf, -kInf, kNaN, 1.0f,
                    -3.0f, 1e20f, 1e-20f}) {
      expect_as_divided(x, d);
    }
  }
}

}  // namespace
}  // namespace lumi
