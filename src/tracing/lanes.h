// Four rays at a time in the 256-bit vector registers of AVX2, for sweeps over rays that all
// differ (converging and diverging beams, where no memo helps): the divisions and square roots of
// four rays go through the divider side by side, where one ray's chain would leave it waiting on
// itself. Workspace::vector_lanes says whether a sweep may use them.
//
// Each lane does exactly what the one-ray code does, operation for operation and in the same
// order, so its results are the same to the bit: IEEE arithmetic rounds each operation alone,
// the build contracts no multiply-add, and a branch of the one-ray code becomes a select between
// values computed for every lane. Code on lanes is compiled for AVX2 only (LUMI_LANES), and runs
// only where the processor has it; elsewhere the one-ray code runs.
#pragma once

#include <immintrin.h>

#include <cstddef>

#include "graphics/graphics.h"
#include "tracing/ray.h"

namespace lumi {

#define LUMI_LANES __attribute__((target("avx2"), always_inline)) inline
// A function that takes its arguments on lanes from code that does not: the entry into lanes.
#define LUMI_LANES_ENTRY __attribute__((target("avx2"), noinline))

inline constexpr int kLaneCount = 4;
using Lanes = double __attribute__((vector_size(32)));
using SingleLanes = float __attribute__((vector_size(16)));
// What comparing lanes gives: all ones in a lane for true, zeros for false.
using LaneMask = decltype(Lanes{} < Lanes{});

// Whether this processor runs code on lanes.
inline bool lanes_supported() { return __builtin_cpu_supports("avx2"); }

LUMI_LANES Lanes lane_sqrt(Lanes v) { return _mm256_sqrt_pd(v); }

LUMI_LANES Lanes splat(double v) { return Lanes{v, v, v, v}; }

// The lanes rounded to single precision and widened back, as to_single does one value.
LUMI_LANES Lanes lanes_to_single(Lanes v) {
  return __builtin_convertvector(__builtin_convertvector(v, SingleLanes), Lanes);
}

LUMI_LANES Lanes lane_abs(Lanes v) { return _mm256_andnot_pd(_mm256_set1_pd(-0.0), v); }

// signed_by on lanes: the magnitude |mag| with the sign bit of `difference`.
LUMI_LANES Lanes lane_signed_by(Lanes difference, Lanes mag) {
  return _mm256_or_pd(lane_abs(mag), _mm256_and_pd(_mm256_set1_pd(-0.0), difference));
}

LUMI_LANES bool any_lane(LaneMask m) { return _mm256_movemask_pd(reinterpret_cast<__m256d>(m)); }

// Pixels of eight coordinates of one axis of a view at once: ViewMapping::x() or y() on each.
// Only for an axis whose edges are exact.
using EightSingles = float __attribute__((vector_size(32)));
using EightInts = int __attribute__((vector_size(32)));

LUMI_LANES EightInts map_to_pixels(const ViewMapping::Axis& a, EightSingles v) {
  const EightSingles q = (v - a.min) / a.range * a.size;
  const EightSingles p = a.origin + a.turn * q + 0.5f;
  const EightSingles raised = p > a.low ? p : a.low;
  return __builtin_convertvector(raised < a.high ? raised : a.high, EightInts);
}

// Two sets of four lanes side by side, rounded to single precision.
LUMI_LANES EightSingles singles_of(Lanes low, Lanes high) {
  return _mm256_set_m128(_mm256_cvtpd_ps(reinterpret_cast<__m256d>(high)),
                         _mm256_cvtpd_ps(reinterpret_cast<__m256d>(low)));
}

struct Vec3Lanes {
  Lanes x, y, z;
};

LUMI_LANES Vec3Lanes operator+(const Vec3Lanes& a, const Vec3Lanes& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
LUMI_LANES Vec3Lanes operator-(const Vec3Lanes& a, const Vec3Lanes& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
LUMI_LANES Vec3Lanes operator*(Lanes s, const Vec3Lanes& a) { return {s * a.x, s * a.y, s * a.z}; }
LUMI_LANES Lanes dot(const Vec3Lanes& a, const Vec3Lanes& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
LUMI_LANES Vec3Lanes select(LaneMask m, const Vec3Lanes& a, const Vec3Lanes& b) {
  return {m ? a.x : b.x, m ? a.y : b.y, m ? a.z : b.z};
}
LUMI_LANES Vec3Lanes splat(double x, double y, double z) { return {splat(x), splat(y), splat(z)}; }

// Up to four rays, a lane each; lanes past `count` repeat the last ray, so their arithmetic is as
// good as any and their results are dropped.
struct RayLanes {
  Ray* rays[kLaneCount];
  int count;
  Vec3Lanes position, direction;
};

// Four rays' records, (x, y, z, dir_x) and (dir_y, dir_z, ...) as two rows of four each, turned
// into lanes by a transposition: lanes filled one number at a time would be written to memory
// and read back whole, which stalls the read.
LUMI_LANES RayLanes load_lanes(Ray* const* rays, int count) {
  static_assert(offsetof(Ray, dir_x) == 3 * sizeof(double) &&
                offsetof(Ray, dir_y) == 4 * sizeof(double) &&
                offsetof(Ray, dir_z) == 5 * sizeof(double));
  RayLanes r;
  r.count = count;
  __m256d front[kLaneCount], back[kLaneCount];
  for (int i = 0; i < kLaneCount; ++i) {
    r.rays[i] = rays[i < count ? i : count - 1];
    front[i] = _mm256_loadu_pd(&r.rays[i]->x);
    back[i] = _mm256_loadu_pd(&r.rays[i]->dir_y);
  }
  // (x0 x1 z0 z1), (y0 y1 dx0 dx1) and the same for rays 2 and 3, then halves joined
  const __m256d xz01 = _mm256_unpacklo_pd(front[0], front[1]);
  const __m256d ydx01 = _mm256_unpackhi_pd(front[0], front[1]);
  const __m256d xz23 = _mm256_unpacklo_pd(front[2], front[3]);
  const __m256d ydx23 = _mm256_unpackhi_pd(front[2], front[3]);
  r.position.x = _mm256_permute2f128_pd(xz01, xz23, 0x20);
  r.position.z = _mm256_permute2f128_pd(xz01, xz23, 0x31);
  r.position.y = _mm256_permute2f128_pd(ydx01, ydx23, 0x20);
  r.direction.x = _mm256_permute2f128_pd(ydx01, ydx23, 0x31);
  const __m256d dy01 = _mm256_unpacklo_pd(back[0], back[1]);
  const __m256d dz01 = _mm256_unpackhi_pd(back[0], back[1]);
  const __m256d dy23 = _mm256_unpacklo_pd(back[2], back[3]);
  const __m256d dz23 = _mm256_unpackhi_pd(back[2], back[3]);
  r.direction.y = _mm256_permute2f128_pd(dy01, dy23, 0x20);
  r.direction.z = _mm256_permute2f128_pd(dz01, dz23, 0x20);
  return r;
}

// The views a ray's crossing of an element is drawn in: its segment in the scheme window's, its
// mark in the element window's.
struct LaneViews {
  ViewMapping::Axis segment_x, segment_y, mark_x, mark_y;

  bool exact() const { return segment_x.exact && segment_y.exact && mark_x.exact && mark_y.exact; }
};

inline LaneViews lane_views(const Graphics& g, int element_window) {
  const ViewMapping scheme = g.mapping(1, 1), element = g.mapping(element_window, 1);
  return {scheme.x_axis(), scheme.y_axis(), element.x_axis(), element.y_axis()};
}

// The pixels of four rays' segments and marks.
struct HitPixels {
  EightInts x, y;  // the segments' starts in lanes 0-3, their ends in lanes 4-7
  EightInts mark_x, mark_y;

  PixelPoint from(int i) const { return {x[i], y[i]}; }
  PixelPoint to(int i) const { return {x[i + kLaneCount], y[i + kLaneCount]}; }
  PixelPoint mark(int i) const { return {mark_x[i], mark_y[i]}; }
};

// Maps segments from `start` to `hit` in the scheme view and marks (u, v) in the element's, each
// coordinate rounded to single precision first, as the one-ray code does.
LUMI_LANES HitPixels map_hits(const LaneViews& views, const Vec3Lanes& start, const Vec3Lanes& hit,
                              Lanes u, Lanes v) {
  return {map_to_pixels(views.segment_x, singles_of(start.x, hit.x)),
          map_to_pixels(views.segment_y, singles_of(start.y, hit.y)),
          map_to_pixels(views.mark_x, singles_of(u, u)),
          map_to_pixels(views.mark_y, singles_of(v, v))};
}

}  // namespace lumi
