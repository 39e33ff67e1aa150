// What the spherical mirror and the spherical lens share: a vector's length, the meeting of a ray
// with a sphere and the choice between its two roots, the squared distance from a cap's vertex to
// its rim, and the mark of a hit in a round element's window.
#pragma once

#include <cmath>

#include "model/numeric.h"
#include "tracing/lane_math.h"
#include "tracing/ray.h"

namespace lumi {

inline double length(const Vec3& a) { return std::sqrt(dot(a, a)); }

// Squared distance from the vertex of a cap of radius r to its rim at `half` from the axis: the
// sagitta squared plus half squared. NaN when the rim lies beyond the sphere (half > |r|), which
// no comparison passes.
inline double cap_rim_distance2(double r, double half) {
  const double sagitta = std::abs(r) - std::sqrt(r * r - half * half);
  return sagitta * sagitta + half * half;
}

// The outcome of meeting a sphere. kMissed: the line misses it (negative discriminant).
// kBehind: no accepted root ahead of the start. kRejected: neither root accepted, the second one
// ahead (point is its hit). kHit: point is the accepted hit.
enum class SphereMeet { kMissed, kBehind, kRejected, kHit };

struct SphereHit {
  SphereMeet meet = SphereMeet::kMissed;
  Vec3 point;
};

// Meets the ray s + t·u with the sphere |P - c| = |r|, solving a·t² + b·t + c2 = 0. The larger
// root t1 is taken when it is not negative and accept(hit) holds; otherwise the smaller root t2,
// unless it is negative (kBehind) or not accepted either (kRejected). The point returned is always
// the last one accept() was asked about, so it may keep what it worked out for it.
template <class Accept>
SphereHit meet_sphere(const Vec3& s, const Vec3& u, const Vec3& c, double r, Accept&& accept) {
  const Vec3 sc = s - c;
  const double a = dot(u, u);
  const double b = 2.0 * dot(sc, u);
  const double c2 = dot(sc, sc) - r * r;
  const double disc = b * b - 4.0 * a * c2;
  // A NaN discriminant misses as well: nothing is met that cannot be computed.
  if (!(disc >= 0.0)) return {SphereMeet::kMissed, {}};

  const double root = std::sqrt(disc);
  const double t1 = (-b + root) / (2.0 * a);
  if (t1 >= 0.0) {
    const Vec3 h1 = s + t1 * u;
    if (accept(h1)) return {SphereMeet::kHit, h1};
  }
  // Most rays take the first root: the second is worked out only when it is needed
  const double t2 = (-b - root) / (2.0 * a);
  if (t2 < 0.0) return {SphereMeet::kBehind, {}};
  const Vec3 h2 = s + t2 * u;
  return {accept(h2) ? SphereMeet::kHit : SphereMeet::kRejected, h2};
}

// Transverse coordinate of a hit in a round element's window: the hit's offset (dx, dy) from the
// vertex across the axis angle fi, turned so that it reads left to right whatever the sign of
// sin fi; rounded to single precision.
inline float across_axis_mark(double dx, double dy, double sin_fi, double cos_fi) {
  const double sigma = sin_fi < 0.0 ? -1.0 : 1.0;
  return to_single(sigma * (dx * sin_fi - dy * cos_fi));
}

}  // namespace lumi
