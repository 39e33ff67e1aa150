// The spherical lens: a thick lens between two spherical or flat surfaces with a circular
// aperture, its index chosen for each ray by wavelength from a table of pairs. Rays are refracted
// into the glass at surface 1 in one sweep over the bundle, and out of it at surface 2 in a second.
//
// Record slots read:
//   1  type code (42; negative = switched off)
//   2  parameter count N = 8 + 2m for m wavelength and index pairs
//   3  D   aperture diameter of both surfaces, scheme length units
//   4  Xo  x of the lens centre O, midway between the vertices
//   5  Yo  y of the lens centre (z = 0)
//   6  Fi  axis angle, degrees; axis a = (cos Fi, sin Fi, 0); light travels against a
//   7  R1  signed radius of surface 1 (vertex at O + T/2·a), 0 = flat, > 0 convex toward +a
//   8  R2  signed radius of surface 2 (vertex at O - T/2·a), 0 = flat, > 0 convex toward -a
//   9  T   centre thickness, scheme length units
//   9 + 2j  wavelength of pair j (j = 1..m), in the units of the rays' wavelength
//   10 + 2j index of pair j; slot 12 is also the index when no pair is nearer
#include <algorithm>
#include <cmath>
#include <cstddef>

#include "elements/elements.h"
#include "elements/round_element.h"
#include "elements/spherical_surface.h"
#include "tracing/degrees.h"
#include "tracing/element_window.h"
#include "tracing/flat_element.h"
#include "tracing/hit_marks.h"
#include "tracing/hit_sink.h"
#include "tracing/lanes.h"
#include "tracing/ray_sweep.h"

namespace lumi {

namespace {

// The most pairs the 200 slots of a record can hold.
constexpr int kMaxPairs = (kSlotCount - 10) / 2;

// One surface of the lens in the frame of one call.
struct Surface {
  double r = 0.0;     // signed radius, 0 = flat
  Vec3 vertex;
  Vec3 centre;        // of curvature, when curved
  double plane_c = 0.0;  // a·P + plane_c = 0, when flat
  double rmax2 = 0.0;    // squared distance from the vertex to the rim, when curved
};

struct LensFrame {
  double sin_fi = 0.0, cos_fi = 0.0;
  Vec3 axis;
  double diameter = 0.0;
  Surface entry, exit;
  int pairs = 0;
};

LensFrame lens_frame(const ElementRecord& e) {
  LensFrame f;
  f.sin_fi = sin_deg(e.slot(6));
  f.cos_fi = cos_deg(e.slot(6));
  f.axis = {f.cos_fi, f.sin_fi, 0.0};
  f.diameter = e.slot(3);
  const Vec3 o{e.slot(4), e.slot(5), 0.0};
  const double half_t = static_cast<double>(e.slot(9)) / 2.0;
  const double half_d = f.diameter / 2.0;

  f.entry.r = e.slot(7);
  f.entry.vertex = o + half_t * f.axis;
  f.entry.centre = o + (half_t - f.entry.r) * f.axis;
  f.exit.r = e.slot(8);
  f.exit.vertex = o - half_t * f.axis;
  f.exit.centre = o - (half_t - f.exit.r) * f.axis;
  for (Surface* s : {&f.entry, &f.exit}) {
    s->plane_c = -dot(f.axis, s->vertex);
    s->rmax2 = cap_rim_distance2(s->r, half_d);
  }

  const int pairs = (e.parameter_count() - 8) / 2;
  f.pairs = pairs > kMaxPairs ? kMaxPairs : pairs;
  return f;
}

// The index for a wavelength: that of the nearest pair, the earlier of two equally near ones,
// slot 12 when there is no pair.
double index_for(const ElementRecord& e, int pairs, double wavelength) {
  double n = e.slot(12);
  double best = 1e10;
  for (int j = 1; j <= pairs; ++j) {
    const double distance = std::abs(wavelength - static_cast<double>(e.slot(9 + 2 * j)));
    if (distance < best) {
      best = distance;
      n = e.slot(10 + 2 * j);
    }
  }
  return n;
}

// The unit normal of a curved surface at h: away from the centre for a positive radius, toward it
// for a negative one.
template <class T>
LUMI_STEP Vec3Of<T> surface_normal(const Surface& s, const Vec3Of<T>& h) {
  const Vec3Of<T> centre = in_every_lane<T>(s.centre);
  const Vec3Of<T> w = s.r > 0.0 ? h - centre : centre - h;
  const T l = lane_sqrt(dot(w, w));
  return {w.x / l, w.y / l, w.z / l};
}

// The part of u across the unit normal m: u - (u·m)·m.
template <class T>
LUMI_STEP Vec3Of<T> tangential(const Vec3Of<T>& u, const Vec3Of<T>& m) {
  const T um = dot(u, m);
  return {u.x - um * m.x, u.y - um * m.y, u.z - um * m.z};
}

// Where rays meet a surface: whether each reached it, the hit and the unit normal there.
template <class T>
struct SurfaceMeeting {
  Mask<T> reached;
  Vec3Of<T> hit, normal;
};

// The acceptance of a root at a curved surface: the ray runs against the unit normal there
// (accept_sign -1, into the glass) or along it (+1, out of it). It keeps the normal of each root
// it was asked about: the normal at the root taken is the normal at the hit.
template <class T>
struct NormalTest {
  const Surface& s;
  const Vec3Of<T>& u;
  int accept_sign;
  Vec3Of<T> normal[2];

  LUMI_STEP Mask<T> operator()(const Vec3Of<T>& h, int root) {
    normal[root] = surface_normal<T>(s, h);
    const T un = dot(u, normal[root]);
    return accept_sign < 0 ? lanes_lt(un, 0.0) : lanes_gt(un, 0.0);
  }
};

// A curved surface met in the sphere's two steps: the larger root with its normal, then the rest.
template <class T>
struct LargerRoot {
  SphereRoots<T> roots;
  Vec3Of<T> normal;
};

template <class T>
LUMI_STEP void larger_surface_root(const Surface& s, int accept_sign, const Vec3Of<T>& start,
                                   const Vec3Of<T>& u, LargerRoot<T>& larger) {
  NormalTest<T> test{s, u, accept_sign, {}};
  larger.roots = larger_sphere_root<T>(start, u, s.centre, s.r, test);
  larger.normal = test.normal[0];
}

template <class T>
LUMI_STEP SurfaceMeeting<T> curved_meeting(const Surface& s, int accept_sign,
                                           const LargerRoot<T>& larger, const Vec3Of<T>& start,
                                           const Vec3Of<T>& u) {
  NormalTest<T> test{s, u, accept_sign, {larger.normal, {}}};
  const SphereMeeting<T> meet = smaller_sphere_root<T>(larger.roots, start, u, test);
  return {meet.met & (meet.first | meet.second), meet.point,
          select(meet.first, test.normal[0], test.normal[1])};
}

// A flat surface is met anywhere ahead or behind, unless the ray runs parallel to it.
template <class T>
LUMI_STEP SurfaceMeeting<T> flat_meeting(const Surface& s, const Vec3& axis,
                                         const Vec3Of<T>& start, const Vec3Of<T>& u) {
  const Vec3Of<T> a = in_every_lane<T>(axis);
  const T q = dot(a, u);
  SurfaceMeeting<T> meet{~lanes_lt(lane_abs(q), kParallelLimit), {}, a};
  if (one_ray_without(meet.reached)) return meet;
  const T t = -(dot(a, start) + s.plane_c) / q;
  meet.hit = start + t * u;
  return meet;
}

template <class T>
LUMI_STEP SurfaceMeeting<T> meet_surface(const Surface& s, const Vec3& axis, int accept_sign,
                                         const Vec3Of<T>& start, const Vec3Of<T>& u) {
  if (s.r == 0.0) return flat_meeting<T>(s, axis, start, u);
  LargerRoot<T> larger;
  larger_surface_root<T>(s, accept_sign, start, u, larger);
  return curved_meeting<T>(s, accept_sign, larger, start, u);
}

// Whether hits lie beyond the surface's aperture.
template <class T>
LUMI_STEP Mask<T> outside_aperture(const Surface& s, double diameter, const Vec3Of<T>& hit) {
  const Vec3Of<T> rel = hit - in_every_lane<T>(s.vertex);
  if (s.r == 0.0) return lanes_gt(2.0 * lane_sqrt(dot(rel, rel)), diameter);
  return lanes_gt(dot(rel, rel), s.rmax2);
}

// What a surface does to the rays that reached it: which it `turns` (to `direction`), which go on
// (`passed`; each of them is turned) and which are drawn. One ray leaves undone what it does not
// read.
template <class T>
struct SurfaceTurn {
  Mask<T> turns, passed, drawn;
  Vec3Of<T> direction;
};

// Surface 1: into the glass. A ray the index cannot refract (no positive index, or a direction
// that would leave the unit sphere) is lost at the entry point.
template <class T>
LUMI_STEP SurfaceTurn<T> enter(const LensFrame& f, const SurfaceMeeting<T>& meet,
                               const Vec3Of<T>& u, T n) {
  const Mask<T> yes = ~Mask<T>{};
  SurfaceTurn<T> x{Mask<T>{}, Mask<T>{}, yes, {}};
  const Mask<T> outside = outside_aperture<T>(f.entry, f.diameter, meet.hit);
  // A flat face refracts even a ray it stops; a curved one leaves its direction.
  const Mask<T> turning = f.entry.r == 0.0 ? yes : ~outside;
  if (one_ray_without(turning & lanes_gt(n, 0.0))) return x;
  const Vec3Of<T> across = tangential(u, meet.normal);
  const Vec3Of<T> w{across.x / n, across.y / n, across.z / n};
  const T root2 = 1.0 - dot(w, w);
  const Mask<T> refracted = lanes_gt(n, 0.0) & lanes_ge(root2, 0.0);
  x.turns = turning & refracted;
  x.passed = ~outside & refracted;
  if (one_ray_without(x.turns)) return x;
  x.direction = w - lane_sqrt(root2) * meet.normal;
  return x;
}

// Surface 2: out of the glass. A ray turned back by total internal reflection is lost there,
// neither drawn nor counted.
template <class T>
LUMI_STEP SurfaceTurn<T> leave(const LensFrame& f, const SurfaceMeeting<T>& meet,
                               const Vec3Of<T>& u, T n) {
  const bool flat = f.exit.r == 0.0;
  const Mask<T> yes = ~Mask<T>{};
  SurfaceTurn<T> x{Mask<T>{}, Mask<T>{}, yes, {}};
  const Mask<T> outside = outside_aperture<T>(f.exit, f.diameter, meet.hit);
  // The flat face sends even a ray it stops toward -a, whatever side it came from; a curved one
  // leaves a stopped ray's direction.
  const Mask<T> turning = flat ? yes : ~outside;
  if (one_ray_without(turning)) return x;
  const Vec3Of<T> w = n * tangential(u, meet.normal);
  const T root2 = 1.0 - dot(w, w);
  const Mask<T> turned_back =
      turning & (flat ? lanes_lt(root2, 0.0) : lanes_lt(lanes_to_single(root2), 0.0));
  x.drawn = ~turned_back;
  x.turns = turning & ~turned_back;
  x.passed = ~outside & ~turned_back;
  if (one_ray_without(x.turns)) return x;
  const T root = lane_sqrt(root2);
  x.direction = flat ? w - root * meet.normal : w + root * meet.normal;
  return x;
}

template <bool kEntering, class T>
LUMI_STEP SurfaceTurn<T> turn_at(const LensFrame& f, const SurfaceMeeting<T>& meet,
                                 const Vec3Of<T>& u, const T& n) {
  if constexpr (kEntering) {
    return enter<T>(f, meet, u, n);
  } else {
    return leave<T>(f, meet, u, n);
  }
}

// The coordinate across the axis of hits' marks on surface s.
template <class T>
LUMI_STEP void mark_across(const LensFrame& f, const Surface& s, const Vec3Of<T>& hit, T& across) {
  across = across_axis(hit.x - s.vertex.x, hit.y - s.vertex.y, f.sin_fi, f.cos_fi);
}

// What a ray's crossing of a surface draws: the segment from where it started to its new position
// in the scheme window (in the window's current colour), and the mark of the crossing relative to
// the surface's vertex in window k, in colour 1 for a ray that is lost there. The mark comes
// first: rays one after another differ in it most often, so a comparison ends there soonest.
// It fills 32 bytes, the eight 32-bit fields in which lanes write it whole.
struct Crossing {
  alignas(16) PixelPoint mark;
  PixelPoint from, to;
  bool lost;
  bool operator==(const Crossing&) const = default;
};
static_assert(sizeof(Crossing) == 32 && offsetof(Crossing, from) == 8 &&
              offsetof(Crossing, to) == 16 && offsetof(Crossing, lost) == 24);

// The index of the last wavelength asked for: the rays of one wavelength come one after another.
class IndexMemo {
 public:
  IndexMemo(const ElementRecord& e, int pairs) : e_(&e), pairs_(pairs) {}
  double of(double wavelength) {
    if (!known_ || !same_bits(wavelength, wavelength_)) {
      known_ = true;
      wavelength_ = wavelength;
      n_ = index_for(*e_, pairs_, wavelength);
    }
    return n_;
  }
  // The index of the last wavelength asked for, and that wavelength.
  bool known() const { return known_; }
  double last_wavelength() const { return wavelength_; }
  double last_index() const { return n_; }

 private:
  const ElementRecord* e_;
  int pairs_;
  bool known_ = false;
  double wavelength_ = 0.0, n_ = 0.0;
};

// What one sweep's arithmetic keeps from ray to ray: the mappings of the scheme window and of the
// lens window, and the index.
struct SweepMemo {
  PointMapper segment, mark;
  IndexMemo index;
  HitSink hits;
};

void map_crossing(SweepMemo& memo, const LensFrame& f, const Surface& s, const Vec3& start,
                  const Ray& ray, Crossing& c) {
  c.from = memo.segment(to_single(start.x), to_single(start.y));
  c.to = memo.segment(to_single(ray.x), to_single(ray.y));
  double across;
  mark_across(f, s, position_of(ray), across);
  const float u_p = to_single(across);
  c.mark = memo.mark(u_p, to_single(ray.z));
  c.lost = ray.alive == 0.0;
  memo.hits.put(ray, u_p, to_single(ray.z), !c.lost);
}

void draw_crossing(Graphics& g, HitMarks& marks, const Crossing& c) {
  g.draw_pixel_segment(1, c.from, c.to);
  marks.plot(c.mark, c.lost ? color::kRay : color::kPassingHit);
}

// One ray through surface 1 into the glass (kEntering) or through surface 2 out of it. Returns
// whether the ray is drawn, with what it draws in `c`; a ray that misses the surface is lost.
template <bool kEntering>
bool cross_surface(const LensFrame& f, Ray& ray, SweepMemo& memo, Crossing& c) {
  const Surface& s = kEntering ? f.entry : f.exit;
  const double n = memo.index.of(ray.wavelength);
  const Vec3 start = position_of(ray);
  const Vec3 u = direction_of(ray);
  const SurfaceMeeting<double> meet =
      meet_surface<double>(s, f.axis, kEntering ? -1 : +1, start, u);
  if (!meet.reached) {
    ray.alive = 0.0;
    return false;
  }
  set_position(ray, meet.hit);
  const SurfaceTurn<double> turn = turn_at<kEntering>(f, meet, u, n);
  if (turn.turns) set_direction(ray, turn.direction);
  if (!turn.passed) ray.alive = 0.0;
  if (!turn.drawn) return false;
  map_crossing(memo, f, s, start, ray, c);
  return true;
}

// The same two surfaces N rays at a time, for curved surfaces (a flat one costs no square root
// and stays with one ray at a time): the same steps, on lanes.

// Mostly every lane has the wavelength asked for last. Equal wavelengths, +0 and -0 included, have
// the same index.
template <int N>
LUMI_STEP void indices_of(const RayLanes<N>& r, IndexMemo& index, Lanes<N>& n) {
  if (index.known() && !any_lane(~lanes_eq(r.wavelength, index.last_wavelength()))) {
    n = splat<N>(index.last_index());
    return;
  }
  for (int i = 0; i < N; ++i) {
    n[i] = i < r.count ? index.of(r.rays[i]->wavelength) : n[r.count - 1];
  }
}

// What ray i of the lanes draws.
template <int N>
LUMI_LANES Crossing crossing_of(const HitPixels<N>& p, int i, const Ray& ray) {
  return {p.mark(i), p.from(i), p.to(i), ray.alive == 0.0};
}

// Moves ray i of the lanes to its hit; false when it missed the surface.
template <int N>
LUMI_LANES bool move_to_hit(const RayLanes<N>& r, const SurfaceMeeting<Lanes<N>>& meet, int i) {
  Ray& ray = *r.rays[i];
  if (!meet.reached[i]) {
    ray.alive = 0.0;
    return false;
  }
  ray.x = meet.hit.x[i];
  ray.y = meet.hit.y[i];
  ray.z = meet.hit.z[i];
  return true;
}

// N rays at a curved surface: their index, the larger root, then where they meet it.
template <int N>
struct SurfaceCrossingLanes {
  RayLanes<N> r;
  Lanes<N> n;
  LargerRoot<Lanes<N>> larger;
  SurfaceMeeting<Lanes<N>> meet;
};

template <int N>
LUMI_LANES void meet_larger_root(const Surface& s, int accept_sign, Ray* const* rays, int count,
                                 IndexMemo& index, SurfaceCrossingLanes<N>& x) {
  x.r = load_lanes<N>(rays, count);
  indices_of(x.r, index, x.n);
  larger_surface_root<Lanes<N>>(s, accept_sign, x.r.position, x.r.direction, x.larger);
}

// The groups of rays a sweep hands over at once. Each group's chain of square roots and
// divisions is longer than the processor looks ahead, so the crossings of a batch are worked out
// a step at a time, each step for every group before the next: the groups' chains then overlap.
constexpr int kBatchGroups = 4;

template <int N>
using CrossingBatch = SurfaceCrossingLanes<N>[kBatchGroups];

// Where the rays[0..count) of a batch meet a surface; returns the number of groups.
template <int N>
LUMI_LANES int meet_in_batch(const Surface& s, int accept_sign, Ray* const* rays, int count,
                             IndexMemo& index, CrossingBatch<N>& batch) {
  const int groups = (count + N - 1) / N;
  for (int g = 0; g < groups; ++g) {
    meet_larger_root(s, accept_sign, rays + g * N, std::min(N, count - g * N), index, batch[g]);
  }
  for (int g = 0; g < groups; ++g) {
    SurfaceCrossingLanes<N>& x = batch[g];
    x.meet = curved_meeting<Lanes<N>>(s, accept_sign, x.larger, x.r.position, x.r.direction);
  }
  return groups;
}

template <int N>
LUMI_LANES void set_direction(Ray& ray, const Vec3Lanes<N>& d, int i) {
  ray.dir_x = d.x[i];
  ray.dir_y = d.y[i];
  ray.dir_z = d.z[i];
}

// Mostly every ray of a full group reaches the surface and is turned: then the rays are written
// back whole, none of them is lost, and their records are written whole from the lanes. Returns
// false, doing nothing, for any other group.
template <int N>
LUMI_LANES bool take_all_turned(const RayLanes<N>& r, LaneMask<N> turned_lanes,
                                const Vec3Lanes<N>& hit, const Vec3Lanes<N>& turned,
                                const HitPixels<N>& p, RecordSink<Crossing>& out) {
  if (!full_and_every_lane(r.count, turned_lanes)) return false;
  store_rays(r.rays, hit, turned);
  using P = HitPixels<N>;
  const IntLanes<N> not_lost{}, unused{};
  const IntLanes<N> fields[8] = {P::starts(p.mark_x), P::starts(p.mark_y), P::starts(p.x),
                                 P::starts(p.y),      P::ends(p.x),        P::ends(p.y),
                                 not_lost,            unused};
  take_columns<N>(out, fields, 6);
  return true;
}

// The hits the lanes mark, for the sink: the mark's coordinates of each ray `marked`, `passed`
// where the ray goes on.
template <int N>
LUMI_LANES void put_hits(const HitSink& hits, const SurfaceCrossingLanes<N>& x, Lanes<N> across,
                         LaneMask<N> marked, LaneMask<N> passed) {
  if (hits.slots == nullptr) return;
  for (int i = 0; i < x.r.count; ++i) {
    if (!marked[i]) continue;
    hits.put(*x.r.rays[i], static_cast<float>(across[i]), static_cast<float>(x.meet.hit.z[i]),
             passed[i] != 0);
  }
}

// One group of rays through surface 1 (kEntering) or surface 2, once met.
template <bool kEntering, int N>
LUMI_LANES void cross_group(const LensFrame& f, const LaneViews& views, const HitSink& hits,
                            const SurfaceCrossingLanes<N>& x, RecordSink<Crossing>& out) {
  const SurfaceMeeting<Lanes<N>>& meet = x.meet;
  const SurfaceTurn<Lanes<N>> turn = turn_at<kEntering>(f, meet, x.r.direction, x.n);
  Lanes<N> across;
  mark_across(f, kEntering ? f.entry : f.exit, meet.hit, across);
  const HitPixels<N> p = map_hits(views, x.r.position, meet.hit, across, meet.hit.z);
  put_hits(hits, x, across, meet.reached & turn.drawn, turn.passed);
  if (take_all_turned<N>(x.r, meet.reached & turn.passed, meet.hit, turn.direction, p, out)) {
    return;
  }
  for (int i = 0; i < x.r.count; ++i) {
    Ray& ray = *x.r.rays[i];
    if (!move_to_hit(x.r, meet, i)) continue;
    if (turn.turns[i]) set_direction<N>(ray, turn.direction, i);
    if (!turn.passed[i]) ray.alive = 0.0;
    if (turn.drawn[i]) out.take(crossing_of(p, i, ray));
  }
}

// The lanes' arithmetic of one sweep, into the glass or out of it; each block's copy keeps its own
// index memo.
struct SurfaceSweepLanes {
  static constexpr int kGroups = kBatchGroups;
  const LensFrame& f;
  const LaneViews& views;
  IndexMemo index;
  bool entering;
  HitSink hits;

  template <int N>
  LUMI_LANES void operator()(LaneCount<N>, Ray* const* rays, int count, RecordSink<Crossing>& out) {
    CrossingBatch<N> batch;
    const Surface& s = entering ? f.entry : f.exit;
    const int groups = meet_in_batch(s, entering ? -1 : +1, rays, count, index, batch);
    for (int g = 0; g < groups; ++g) {
      if (entering) {
        cross_group<true>(f, views, hits, batch[g], out);
      } else {
        cross_group<false>(f, views, hits, batch[g], out);
      }
    }
  }
};

// The lens section in the scheme window, in the lens frame (u along the axis, v across it).
void draw_outline(Graphics& g, const ElementRecord& e) {
  const float d = e.slot(3), xo = e.slot(4), yo = e.slot(5), fi = e.slot(6);
  const float r1 = e.slot(7), r2 = e.slot(8), t = e.slot(9);
  const float h = d / 2.0f;

  // Centres of curvature and rims on the axis
  const float c1 = t / 2.0f - r1;
  const float c2 = r2 - t / 2.0f;
  const float e1 =
      r1 != 0.0f ? t / 2.0f - r1 * (1.0f - std::sqrt(1.0f - (h / r1) * (h / r1))) : t / 2.0f;
  const float e2 =
      r2 != 0.0f ? -t / 2.0f + r2 * (1.0f - std::sqrt(1.0f - (h / r2) * (h / r2))) : -t / 2.0f;

  // Arc angles of the two surfaces
  float s1 = 0.0f, f1 = 0.0f, s2 = 0.0f, f2 = 0.0f;
  if (r1 < 0.0f) {
    s1 = atan2_deg_f(h / r1, (e1 - c1) / r1);
    f1 = atan2_deg_f(-h / r1, (e1 - c1) / r1);
    if (f1 < s1) f1 += 360.0f;
  } else if (r1 > 0.0f) {
    s1 = atan2_deg_f(-h / r1, (e1 - c1) / r1);
    f1 = atan2_deg_f(h / r1, (e1 - c1) / r1);
  }
  if (r2 < 0.0f) {
    s2 = atan2_deg_f(-h / r2, (e2 - c2) / r2);
    f2 = atan2_deg_f(h / r2, (e2 - c2) / r2);
  } else if (r2 > 0.0f) {
    s2 = atan2_deg_f(h / r2, (e2 - c2) / r2);
    f2 = atan2_deg_f(-h / r2, (e2 - c2) / r2);
  }
  if (r2 != 0.0f && f2 < s2) f2 += 360.0f;

  // Upper edge, surface 1, lower edge, surface 2
  draw_rotated_to(g, 1, 1, e2, h, kMove, xo, yo, fi);
  draw_rotated_to(g, 1, 1, e1, h, kLine, xo, yo, fi);
  if (r1 == 0.0f) {
    draw_rotated_to(g, 1, 1, e1, -h, kLine, xo, yo, fi);
  } else {
    draw_rotated_arc(g, 1, 1, c1, 0.0f, r1, s1, f1, xo, yo, fi);
  }
  draw_rotated_to(g, 1, 1, e1, -h, kMove, xo, yo, fi);
  draw_rotated_to(g, 1, 1, e2, -h, kLine, xo, yo, fi);
  if (r2 == 0.0f) {
    draw_rotated_to(g, 1, 1, e2, h, kLine, xo, yo, fi);
  } else {
    draw_rotated_arc(g, 1, 1, c2, 0.0f, r2, s2, f2, xo, yo, fi);
  }
}

}  // namespace

void draw_rotated_to(Graphics& g, int window, int view, float u, float v, int pen, float ox,
                     float oy, float angle) {
  const float c = cos_deg_f(angle), s = sin_deg_f(angle);
  g.draw_to(window, view, ox + u * c - v * s, oy + u * s + v * c, pen);
}

void draw_rotated_arc(Graphics& g, int window, int view, float cu, float cv, float radius,
                      float a_start, float a_end, float ox, float oy, float angle) {
  for (int i = 1; i <= 20; ++i) {
    const float theta = a_start + static_cast<float>(i - 1) * (a_end - a_start) / 19.0f;
    draw_rotated_to(g, window, view, cu + radius * cos_deg_f(theta), cv + radius * sin_deg_f(theta),
                    i == 1 ? kMove : kLine, ox, oy, angle);
  }
}

void prepare_spherical_lens(Workspace& ws, const ElementRecord& e, int k, int mode) {
  Graphics& g = ws.graphics;
  if (mode != kOutlineOnly) {
    open_round_element_window(ws, k, "  Сферическая линза", e.slot(4), e.slot(5), e.slot(3));
    return_to_scheme_window(g, e);
  }
  draw_outline(g, e);
}

// No colour is selected while the scheme window is current: the segments take whatever colour
// the elements before left there.
void trace_spherical_lens(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k) {
  Graphics& g = ws.graphics;
  const LensFrame f = lens_frame(e);

  // The marks of both surfaces are the window's hits: those of the entry in the record's spare
  // slots, those of the exit in its slots
  const HitSink entry_hits = hit_sink(ws, k, rays, true);
  if (entry_hits.slots != nullptr) ws.results->hits_of(k)->spare_sweep = entry_hits.sweep;
  const SweepMemo memo{PointMapper(g.mapping(1, 1)), PointMapper(g.mapping(k, 1)),
                       IndexMemo(e, f.pairs), entry_hits};
  const auto entering = [&f, memo = memo](Ray& ray, Crossing& c) mutable {
    return cross_surface<true>(f, ray, memo, c);
  };
  const LaneViews views = lane_views(g, k);
  const SurfaceSweepLanes entering_lanes{f, views, memo.index, true, entry_hits};
  HitMarks marks(g, k, ws.painted);
  const auto draw = [&g, &marks](const Crossing& c) { draw_crossing(g, marks, c); };
  const bool lanes = ws.lanes > 1 && views.exact();
  if (lanes && f.entry.r != 0.0) {
    sweep_ray_groups<Crossing>(ws.pool, rays, ws.lanes, k != 1, entering_lanes, draw);
  } else {
    sweep_rays<Crossing>(ws.pool, rays, k != 1, entering, draw);
  }

  const HitSink exit_hits = hit_sink(ws, k, rays);
  const auto leaving = [&f, memo = SweepMemo{memo.segment, memo.mark, memo.index, exit_hits}](
                           Ray& ray, Crossing& c) mutable { return cross_surface<false>(f, ray, memo, c); };
  const SurfaceSweepLanes leaving_lanes{f, views, memo.index, false, exit_hits};
  const int drawn =
      lanes && f.exit.r != 0.0
          ? sweep_ray_groups<Crossing>(ws.pool, rays, ws.lanes, k != 1, leaving_lanes, draw)
          : sweep_rays<Crossing>(ws.pool, rays, k != 1, leaving, draw);
  marks.choose_last_color(k, 1);

  log_count(ws, " Линза: вышло", drawn);
}

}  // namespace lumi
