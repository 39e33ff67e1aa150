// Aperture tests without a square root per ray. A hit at squared distance s from an element's
// centre has the measure 2·sqrt(s), its diameter, compared with the aperture in double or in single
// precision. The measure never falls as s grows (the square root, the doubling and the rounding to
// single precision all keep the order), so a test that goes on holding as the measure grows holds
// exactly from some least s on: that bound is found once, by bisection over the bit patterns of
// the non-negative doubles, which keep their order, and each ray compares its s with it.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

#include "model/numeric.h"

namespace lumi {

// The least s >= 0 at which holds(measure(s)); NaN where it holds for none, so that no comparison
// with the bound passes (as none passes for a NaN measure).
template <class Measure, class Test>
double least_sum_where(Measure measure, Test holds) {
  const auto at = [&](std::uint64_t bits) { return holds(measure(std::bit_cast<double>(bits))); };
  std::uint64_t low = 0,
                high = std::bit_cast<std::uint64_t>(std::numeric_limits<double>::infinity());
  if (at(low)) return 0.0;
  if (!at(high)) return std::numeric_limits<double>::quiet_NaN();
  // Holds at high, not at low
  while (high - low > 1) {
    const std::uint64_t middle = low + (high - low) / 2;
    (at(middle) ? high : low) = middle;
  }
  return std::bit_cast<double>(high);
}

// The diameter of a hit, in double precision and in single.
inline double diameter_of(double s) { return 2.0 * std::sqrt(s); }
inline float single_diameter_of(double s) { return to_single(2.0 * std::sqrt(s)); }

}  // namespace lumi
