// The tracing loop shared by the flat elements (diaphragms, flat mirror, grating): each live ray is
// intersected with the element's plane, its segment up to the hit is drawn in the scheme window,
// the ray is moved onto the plane, and the element decides what happens at the hit. The element's
// part is passed as inline callables, so the per-ray path has no indirect calls of its own.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <type_traits>
#include <utility>

#include "graphics/graphics.h"
#include "model/numeric.h"
#include "tracing/ray.h"

namespace lumi {

// Rays with |N·dir| below this run parallel to the plane and are lost. It is the single-precision
// value of 1e-10 (slightly above 1e-10), held as a double.
inline constexpr double kParallelLimit = static_cast<double>(1e-10f);

// The plane N·P + c = 0 through the element's centre (Xo, Yo, 0).
struct FlatPlane {
  double nx = 0.0, ny = 0.0, nz = 0.0;
  double c = 0.0;
};

inline FlatPlane flat_plane(double nx, double ny, double nz, double xo, double yo) {
  return {nx, ny, nz, -(xo * nx + yo * ny)};
}

// Whether a plane that lies behind the ray (t < 0 in single precision) stops it. Mirrors and
// gratings meet their plane in either direction and move the ray back to it.
enum class BehindRay { kMet, kStops };

// sigma * |magnitude|, sigma = -1 when `difference` is negative (-0.0 included), +1 otherwise: the
// signed transverse coordinate of a hit mark.
inline double signed_by(double difference, double magnitude) {
  return std::signbit(difference) ? -std::abs(magnitude) : std::abs(magnitude);
}

inline bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// A division or square root that remembers its last operands and result: a parallel beam repeats
// the operands from ray to ray, and the same operands, bit for bit, give the same result.
class RepeatedQuotient {
 public:
  double of(double numerator, double denominator) {
    if (!known_ || !same_bits(numerator, numerator_) || !same_bits(denominator, denominator_)) {
      numerator_ = numerator;
      denominator_ = denominator;
      value_ = numerator / denominator;
      known_ = true;
    }
    return value_;
  }

 private:
  double numerator_ = 0.0, denominator_ = 0.0, value_ = 0.0;
  bool known_ = false;
};

class RepeatedRoot {
 public:
  double of(double v) {
    if (!known_ || !same_bits(v, v_)) {
      v_ = v;
      value_ = std::sqrt(v);
      known_ = true;
    }
    return value_;
  }

 private:
  double v_ = 0.0, value_ = 0.0;
  bool known_ = false;
};

// Traces every live ray onto the plane and returns how many were drawn (rays that reached it,
// stopped ones included). The element's part comes in three pieces:
//   on_hit(ray) runs once the ray has been moved to the hit and its path extended: it makes the
//     aperture test, stops or turns the ray, and returns what the hit mark needs (a record of its
//     own, comparable with ==);
//   before_segment() runs before each segment is drawn (the diaphragms select the scheme window and
//     colour 1 there);
//   draw_mark(mark) draws the hit mark in the element's window, mark_window.
// The rays go in blocks: first the arithmetic of every ray of the block, which keeps the divisions
// and square roots of neighbouring rays overlapping, then the drawing of the block, ray by ray in
// order: each segment, then its hit mark. When the marks have a window of their own, a ray whose
// segment and mark repeat those of the ray drawn before it is not drawn again: the same drawing
// once more would change neither a pixel nor any colour or window choice.
template <class OnHit, class BeforeSegment, class DrawMark>
int trace_flat(Graphics& g, RayBundle& rays, const FlatPlane& plane, BehindRay behind,
               int mark_window, OnHit&& on_hit, BeforeSegment&& before_segment,
               DrawMark&& draw_mark) {
  using Mark = std::invoke_result_t<OnHit&, Ray&>;
  struct Drawing {
    float x0, y0, x1, y1;  // the segment
    Mark mark;
    bool operator==(const Drawing&) const = default;
  };
  constexpr std::ptrdiff_t kBlock = 256;
  Drawing drawings[kBlock];
  Drawing last{};
  bool last_drawn = false;
  const bool skip_repeats = mark_window != 1;
  RepeatedQuotient t_of;

  int drawn = 0;
  for (Ray* block = rays.begin(); block < rays.end(); block += kBlock) {
    Ray* const block_end = block + std::min(kBlock, rays.end() - block);

    // Geometry, ray by ray: rays that run parallel to the plane, or meet it behind them where
    // that stops them, are lost; the others move to the plane and meet the element
    int count = 0;
    for (Ray* ray = block; ray < block_end; ++ray) {
      if (ray->alive == 0.0) continue;
      const double b = plane.nx * ray->dir_x + plane.ny * ray->dir_y + plane.nz * ray->dir_z;
      if (std::abs(b) < kParallelLimit) {
        ray->alive = 0.0;
        continue;
      }
      const double t =
          t_of.of(-(plane.nx * ray->x + plane.c + plane.ny * ray->y + plane.nz * ray->z), b);
      if (behind == BehindRay::kStops && to_single(t) < 0.0f) {
        ray->alive = 0.0;
        continue;
      }
      const double hx = ray->x + t * ray->dir_x;
      const double hy = ray->y + t * ray->dir_y;
      const double hz = ray->z + t * ray->dir_z;
      Drawing& d = drawings[count++];
      d.x0 = to_single(ray->x);
      d.y0 = to_single(ray->y);
      d.x1 = to_single(hx);
      d.y1 = to_single(hy);
      ray->x = hx;
      ray->y = hy;
      ray->z = hz;
      ray->path += t;
      d.mark = on_hit(*ray);
    }

    // Drawing, in ray order: the segment up to the hit in the scheme window, then the mark
    for (int i = 0; i < count; ++i) {
      const Drawing& d = drawings[i];
      if (skip_repeats && last_drawn && d == last) continue;
      before_segment();
      g.draw_segment(1, 1, d.x0, d.y0, d.x1, d.y1);
      draw_mark(std::as_const(d.mark));
      last = d;
      last_drawn = true;
    }
    drawn += count;
  }
  return drawn;
}

}  // namespace lumi
