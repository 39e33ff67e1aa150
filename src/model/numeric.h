// Conversions between the scheme's single-precision values, the tracer's doubles and integers.
// Every float-to-integer conversion in the program goes through trunc_to_int, which is defined for
// every input, and every deliberate rounding to single precision through to_single.
#pragma once

#include <cmath>
#include <limits>

namespace lumi {

// Truncates toward zero. NaN gives 0; values beyond the range of int clamp to its ends.
constexpr int trunc_to_int(double v) noexcept {
  if (v != v) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

// Rounds a double to single precision, as the scheme's arithmetic does in the places that say so.
// Values beyond the float range become infinities instead of undefined behaviour.
constexpr float to_single(double v) noexcept {
  constexpr double kMax = std::numeric_limits<float>::max();
  // Half a unit in the last place of FLT_MAX above it: from here on (a tie included, FLT_MAX
  // being odd) a value rounds to infinity, below it to FLT_MAX.
  constexpr double kOverflow = kMax + 0x1p103;
  if (v > kMax) {
    return v < kOverflow ? std::numeric_limits<float>::max()
                         : std::numeric_limits<float>::infinity();
  }
  if (v < -kMax) {
    return v > -kOverflow ? -std::numeric_limits<float>::max()
                          : -std::numeric_limits<float>::infinity();
  }
  return static_cast<float>(v);
}

}  // namespace lumi
