// Conversions between the scheme's single-precision values, the tracer's doubles and integers.
// Every float-to-integer conversion in the program goes through trunc_to_int, which is defined for
// every input, and every deliberate rounding to single precision through to_single.
#pragma once

#include <limits>

namespace lumi {

// Truncates toward zero. NaN gives 0; values beyond the range of int clamp to its ends.
constexpr int trunc_to_int(double v) noexcept {
  if (v != v) return 0;
  if (v >= 2147483647.0) return std::numeric_limits<int>::max();
  if (v <= -2147483648.0) return std::numeric_limits<int>::min();
  return static_cast<int>(v);
}

// Rounds a double to single precision, as the scheme's arithmetic does in the places that say so:
// to nearest, ties to even. Float has infinities, so a value beyond its range still lies between
// two floats (FLT_MAX and infinity) and the conversion is defined for it: below FLT_MAX + 2^103,
// half a unit in the last place above FLT_MAX, it gives FLT_MAX, from there on infinity.
constexpr float to_single(double v) noexcept { return static_cast<float>(v); }

}  // namespace lumi
