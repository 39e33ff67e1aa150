// The tracing loop shared by the flat elements (diaphragms, flat mirror, grating): each live ray is
// intersected with the element's plane, its segment up to the hit is drawn in the scheme window,
// the ray is moved onto the plane, and the element decides what happens at the hit. The element's
// part is passed as inline callables, so the per-ray path has no indirect calls of its own.
#pragma once

#include <cmath>

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

// Traces every live ray onto the plane and returns how many were drawn (rays that reached it,
// stopped ones included). before_segment() runs before each segment is drawn (the diaphragms
// select the scheme window and colour 1 there); on_hit(ray) runs after the ray has been moved to
// the hit and its path extended, and does the aperture test, the hit mark and any change of
// direction.
template <class BeforeSegment, class OnHit>
int trace_flat(Graphics& g, RayBundle& rays, const FlatPlane& plane, BehindRay behind,
               BeforeSegment&& before_segment, OnHit&& on_hit) {
  int drawn = 0;
  for (Ray& ray : rays) {
    if (ray.alive == 0.0) continue;

    // Parallel rays never meet the plane
    const double b = plane.nx * ray.dir_x + plane.ny * ray.dir_y + plane.nz * ray.dir_z;
    if (std::abs(b) < kParallelLimit) {
      ray.alive = 0.0;
      continue;
    }
    const double t = -(plane.nx * ray.x + plane.c + plane.ny * ray.y + plane.nz * ray.z) / b;
    if (behind == BehindRay::kStops && to_single(t) < 0.0f) {
      ray.alive = 0.0;
      continue;
    }

    // Draw the segment up to the hit and move the ray there
    const double hx = ray.x + t * ray.dir_x;
    const double hy = ray.y + t * ray.dir_y;
    const double hz = ray.z + t * ray.dir_z;
    before_segment();
    g.draw_to(1, 1, to_single(ray.x), to_single(ray.y), kMove);
    g.draw_to(1, 1, to_single(hx), to_single(hy), kLine);
    ++drawn;
    ray.x = hx;
    ray.y = hy;
    ray.z = hz;
    ray.path += t;

    on_hit(ray);
  }
  return drawn;
}

}  // namespace lumi
