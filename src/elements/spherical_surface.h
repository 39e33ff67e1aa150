// What the spherical mirror and the spherical lens share: a vector's length, the meeting of a ray
// with a sphere and the choice between its two roots, the squared distance from a cap's vertex to
// its rim, and the mark of a hit in a round element's window. The steps serve one ray (T =
// double) and N rays in lanes (T = Lanes<N>) alike, with the same arithmetic (lane_math.h).
#pragma once

#include <cmath>
#include <type_traits>

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

// The roots of one meeting with a sphere, the larger one asked about first: what the smaller one
// needs of the larger one's arithmetic. `met`: the line meets the sphere (a NaN discriminant does
// not: nothing is met that cannot be computed); `first`: the larger root is ahead and accepted.
template <class T>
struct SphereRoots {
  T b, root, a;
  Mask<T> met, first;
  Vec3Of<T> first_point;
};

// How the rays met the sphere: `met` as above, `first` (the larger root taken), `behind` (the
// smaller one negative, when the larger was not taken) and `second` (the smaller root taken).
// `point` is the last point accept was asked about: the larger root's where it was taken, the
// smaller one's elsewhere.
template <class T>
struct SphereMeeting {
  Mask<T> met, first, behind, second;
  Vec3Of<T> point;
};

// Meets the rays s + t·u with the sphere |P - c| = |r|, solving a·t² + b·t + c2 = 0. The larger
// root is taken where it is not negative and accept(h, 0) holds; otherwise the smaller one, unless
// it is negative or accept(h, 1) does not hold either. accept may keep what it worked out for each
// root. In two steps, the larger root then the smaller one, so that the steps of several groups of
// rays may be taken one after another and the long chains of their arithmetic overlap; the
// smaller root is worked out only where some ray needs it, and one ray asks accept only about a
// root ahead of it.
template <class T, class Accept>
LUMI_STEP SphereRoots<T> larger_sphere_root(const Vec3Of<T>& s, const Vec3Of<T>& u, const Vec3& c,
                                            double r, Accept& accept) {
  const Vec3Of<T> sc = s - in_every_lane<T>(c);
  const T a = dot(u, u);
  const T b = 2.0 * dot(sc, u);
  const T c2 = dot(sc, sc) - r * r;
  const T disc = b * b - 4.0 * a * c2;
  SphereRoots<T> roots;
  roots.met = lanes_ge(disc, 0.0);
  if (one_ray_without(roots.met)) {
    roots.first = roots.met;
    return roots;
  }
  roots.b = b;
  roots.a = a;
  roots.root = lane_sqrt(disc);
  const T t1 = (-b + roots.root) / (2.0 * a);
  roots.first_point = s + t1 * u;
  roots.first = lanes_ge(t1, 0.0);
  if (!one_ray_without(roots.first)) roots.first &= accept(roots.first_point, 0);
  return roots;
}

template <class T, class Accept>
LUMI_STEP SphereMeeting<T> smaller_sphere_root(const SphereRoots<T>& roots, const Vec3Of<T>& s,
                                               const Vec3Of<T>& u, Accept& accept) {
  SphereMeeting<T> meet{roots.met, roots.first, Mask<T>{}, Mask<T>{}, roots.first_point};
  if (!any_lane(roots.met & ~roots.first)) return meet;
  const T t2 = (-roots.b - roots.root) / (2.0 * roots.a);
  const Vec3Of<T> h2 = s + t2 * u;
  Mask<T> second = lanes_ge(t2, 0.0);
  if (!one_ray_without(second)) second &= accept(h2, 1);
  meet.behind = ~roots.first & lanes_lt(t2, 0.0);
  meet.second = ~roots.first & second;
  meet.point = select(roots.first, roots.first_point, h2);
  return meet;
}

template <class T, class Accept>
LUMI_STEP SphereMeeting<T> meet_sphere(const Vec3Of<T>& s, const Vec3Of<T>& u, const Vec3& c,
                                       double r, Accept& accept) {
  return smaller_sphere_root<T>(larger_sphere_root<T>(s, u, c, r, accept), s, u, accept);
}

// Transverse coordinate of a hit in a round element's window: the hit's offset (dx, dy) from the
// vertex across the axis angle fi, turned so that it reads left to right whatever the sign of
// sin fi; the mark is this rounded to single precision.
template <class T>
LUMI_STEP T across_axis(T dx, T dy, double sin_fi, double cos_fi) {
  const double sigma = sin_fi < 0.0 ? -1.0 : 1.0;
  return sigma * (dx * sin_fi - dy * cos_fi);
}

}  // namespace lumi
