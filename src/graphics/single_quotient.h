// Single-precision division by a fixed divisor, bit for bit as the division rounds it, at the cost
// of a multiplication in double precision.
//
// The double product x · RN(1/d) is within 2^-52 relative of the exact quotient x/d, so rounding it
// to single precision gives the correctly rounded quotient unless a rounding boundary of single
// precision (the midpoint of two neighbouring floats) lies that close to it. Those midpoints are
// the doubles whose 29 bits below single precision read 1000...0; a product within a few units of
// one, and every quotient outside the normal single range (zeros, subnormals, overflow, NaN), is
// divided for real.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace lumi {

class SingleQuotient {
 public:
  explicit SingleQuotient(float divisor)
      : divisor_(divisor),
        reciprocal_(1.0 / static_cast<double>(divisor)),
        usable_(std::isnormal(divisor) && std::isnormal(reciprocal_)) {}

  float of(float x) const {
    if (usable_) {
      const double q = static_cast<double>(x) * reciprocal_;
      const double size = std::abs(q);
      const std::uint64_t below = std::bit_cast<std::uint64_t>(q) & kBelowSingle;
      if (size >= kLeastNormal && size <= kGreatest &&
          below - (kMidpoint - kMargin) > 2 * kMargin) {
        return static_cast<float>(q);
      }
    }
    return x / divisor_;
  }

 private:
  static constexpr std::uint64_t kBelowSingle = (std::uint64_t{1} << 29) - 1;
  static constexpr std::uint64_t kMidpoint = std::uint64_t{1} << 28;
  // Units of the double's last place around a midpoint that the product's error may cross
  static constexpr std::uint64_t kMargin = 8;
  static constexpr double kLeastNormal = std::numeric_limits<float>::min();
  static constexpr double kGreatest = std::numeric_limits<float>::max() / 2.0;

  float divisor_;
  double reciprocal_;
  bool usable_;
};

}  // namespace lumi
