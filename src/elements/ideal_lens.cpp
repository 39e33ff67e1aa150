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

// Where rays cross the lens and where they go from there, for one ray or for N on lanes. A ray
// parallel to the lens meets it nowhere: the rest of its lane means nothing then.
template <class T>
struct LensCrossing {
  Mask<T> parallel;
  T t;
  Vec3Of<T> at;
  T across;  // the mark's signed distance from the centre, along the lens; its height is at.z
  Mask<T> passes, stopped, aims;
  Vec3Of<T> aimed;

  // Moves ray i onto the lens and stops it or turns it as its lane says; its direction stays where
  // it is not aimed anew.
  LUMI_STEP void finish(int i, Ray& ray) const {
    ray.x = lane(at.x, i);
    ray.y = lane(at.y, i);
    ray.z = lane(at.z, i);
    ray.path += lane(t, i);
    if (lane(stopped, i) != 0) ray.alive = 0.0;
    if (lane(aims, i) != 0) {
      ray.dir_x = lane(aimed.x, i);
      ray.dir_y = lane(aimed.y, i);
      ray.dir_z = lane(aimed.z, i);
    }
  }
};

// The lens plane is crossed behind the ray or ahead of it. Every ray that goes on is aimed at the
// focal point of its direction, but one through that very point keeps its way.
template <class T>
LUMI_STEP LensCrossing<T> cross_lens(const IdealLens& lens, const Vec3Of<T>& s,
                                     const Vec3Of<T>& u) {
  // Filled in place: on lanes, a crossing put together at the end went through the stack piece by
  // piece. The normal multiplies as it is, the same number in every lane, with no addition that
  // would turn a -0 into +0 on lanes alone.
  LensCrossing<T> c;
  const Vec3& n = lens.n;
  const T q = n.x * u.x + n.y * u.y + n.z * u.z;
  c.parallel = lanes_lt(lane_abs(q), kParallelLimit);
  c.t = -(n.x * s.x + n.y * s.y + n.z * s.z + lens.c) / q;
  c.at = s + c.t * u;
  const Vec3Of<T>& h = c.at;

  const T dx = h.x - lens.xo, dy = h.y - lens.yo;
  c.across = lane_signed_by(lane_select(lanes_eq(dx, 0.0), dy, dx), lane_sqrt(dx * dx + dy * dy));
  const T s2 = dx * dx + dy * dy + h.z * h.z;
  c.passes = ~lanes_ge(s2, lens.marked_outside);
  c.stopped = lanes_ge(s2, lens.stopped);

  const Vec3Of<T> focus{lens.xo + lens.f * u.x / q, lens.yo + lens.f * u.y / q, lens.f * u.z / q};
  const Vec3Of<T> to_focus = focus - h;
  const T l = lane_sqrt(dot(to_focus, to_focus));
  c.aims = ~(c.stopped | lanes_eq(l, 0.0));
  c.aimed = {to_focus.x / l, to_focus.y / l, to_focus.z / l};
  return c;
}

// The sweep's step (cross_lens) on N rays at a time.
template <int N>
LUMI_LANES void refract_lanes(const IdealLens& lens, const LaneViews& views, Ray* const* rays,
                              int count, RecordSink<LensDrawing>& out) {
  const RayLanes<N> r = load_lanes<N>(rays, count);
  const LensCrossing<Lanes<N>> c = cross_lens<Lanes<N>>(lens, r.position, r.direction);
  const HitPixels<N> p = map_hits(views, r.position, c.at, c.across, c.at.z);

  // Mostly every ray of a full group is aimed anew: then the rays are written back whole
  if (full_and_every_lane(count, c.aims & ~c.parallel)) {
    store_rays(rays, c.at, c.aimed);
    for (int i = 0; i < N; ++i) {
      lens.hits.put(*rays[i], static_cast<float>(c.across[i]), static_cast<float>(c.at.z[i]),
                    c.passes[i] != 0);
      out.take({p.mark(i), p.from(i), p.to(i), c.passes[i] != 0});
      rays[i]->path += c.t[i];
    }
    return;
  }
  for (int i = 0; i < count; ++i) {
    Ray& ray = *rays[i];
    if (c.parallel[i]) {
      ray.alive = 0.0;
      continue;
    }
    out.next() = {p.mark(i), p.from(i), p.to(i), c.passes[i] != 0};
    out.take();
    lens.hits.put(ray, static_cast<float>(c.across[i]), static_cast<float>(c.at.z[i]),
                  c.passes[i] != 0);
    c.finish(i, ray);
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

  const IdealLens lens{xo, yo, f, n, c, marked_outside, stopped, hits};
  using Drawing = LensDrawing;
  const auto compute = [=, segment_pixel = PointMapper(g.mapping(1, 1)),
                        mark_pixel = PointMapper(g.mapping(k, 1))](Ray& ray, Drawing& d) mutable {
    const Vec3 s = position_of(ray);
    const LensCrossing<double> c = cross_lens<double>(lens, s, direction_of(ray));
    if (c.parallel != 0) {
      ray.alive = 0.0;
      return false;
    }
    d.from = segment_pixel(to_single(s.x), to_single(s.y));
    d.to = segment_pixel(to_single(c.at.x), to_single(c.at.y));
    const float u = to_single(c.across), v = to_single(c.at.z);
    d.passes = c.passes != 0;
    d.mark = mark_pixel(u, v);
    hits.put(ray, u, v, d.passes);
    c.finish(0, ray);
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
