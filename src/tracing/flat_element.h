// The tracing loop shared by the flat elements (diaphragms, flat mirror, grating): each live ray is
// intersected with the element's plane, its segment up to the hit is drawn in the scheme window,
// the ray is moved onto the plane, and the element decides what happens at the hit. The element's
// part is passed as inline callables, so the per-ray path has no indirect calls of its own.
#pragma once

#include <bit>
#include <cmath>
#include <cstdint>
#include <type_traits>

#include "graphics/graphics.h"
#include "model/numeric.h"
#include "tracing/hit_sink.h"
#include "tracing/lanes.h"
#include "tracing/ray.h"
#include "tracing/ray_sweep.h"
#include "tracing/workspace.h"

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

// Where rays from s along u meet the plane: lost where they run parallel to it (|N·u| below
// kParallelLimit) or meet it behind them where that stops them (t < 0 in single precision), else
// at s + t·u. For one ray or N.
template <class T>
struct PlaneMeeting {
  Mask<T> lost;
  T t;
  Vec3Of<T> hit;
};

template <class T>
LUMI_STEP PlaneMeeting<T> meet_plane(const FlatPlane& p, BehindRay behind, const Vec3Of<T>& s,
                                     const Vec3Of<T>& u) {
  const T b = p.nx * u.x + p.ny * u.y + p.nz * u.z;
  Mask<T> lost = lanes_lt(lane_abs(b), kParallelLimit);
  const T t = -(p.nx * s.x + p.c + p.ny * s.y + p.nz * s.z) / b;
  if (behind == BehindRay::kStops) lost |= lanes_lt(lanes_to_single(t), 0.0);
  return {lost, t, s + t * u};
}

// Which beams go through a flat element on lanes, where the processor has them: those whose rays
// each meet the plane in their own way, or every beam, for an element whose own step on lanes
// saves more than working out each crossing once for a run of rays that repeat it.
enum class LanesFor { kNewCrossings, kEveryBeam };

inline bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// A square root that remembers its last argument and result: a parallel beam repeats the argument
// from ray to ray, and the same argument, bit for bit, gives the same result.
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

// How a ray meets the plane apart from its height, kept for the rays after it. A ray of a parallel
// beam that starts where the ray before it started, in the same direction, meets an upright plane
// (N_z = 0) at the same t and the same (x, y), whatever its z: N_z·z is a zero then, whose sign
// (that of z) matters only to a zero sum and is part of the comparison.
class PlaneCrossing {
 public:
  PlaneCrossing(const FlatPlane& plane, BehindRay behind)
      : plane_(plane), behind_(behind), upright_(plane.nz == 0.0) {}

  // Works out the crossing for the ray unless the last one holds for it too; true when worked
  // out anew.
  bool follow(const Ray& ray) {
    if (holds_for(ray)) return false;
    work_out(ray);
    return true;
  }

  // Whether the last crossing is the ray's too.
  bool holds_for(const Ray& ray) const {
    return known_ && upright_ && std::isfinite(ray.z) && std::signbit(ray.z) == z_negative_ &&
           same_bits(ray.x, x_) && same_bits(ray.y, y_) && same_bits(ray.dir_x, dir_x_) &&
           same_bits(ray.dir_y, dir_y_) && same_bits(ray.dir_z, dir_z_);
  }

  // Whether the crossing of `before` holds for `ray`, as holds_for would say had it been the last.
  bool repeats(const Ray& ray, const Ray& before) const {
    return upright_ && std::isfinite(ray.z) && std::isfinite(before.z) &&
           std::signbit(ray.z) == std::signbit(before.z) && same_bits(ray.x, before.x) &&
           same_bits(ray.y, before.y) && same_bits(ray.dir_x, before.dir_x) &&
           same_bits(ray.dir_y, before.dir_y) && same_bits(ray.dir_z, before.dir_z);
  }

  // Takes the crossing of the ray as worked out elsewhere, with the same arithmetic.
  void adopt(const Ray& ray, bool lost, double t, double hit_x, double hit_y) {
    remember(ray);
    lost_ = lost;
    t_ = t;
    hit_x_ = hit_x;
    hit_y_ = hit_y;
    x0_ = to_single(ray.x);
    y0_ = to_single(ray.y);
    x1_ = to_single(hit_x);
    y1_ = to_single(hit_y);
  }

  const FlatPlane& plane() const { return plane_; }
  BehindRay behind() const { return behind_; }

  // The ray runs parallel to the plane, or meets it behind where that stops it.
  bool lost() const { return lost_; }
  double t() const { return t_; }
  double hit_x() const { return hit_x_; }
  double hit_y() const { return hit_y_; }
  // The segment from the ray's start to the hit, in single precision.
  float x0() const { return x0_; }
  float y0() const { return y0_; }
  float x1() const { return x1_; }
  float y1() const { return y1_; }

 private:
  void remember(const Ray& ray) {
    known_ = true;
    x_ = ray.x;
    y_ = ray.y;
    dir_x_ = ray.dir_x;
    dir_y_ = ray.dir_y;
    dir_z_ = ray.dir_z;
    z_negative_ = std::signbit(ray.z);
  }

  void work_out(const Ray& ray) {
    const PlaneMeeting<double> m = meet_plane(plane_, behind_, position_of(ray), direction_of(ray));
    adopt(ray, m.lost != 0, m.t, m.hit.x, m.hit.y);
  }

  FlatPlane plane_;
  BehindRay behind_;
  bool upright_;
  bool known_ = false;
  double x_ = 0.0, y_ = 0.0, dir_x_ = 0.0, dir_y_ = 0.0, dir_z_ = 0.0;
  bool z_negative_ = false;
  bool lost_ = false;
  double t_ = 0.0, hit_x_ = 0.0, hit_y_ = 0.0;
  float x0_ = 0.0f, y0_ = 0.0f, x1_ = 0.0f, y1_ = 0.0f;
};

// What N rays bring to an element's hit step on lanes (see trace_flat): their hits on the plane,
// where they have been moved, their directions and their wavelengths.
template <int N>
struct FlatHitLanes {
  Vec3Lanes<N> at;
  Vec3Lanes<N> direction;
  Lanes<N> wavelength;
};

// An element's hit step for one ray, and for N rays at a time where it has one: the callables'
// call operators side by side.
template <class... Steps>
struct HitSteps : Steps... {
  using Steps::operator()...;
};
template <class... Steps>
HitSteps(Steps...) -> HitSteps<Steps...>;

// The arithmetic of trace_flat's sweep for one ray (see sweep_rays) or N at a time (see
// sweep_ray_groups): the crossing, the segment's pixels and the element's on_hit.
template <class OnHit>
class FlatSweep {
 public:
  using Mark = std::invoke_result_t<OnHit&, Ray&>;
  struct Drawing {
    Mark mark;
    PixelPoint from, to;  // the segment's ends in the scheme window
    bool operator==(const Drawing&) const = default;
  };
  // Whether the element's hit step takes N rays at a time too
  static constexpr bool kHitsOnLanes = std::is_invocable_v<const OnHit&, const FlatHitLanes<4>&>;

  FlatSweep(const OnHit& on_hit, const FlatPlane& plane, BehindRay behind,
            const ViewMapping& scheme_view, const LaneViews& views, const HitSink& hits)
      : hit_(on_hit), crossing_(plane, behind), to_pixels_(scheme_view), views_(views),
        hits_(hits) {}

  // Whether rays on lanes can map their segments (see map_to_pixels).
  bool lanes_map() const { return views_.segment_x.exact && views_.segment_y.exact; }

  // The segment's ends are mapped when the crossing is worked out anew.
  bool operator()(Ray& ray, Drawing& d) {
    if (crossing_.follow(ray) && !crossing_.lost()) {
      from_ = to_pixels_(crossing_.x0(), crossing_.y0());
      to_ = to_pixels_(crossing_.x1(), crossing_.y1());
    }
    return meet_last_crossing(ray, d);
  }

  // N rays at a time, the element's hit step too where it has one for lanes. Otherwise only
  // where they need more than one new crossing: a beam whose rays repeat the crossing of the ray
  // before (rays of a parallel beam, or of a fan, that differ only in height) goes on one ray at a
  // time, working out only the new ones.
  template <int N>
  LUMI_LANES void operator()(LaneCount<N>, Ray* const* rays, int count, RecordSink<Drawing>& out) {
    if constexpr (kHitsOnLanes) {
      if (views_.exact()) {
        hit_in_lanes<N>(rays, count, out);
        return;
      }
    }
    bool fresh[N];
    int fresh_count = 0;
    for (int i = 0; i < count; ++i) {
      const Ray& ray = *rays[i];
      fresh[i] = i == 0 ? !crossing_.holds_for(ray) : !crossing_.repeats(ray, *rays[i - 1]);
      fresh_count += fresh[i];
    }
    if (fresh_count > 1) {
      cross_in_lanes<N>(rays, count, out);
      return;
    }
    for (int i = 0; i < count; ++i) {
      Ray& ray = *rays[i];
      if (fresh[i] ? (*this)(ray, out.next()) : meet_last_crossing(ray, out.next())) out.take();
    }
  }

 private:
  // The ray meets the plane at the last crossing worked out, whose segment pixels are from_, to_.
  bool meet_last_crossing(Ray& ray, Drawing& d) {
    if (crossing_.lost()) {
      ray.alive = 0.0;
      return false;
    }
    move_to_hit(ray, crossing_.t(), crossing_.hit_x(), crossing_.hit_y());
    d = {hit_(ray), from_, to_};
    return true;
  }

  static void move_to_hit(Ray& ray, double t, double hit_x, double hit_y) {
    ray.x = hit_x;
    ray.y = hit_y;
    ray.z = ray.z + t * ray.dir_z;
    ray.path += t;
  }

  // Where N rays meet the plane, as PlaneCrossing works it out for each
  template <int N>
  struct CrossingLanes {
    RayLanes<N> rays;
    LaneMask<N> lost;
    Lanes<N> t;
    Vec3Lanes<N> hit;
  };

  template <int N>
  LUMI_LANES CrossingLanes<N> cross_lanes(Ray* const* rays, int count) const {
    const RayLanes<N> r = load_lanes<N>(rays, count);
    const PlaneMeeting<Lanes<N>> m =
        meet_plane(crossing_.plane(), crossing_.behind(), r.position, r.direction);
    // Built from the components: copied whole, the 3-vector is moved through general registers
    // half a vector at a time
    return {r, m.lost, m.t, {m.hit.x, m.hit.y, m.hit.z}};
  }

  // N rays' crossings on lanes, then the element's hit step one ray at a time.
  template <int N>
  LUMI_LANES void cross_in_lanes(Ray* const* rays, int count, RecordSink<Drawing>& out) {
    const CrossingLanes<N> c = cross_lanes<N>(rays, count);
    const Vec3Lanes<N>& s = c.rays.position;
    const auto x = map_to_pixels(views_.segment_x, singles_of(s.x, c.hit.x));
    const auto y = map_to_pixels(views_.segment_y, singles_of(s.y, c.hit.y));

    for (int i = 0; i < count; ++i) {
      Ray& ray = *rays[i];
      // What the one-ray code would remember after the last ray
      if (i == count - 1) crossing_.adopt(ray, c.lost[i], c.t[i], c.hit.x[i], c.hit.y[i]);
      if (c.lost[i]) {
        ray.alive = 0.0;
        continue;
      }
      from_ = {x[i], y[i]};
      to_ = {x[i + N], y[i + N]};
      move_to_hit(ray, c.t[i], c.hit.x[i], c.hit.y[i]);
      out.next() = {hit_(ray), from_, to_};
      out.take();
    }
  }

  // N rays' crossings and the element's hit step on lanes. The hit step gives back, for each
  // lane, the mark's coordinates u and v in the element's window and finish(i, ray, pixel), which
  // stops or turns ray i as the one-ray step does and returns its mark.
  template <int N>
  LUMI_LANES void hit_in_lanes(Ray* const* rays, int count, RecordSink<Drawing>& out) {
    const CrossingLanes<N> c = cross_lanes<N>(rays, count);
    const auto hits = hit_(FlatHitLanes<N>{c.hit, c.rays.direction, c.rays.wavelength});
    const HitPixels<N> p = map_hits(views_, c.rays.position, c.hit, hits.u, hits.v);

    for (int i = 0; i < count; ++i) {
      Ray& ray = *rays[i];
      if (c.lost[i]) {
        ray.alive = 0.0;
        continue;
      }
      move_to_hit(ray, c.t[i], c.hit.x[i], c.hit.y[i]);
      out.next() = {hits.finish(i, ray, p.mark(i)), p.from(i), p.to(i)};
      // The mark's coordinates, rounded to single precision as the one-ray step rounds them
      hits_.put(ray, static_cast<float>(hits.u[i]), static_cast<float>(hits.v[i]),
                ray.alive != 0.0);
      out.take();
    }
  }

  OnHit hit_;
  PlaneCrossing crossing_;
  PointMapper to_pixels_;
  LaneViews views_;
  HitSink hits_;
  PixelPoint from_, to_;
};

// Whether most of the first live rays repeat the crossing of the live ray before them, as the
// rays of a parallel beam or a fan that differ only in height do: such a beam gains nothing from
// working out several rays at a time, since one ray at a time works out only every so many.
inline bool mostly_repeated(RayBundle& rays, const PlaneCrossing& crossing) {
  constexpr int kSample = 256;
  int seen = 0, repeated = 0;
  const Ray* before = nullptr;
  for (const Ray& ray : rays) {
    if (ray.alive == 0.0) continue;
    if (before != nullptr) repeated += crossing.repeats(ray, *before);
    before = &ray;
    if (++seen == kSample) break;
  }
  return 2 * repeated >= seen;
}

// Traces every live ray onto the plane and returns how many were drawn (rays that reached it,
// stopped ones included). The element's part comes in three pieces:
//   on_hit(ray) runs once the ray has been moved to the hit and its path extended: it makes the
//     aperture test, stops or turns the ray, and returns what the hit mark needs (a record of its
//     own, comparable with ==). It is the arithmetic of a sweep (see sweep_rays): copied for every
//     block, it keeps what it remembers to itself and draws nothing. It may also take N rays at
//     a time, on_hit(FlatHitLanes<N>) (see HitSteps and FlatSweep::hit_in_lanes): rays that each
//     meet the plane in their own way then go through the element on lanes from start to end;
//   before_segment() runs before each segment is drawn (the diaphragms select the scheme window and
//     colour 1 there);
//   draw_mark(mark) draws the hit mark in the element's window, mark_window.
// `hits` takes the hits the marks show (see HitSink): the step on lanes puts them here, from the
// marks' coordinates u and v and whether the ray goes on; the one-ray step puts its own.
// `lanes_for` says which beams go through on lanes (see LanesFor); an element without a step on
// lanes takes them only for the crossings.
// Each ray draws its segment up to the hit in the scheme window, then its mark. When the marks have
// a window of their own, a ray whose segment and mark repeat those of the ray drawn before it is
// not drawn again: the same drawing once more would change neither a pixel nor any colour or
// window choice.
template <class OnHit, class BeforeSegment, class DrawMark>
int trace_flat(Workspace& ws, RayBundle& rays, const FlatPlane& plane, BehindRay behind,
               LanesFor lanes_for, int mark_window, const OnHit& on_hit,
               BeforeSegment&& before_segment, DrawMark&& draw_mark, const HitSink& hits = {}) {
  Graphics& g = ws.graphics;
  using Sweep = FlatSweep<OnHit>;
  using Drawing = typename Sweep::Drawing;
  const Sweep compute(on_hit, plane, behind, g.mapping(1, 1), lane_views(g, mark_window), hits);
  const auto draw = [&](const Drawing& d) {
    before_segment();
    g.draw_pixel_segment(1, d.from, d.to);
    draw_mark(d.mark);
  };
  const bool skip_repeats = mark_window != 1;
  const bool every_beam = lanes_for == LanesFor::kEveryBeam && Sweep::kHitsOnLanes;
  if (ws.lanes > 1 && compute.lanes_map() &&
      (every_beam || !mostly_repeated(rays, PlaneCrossing(plane, behind)))) {
    return sweep_ray_groups<Drawing>(ws.pool, rays, ws.lanes, skip_repeats, compute, draw);
  }
  return sweep_rays<Drawing>(ws.pool, rays, skip_repeats, compute, draw);
}

}  // namespace lumi
