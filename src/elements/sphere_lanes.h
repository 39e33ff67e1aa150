// meet_sphere on N rays at a time (see tracing/lanes.h): the same roots, the same choice
// between them, lane by lane; and the elements' vectors in every lane.
#pragma once

#include "elements/spherical_surface.h"
#include "tracing/lanes.h"

namespace lumi {

// The same vector in every lane.
template <int N>
LUMI_LANES Vec3Lanes<N> in_every_lane(const Vec3& v) {
  return splat<N>(v.x, v.y, v.z);
}

// How each lane met the sphere, as SphereMeet says it: `met` (not kMissed), `first` (the larger
// root taken), `behind` (the smaller one negative, when the larger was not taken) and `second`
// (the smaller root taken). `point` is the last point accept was asked about: the larger root's
// where it was taken, the smaller one's elsewhere.
template <int N>
struct SphereLanes {
  LaneMask<N> met, first, behind, second;
  Vec3Lanes<N> point;
};

// accept(h, root) answers for the points h of root 0 (the larger) and then, unless every lane
// that met the sphere took it, of root 1 (the smaller); it may keep what it worked out for each.
template <int N, class Accept>
LUMI_LANES SphereLanes<N> meet_sphere_lanes(const Vec3Lanes<N>& s, const Vec3Lanes<N>& u,
                                            const Vec3& c, double r, Accept& accept) {
  const Vec3Lanes<N> sc = s - in_every_lane<N>(c);
  const Lanes<N> a = dot(u, u);
  const Lanes<N> b = 2.0 * dot(sc, u);
  const Lanes<N> c2 = dot(sc, sc) - r * r;
  const Lanes<N> disc = b * b - 4.0 * a * c2;
  const LaneMask<N> met = lanes_ge(disc, 0.0);
  const Lanes<N> root = lane_sqrt(disc);

  const Lanes<N> t1 = (-b + root) / (2.0 * a);
  const Vec3Lanes<N> h1 = s + t1 * u;
  const LaneMask<N> first = lanes_ge(t1, 0.0) & accept(h1, 0);
  const LaneMask<N> none = met & ~met;
  if (!any_lane(met & ~first)) return {met, first, none, none, h1};

  const Lanes<N> t2 = (-b - root) / (2.0 * a);
  const Vec3Lanes<N> h2 = s + t2 * u;
  const LaneMask<N> second = lanes_ge(t2, 0.0) & accept(h2, 1);
  return {met, first, ~first & lanes_lt(t2, 0.0), ~first & second, select(first, h1, h2)};
}

// across_axis_mark on lanes, before its rounding to single precision (map_hits rounds).
template <class V>
LUMI_LANES V across_axis_marks(V dx, V dy, double sin_fi, double cos_fi) {
  const double sigma = sin_fi < 0.0 ? -1.0 : 1.0;
  return sigma * (dx * sin_fi - dy * cos_fi);
}

}  // namespace lumi
