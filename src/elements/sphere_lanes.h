// meet_sphere on N rays at a time (see tracing/lanes.h): the same roots, the same choice
// between them, lane by lane; and the elements' vectors in every lane.
#pragma once

#include "elements/spherical_surface.h"
#include "tracing/lanes.h"

namespace lumi {

// How each lane met the sphere, as SphereMeet says it: `met` (not kMissed), `first` (the larger
// root taken), `behind` (the smaller one negative, when the larger was not taken) and `second`
// (the smaller root taken). `point` is the last point accept was asked about: the larger root's
// where it was taken, the smaller one's elsewhere.
template <int N>
struct SphereLanes {
  LaneMask<N> met, first, behind, second;
  Vec3Lanes<N> point;
};

// The roots of one meeting of N rays with a sphere, the larger one asked about first: what the
// smaller one needs of the larger one's arithmetic, where any lane goes on to it.
template <int N>
struct SphereRootsLanes {
  Lanes<N> b, root, a;
  LaneMask<N> met, first;
  Vec3Lanes<N> first_point;
};

// accept(h, root) answers for the points h of root 0 (the larger) and then, unless every lane
// that met the sphere took it, of root 1 (the smaller); it may keep what it worked out for each.
// In two steps: the larger root, then the smaller one where needed; the steps of several groups
// of rays may be taken one after another, so that the long chains of their arithmetic overlap.
template <int N, class Accept>
LUMI_LANES SphereRootsLanes<N> larger_sphere_root(const Vec3Lanes<N>& s, const Vec3Lanes<N>& u,
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
  return {b, root, a, met, first, h1};
}

template <int N, class Accept>
LUMI_LANES SphereLanes<N> smaller_sphere_root(const SphereRootsLanes<N>& roots,
                                              const Vec3Lanes<N>& s, const Vec3Lanes<N>& u,
                                              Accept& accept) {
  const LaneMask<N> none = roots.met & ~roots.met;
  if (!any_lane(roots.met & ~roots.first)) {
    return {roots.met, roots.first, none, none, roots.first_point};
  }
  const Lanes<N> t2 = (-roots.b - roots.root) / (2.0 * roots.a);
  const Vec3Lanes<N> h2 = s + t2 * u;
  const LaneMask<N> second = lanes_ge(t2, 0.0) & accept(h2, 1);
  const LaneMask<N> first = roots.first;
  return {roots.met, first, ~first & lanes_lt(t2, 0.0), ~first & second,
          select(first, roots.first_point, h2)};
}

template <int N, class Accept>
LUMI_LANES SphereLanes<N> meet_sphere_lanes(const Vec3Lanes<N>& s, const Vec3Lanes<N>& u,
                                            const Vec3& c, double r, Accept& accept) {
  return smaller_sphere_root<N>(larger_sphere_root<N>(s, u, c, r, accept), s, u, accept);
}

// across_axis_mark on lanes, before its rounding to single precision (map_hits rounds).
template <class V>
LUMI_LANES V across_axis_marks(V dx, V dy, double sin_fi, double cos_fi) {
  const double sigma = sin_fi < 0.0 ? -1.0 : 1.0;
  return sigma * (dx * sin_fi - dy * cos_fi);
}

}  // namespace lumi
