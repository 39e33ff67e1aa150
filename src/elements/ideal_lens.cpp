// The ideal lens: a thin, aberration-free disc that sends every ray crossing it toward the point
// of its focal plane where the undeviated ray through its centre with the same direction arrives.
// It keeps no count and writes no log line.
//
// Record slots read:
//   1  type code (41; negative = switched off)
//   3  D   aperture diameter, scheme length units
//   4  Xo  x of the lens centre
//   5  Yo  y of the lens centre (z = 0)
//   6  Fi  axis angle in the scheme plane, degrees; light travels against (cos Fi, sin Fi, 0)
//   7  F   focal length, scheme length units
#include <cmath>

#include "elements/elements.h"
#include "elements/round_element.h"
#include "elements/sphere_lanes.h"
#include "elements/spherical_surface.h"
#include "tracing/degrees.h"
#include "tracing/element_window.h"
#include "tracing/flat_element.h"
#include "tracing/hit_marks.h"
#include "tracing/hit_sink.h"
#include "tracing/lanes.h"
#include "tracing/ray_sweep.h"
#include "tracing/sum_bound.h"

namespace lumi {

void prepare_ideal_lens(Workspace& ws, const ElementRecord& e, int k, int mode) {
  const float d = e.slot(3), xo = e.slot(4), yo = e.slot(5), fi = e.slot(6);
  Graphics& g = ws.graphics;
  if (mode != kOutlineOnly) {
    open_round_element_window(ws, k, "  Идеальная линза", xo, yo, d);
    return_to_scheme_window(g, e);
  }
  draw_across_segment(g, xo, yo, fi, d / 2.0f);
}

namespace {

// What a ray draws: its segment up to the lens, then its mark in the colour of the aperture test.
// The mark comes first, as the field in which rays one after another differ most often.
struct LensDrawing {
  PixelPoint mark, from, to;
  bool passes;
  bool operator==(const LensDrawing&) const = default;
};

// The lens in the frame of one call: the plane n·P + c = 0, its normal along the travel of the
// light it works for, and the squared distances from the centre that mark a hit in colour 1 and
// that stop the ray.
struct IdealLens {
  double xo, yo, f;
  Vec3 n;
  double c;
  double marked_outside, stopped;
  HitSink hits;
};

// The sweep's one-ray arithmetic (trace_ideal_lens) on N rays at a time.
template <int N>
LUMI_LANES void refract_lanes(const IdealLens& lens, const LaneViews& views, Ray* const* rays,
                              int count, RecordSink<LensDrawing>& out) {
  const RayLanes<N> r = load_lanes<N>(rays, count);
  const Vec3Lanes<N>& s = r.position;
  const Vec3Lanes<N>& u = r.direction;
  const Vec3Lanes<N> n = in_every_lane<N>(lens.n);
  const Lanes<N> q = dot(n, u);
  const LaneMask<N> parallel = lanes_lt(q, kParallelLimit) & lanes_gt(q, -kParallelLimit);
  const Lanes<N> t = -(dot(n, s) + lens.c) / q;
  const Vec3Lanes<N> h = s + t * u;

  const Lanes<N> dx = h.x - lens.xo, dy = h.y - lens.yo;
  const Lanes<N> across = lane_sqrt(dx * dx + dy * dy);
  const Lanes<N> u_p = lane_signed_by(dx == 0.0 ? dy : dx, across);
  const Lanes<N> s2 = dx * dx + dy * dy + h.z * h.z;
  const LaneMask<N> passes = ~lanes_ge(s2, lens.marked_outside);
  const LaneMask<N> stopped = lanes_ge(s2, lens.stopped);
  const HitPixels<N> p = map_hits(views, s, h, u_p, h.z);

  // Aim at the focal point of this direction; a ray through that very point keeps its way
  const Vec3Lanes<N> focus{lens.xo + lens.f * u.x / q, lens.yo + lens.f * u.y / q,
                           lens.f * u.z / q};
  const Vec3Lanes<N> to_focus = focus - h;
  const Lanes<N> l = lane_sqrt(dot(to_focus, to_focus));
  const Vec3Lanes<N> aimed{to_focus.x / l, to_focus.y / l, to_focus.z / l};

  // Mostly every ray of a full group is aimed anew: then the rays are written back whole
  if (full_and_every_lane(count, ~(parallel | stopped | lanes_eq(l, 0.0)))) {
    store_rays(rays, h, aimed);
    for (int i = 0; i < N; ++i) {
      lens.hits.put(*rays[i], static_cast<float>(u_p[i]), static_cast<float>(h.z[i]),
                    passes[i] != 0);
      out.take({p.mark(i), p.from(i), p.to(i), passes[i] != 0});
      rays[i]->path += t[i];
    }
    return;
  }
  for (int i = 0; i < count; ++i) {
    Ray& ray = *rays[i];
    if (parallel[i]) {
      ray.alive = 0.0;
      continue;
    }
    out.next() = {p.mark(i), p.from(i), p.to(i), passes[i] != 0};
    out.take();
    lens.hits.put(ray, static_cast<float>(u_p[i]), static_cast<float>(h.z[i]), passes[i] != 0);
    ray.x = h.x[i];
    ray.y = h.y[i];
    ray.z = h.z[i];
    ray.path += t[i];
    if (stopped[i]) {
      ray.alive = 0.0;
    } else if (l[i] != 0.0) {
      ray.dir_x = aimed.x[i];
      ray.dir_y = aimed.y[i];
      ray.dir_z = aimed.z[i];
    }
  }
}

}  // namespace

void trace_ideal_lens(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k) {
  const double diameter = e.slot(3), xo = e.slot(4), yo = e.slot(5), f = e.slot(7);
  const double fi = e.slot(6);
  Graphics& g = ws.graphics;

  // The aperture: rho = 2·sqrt(s2) beyond the diameter in single precision marks a hit in colour
  // 1; beyond it in double precision stops the ray
  const double marked_outside = least_sum_where(
      single_diameter_of, [d = static_cast<float>(diameter)](float rho) { return rho > d; });
  const double stopped =
      least_sum_where(diameter_of, [diameter](double rho) { return rho > diameter; });

  // The lens plane n·P + c = 0, its normal along the travel of the light it works for
  const Vec3 n{-cos_deg(fi), -sin_deg(fi), 0.0};
  const double c = -(xo * n.x + yo * n.y);
  const HitSink hits = hit_sink(ws, k, rays);

  using Drawing = LensDrawing;
  const auto compute = [=, segment_pixel = PointMapper(g.mapping(1, 1)),
                        mark_pixel = PointMapper(g.mapping(k, 1))](Ray& ray, Drawing& d) mutable {
    const Vec3 s = position_of(ray);
    const Vec3 u = direction_of(ray);

    // Cross the lens plane, behind the ray or ahead of it
    const double q = dot(n, u);
    if (std::abs(q) < kParallelLimit) {
      ray.alive = 0.0;
      return false;
    }
    const double t = -(dot(n, s) + c) / q;
    const Vec3 h = s + t * u;
    d.from = segment_pixel(to_single(s.x), to_single(s.y));
    d.to = segment_pixel(to_single(h.x), to_single(h.y));
    set_position(ray, h);
    ray.path += t;

    // Mark the crossing
    const double dx = h.x - xo, dy = h.y - yo;
    const double across = std::sqrt(dx * dx + dy * dy);
    const float u_p = to_single(signed_by(dx == 0.0 ? dy : dx, across));
    const double s2 = dx * dx + dy * dy + h.z * h.z;
    d.passes = !(s2 >= marked_outside);
    d.mark = mark_pixel(u_p, to_single(h.z));
    hits.put(ray, u_p, to_single(h.z), d.passes);
    if (s2 >= stopped) {
      ray.alive = 0.0;
      return true;
    }

    // Aim at the focal point of this direction; a ray through that very point keeps its way.
    const Vec3 focus{xo + f * u.x / q, yo + f * u.y / q, f * u.z / q};
    const Vec3 to_focus = focus - h;
    const double l = length(to_focus);
    if (l != 0.0) set_direction(ray, Vec3{to_focus.x / l, to_focus.y / l, to_focus.z / l});
    return true;
  };
  // The mark's colour is chosen while the scheme window is still current, so the scheme window
  // keeps the colour of the last mark.
  HitMarks marks(g, k, ws.painted);
  const auto draw = [&](const Drawing& d) {
    marks.choose_segment_color(color::kRay);
    g.draw_pixel_segment(1, d.from, d.to);
    marks.plot(d.mark, d.passes ? color::kPassingHit : color::kRay);
  };
  const LaneViews views = lane_views(g, k);
  const IdealLens lens{xo, yo, f, n, c, marked_outside, stopped, hits};
  const auto compute_lanes = [&lens, &views](auto lanes, Ray* const* group, int count,
                                             RecordSink<Drawing>& out) LUMI_LANES_ATTRIBUTES {
    refract_lanes<lanes()>(lens, views, group, count, out);
  };
  if (ws.lanes > 1 && views.exact()) {
    sweep_ray_groups<Drawing>(ws.pool, rays, ws.lanes, k != 1, compute_lanes, draw);
  } else {
    sweep_rays<Drawing>(ws.pool, rays, k != 1, compute, draw);
  }
  marks.choose_last_color(1, k);
}

}  // namespace lumi
