// The spherical mirror: a circular cap of a sphere (or a flat disc) with an optional central hole.
// Rays meeting it inside the ring between hole and rim are reflected; the others are stopped.
//
// Record slots read:
//   1  type code (32; negative = switched off)
//   2  parameter count: 5 plain, 6 (any count above 5) with a central hole
//   3  D   aperture diameter, scheme length units
//   4  Xo  x of the vertex
//   5  Yo  y of the vertex (z = 0)
//   6  Fi  axis angle in the scheme plane, degrees; the axis is (cos Fi, sin Fi, 0)
//   7  R   signed radius of curvature, 0 = flat; the centre lies at vertex + R·axis
//   8  d   diameter of the central hole, scheme length units
#include <cmath>

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

struct MirrorSlots {
  float d, xo, yo, fi, r, hole;
  int count;
};

MirrorSlots read_slots(const ElementRecord& e) {
  return {e.slot(3), e.slot(4), e.slot(5), e.slot(6), e.slot(7), e.slot(8), e.parameter_count()};
}

// One arc of 21 points of the circle (cx, cy, rho), from angle a1 to a2, beginning with a move.
void draw_arc21(Graphics& g, float cx, float cy, float rho, float a1, float a2) {
  for (int i = 1; i <= 21; ++i) {
    const float theta = a1 + static_cast<float>(i - 1) * 0.05f * (a2 - a1);
    g.draw_to(1, 1, cx + rho * cos_deg_f(theta), cy + rho * sin_deg_f(theta),
              i == 1 ? kMove : kLine);
  }
}

// The section of the mirror in the scheme window: a segment across the axis for a flat mirror,
// an arc of the sphere for a curved one, left open over the hole.
void draw_outline(Graphics& g, const MirrorSlots& m) {
  const bool has_hole = m.count > 5;
  if (m.r == 0.0f) {
    const float s = m.d / 2.0f;
    const float sn = sin_deg_f(m.fi), cs = cos_deg_f(m.fi);
    g.draw_to(1, 1, m.xo - s * sn, m.yo + s * cs, kMove);
    if (has_hole) {
      const float t = m.hole / 2.0f;
      g.draw_to(1, 1, m.xo - t * sn, m.yo + t * cs, kLine);
      g.draw_to(1, 1, m.xo + t * sn, m.yo - t * cs, kMove);
    }
    g.draw_to(1, 1, m.xo + s * sn, m.yo - s * cs, kLine);
    return;
  }

  // Centre of curvature; the vertex is seen from it at angle phi + 180
  float rho = std::abs(m.r);
  float phi = m.fi;
  if (m.r < 0.0f) {
    rho = -m.r;
    phi = m.fi + 180.0f;
  }
  const float cx = m.xo + rho * cos_deg_f(phi);
  const float cy = m.yo + rho * sin_deg_f(phi);
  const float alpha = asin_deg_f(m.d / 2.0f / rho);
  const float a1 = phi + 180.0f - alpha;
  const float a2 = phi + 180.0f + alpha;
  if (!has_hole) {
    draw_arc21(g, cx, cy, rho, a1, a2);
    return;
  }
  const float beta = asin_deg_f(m.hole / 2.0f / rho);
  draw_arc21(g, cx, cy, rho, a1, phi + 180.0f - beta);
  draw_arc21(g, cx, cy, rho, phi + 180.0f + beta, a2);
}

// Squared distance from the vertex to the edge of a circle of this diameter on the mirror.
double limit_distance2(double r, double diameter) {
  const double half = diameter / 2.0;
  return r == 0.0 ? half * half : cap_rim_distance2(r, half);
}

// The mirror in the frame of one call.
struct MirrorFrame {
  double sin_fi, cos_fi, r;
  Vec3 vertex, centre;
  double rmax2, rin2;
  // A flat mirror's plane n·P + plane_c = 0, and its normal in single precision, which reflects
  Vec3 normal;
  double plane_c;
  Vec3 normal_single;
  HitSink hits;
};

// What a ray draws: its hit mark, unless it only touches the sphere, then its segment
struct MirrorDrawing {
  PixelPoint mark;
  bool marked, stopped;
  PixelPoint from, to;
  bool operator==(const MirrorDrawing&) const = default;
};

// The curved mirror's normal at a hit, unnormalised: toward the centre, away from it when R < 0.
template <class T>
LUMI_STEP Vec3Of<T> mirror_normal(const MirrorFrame& m, const Vec3Of<T>& h) {
  const Vec3Of<T> centre = in_every_lane<T>(m.centre);
  return m.r < 0.0 ? h - centre : centre - h;
}

// A root is taken where the ray runs against the mirror's normal.
template <class T>
struct AgainstNormal {
  const MirrorFrame& m;
  const Vec3Of<T>& u;

  LUMI_STEP Mask<T> operator()(const Vec3Of<T>& h, int) const {
    return lanes_lt(dot(u, mirror_normal<T>(m, h)), 0.0);
  }
};

// What the mirror does to rays: whether each `reached` it (a ray that misses it, or meets it only
// behind, is lost), the hit, whether `marked` there (a ray that only touches the sphere is drawn up
// to it and goes on unchanged) and `stopped` (outside the ring between hole and rim), the mark
// across the axis and the reflected direction. One ray leaves undone what it does not read.
template <class T>
struct MirrorReflection {
  Mask<T> reached, marked, stopped;
  Vec3Of<T> hit;
  T across;
  Vec3Of<T> turned;
};

// The mark of a hit on the mirror, and whether the ring stops the ray there.
template <class T>
LUMI_STEP void mark_on_mirror(const MirrorFrame& m, MirrorReflection<T>& x) {
  const Vec3Of<T> rel = x.hit - in_every_lane<T>(m.vertex);
  const T r2 = dot(rel, rel);
  x.stopped = lanes_gt(r2, m.rmax2) | lanes_lt(r2, m.rin2);
  x.across = across_axis(rel.x, rel.y, m.sin_fi, m.cos_fi);
}

template <class T>
LUMI_STEP MirrorReflection<T> reflect(const MirrorFrame& m, const Vec3Of<T>& s,
                                      const Vec3Of<T>& u) {
  AgainstNormal<T> test{m, u};
  const SphereMeeting<T> meet = meet_sphere<T>(s, u, m.centre, m.r, test);
  MirrorReflection<T> x;
  x.reached = meet.met & ~meet.behind;
  x.marked = meet.first | meet.second;
  x.hit = meet.point;
  if (one_ray_without(x.marked)) return x;
  mark_on_mirror(m, x);
  if (one_ray_without(~x.stopped)) return x;
  // u' = u - 2(u·W)/|W| · W/|W|, evaluated left to right
  const Vec3Of<T> w = mirror_normal<T>(m, x.hit);
  const T wl = lane_sqrt(dot(w, w));
  const T f = 2.0 * dot(u, w) / wl;
  x.turned = u - Vec3Of<T>{f * w.x / wl, f * w.y / wl, f * w.z / wl};
  return x;
}

// The flat mirror, one ray at a time: it costs no square root that lanes would share out.
MirrorReflection<double> reflect_flat(const MirrorFrame& m, const Vec3& s, const Vec3& u) {
  MirrorReflection<double> x;
  const double q = dot(u, m.normal);
  x.reached = x.marked = lanes_ge(std::abs(q), kParallelLimit);
  if (!x.reached) return x;
  const double t = -(dot(m.normal, s) + m.plane_c) / q;
  x.hit = s + t * u;
  mark_on_mirror(m, x);
  if (!x.stopped) x.turned = u - 2.0 * dot(u, m.normal_single) * m.normal_single;
  return x;
}

template <int N>
LUMI_LANES void reflect_lanes(const MirrorFrame& m, const LaneViews& views, Ray* const* rays,
                              int count, RecordSink<MirrorDrawing>& out) {
  const RayLanes<N> r = load_lanes<N>(rays, count);
  const MirrorReflection<Lanes<N>> x = reflect<Lanes<N>>(m, r.position, r.direction);
  const Vec3Lanes<N>& hit = x.hit;
  const HitPixels<N> p = map_hits(views, r.position, hit, x.across, hit.z);

  // Mostly every ray of a full group is reflected: then the rays are written back whole
  if (full_and_every_lane(count, x.marked & ~x.stopped)) {
    for (int i = 0; i < N; ++i) {
      m.hits.put(*rays[i], static_cast<float>(x.across[i]), static_cast<float>(hit.z[i]), true);
    }
    store_rays(rays, hit, x.turned);
    for (int i = 0; i < N; ++i) out.take({p.mark(i), true, false, p.from(i), p.to(i)});
    return;
  }
  for (int i = 0; i < count; ++i) {
    Ray& ray = *rays[i];
    if (!x.reached[i]) {
      ray.alive = 0.0;
      continue;
    }
    MirrorDrawing& d = out.next();
    d = {};
    d.marked = x.marked[i];
    if (x.marked[i]) {
      d.stopped = x.stopped[i];
      d.mark = p.mark(i);
      m.hits.put(ray, static_cast<float>(x.across[i]), static_cast<float>(hit.z[i]), !d.stopped);
      if (x.stopped[i]) {
        ray.alive = 0.0;
      } else {
        ray.x = hit.x[i];
        ray.y = hit.y[i];
        ray.z = hit.z[i];
        ray.dir_x = x.turned.x[i];
        ray.dir_y = x.turned.y[i];
        ray.dir_z = x.turned.z[i];
      }
    }
    d.from = p.from(i);
    d.to = p.to(i);
    out.take();
  }
}

// The geometry of one trace.
MirrorFrame mirror_frame(const MirrorSlots& m, const HitSink& hits) {
  const double sin_fi = sin_deg(m.fi), cos_fi = cos_deg(m.fi);
  const double r = m.r;
  return {sin_fi,
          cos_fi,
          r,
          {m.xo, m.yo, 0.0},
          {m.xo + r * cos_fi, m.yo + r * sin_fi, 0.0},
          limit_distance2(r, m.d),
          m.count > 5 ? to_single(limit_distance2(r, m.hole)) : 0.0,
          {cos_fi, sin_fi, 0.0},
          to_single(-(m.xo * cos_fi + m.yo * sin_fi)),
          {to_single(cos_fi), to_single(sin_fi), 0.0},
          hits};
}

}  // namespace

void prepare_spherical_mirror(Workspace& ws, const ElementRecord& e, int k, int mode) {
  const MirrorSlots m = read_slots(e);
  Graphics& g = ws.graphics;
  if (mode != kOutlineOnly) {
    open_round_element_window(ws, k, "  Круглое сферическое зеркало", m.xo, m.yo, m.d);
    if (m.count > 5) draw_aperture_circle(g, k, m.hole);
    return_to_scheme_window(g, e);
  }
  draw_outline(g, m);
}

void trace_spherical_mirror(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k) {
  const MirrorSlots m = read_slots(e);
  Graphics& g = ws.graphics;

  const bool flat = m.r == 0.0f;
  const MirrorFrame frame = mirror_frame(m, hit_sink(ws, k, rays));

  using Drawing = MirrorDrawing;
  const auto compute = [frame, flat, mark_pixel = PointMapper(g.mapping(k, 1)),
                        segment_pixel = PointMapper(g.mapping(1, 1))](Ray& ray,
                                                                       Drawing& d) mutable {
    const Vec3 s = position_of(ray);
    const Vec3 u = direction_of(ray);
    const MirrorReflection<double> x =
        flat ? reflect_flat(frame, s, u) : reflect<double>(frame, s, u);
    if (!x.reached) {
      ray.alive = 0.0;
      return false;
    }
    d = {};
    d.marked = x.marked;
    if (x.marked) {
      // Mark the hit, then reflect it or stop the ray where it was
      d.stopped = x.stopped;
      const float across = to_single(x.across);
      d.mark = mark_pixel(across, to_single(x.hit.z));
      frame.hits.put(ray, across, to_single(x.hit.z), !d.stopped);
      if (d.stopped) {
        ray.alive = 0.0;
      } else {
        set_position(ray, x.hit);
        set_direction(ray, x.turned);
      }
    }
    d.from = segment_pixel(to_single(s.x), to_single(s.y));
    d.to = segment_pixel(to_single(x.hit.x), to_single(x.hit.y));
    return true;
  };
  HitMarks marks(g, k, ws.painted);
  const auto draw = [&](const Drawing& d) {
    if (d.marked) marks.plot(d.mark, d.stopped ? color::kRay : color::kPassingHit);
    g.draw_pixel_segment(1, d.from, d.to);
  };
  const LaneViews views = lane_views(g, k);
  const auto compute_lanes = [&frame, &views](auto lanes, Ray* const* group, int count,
                                              RecordSink<Drawing>& out) LUMI_LANES_ATTRIBUTES {
    reflect_lanes<lanes()>(frame, views, group, count, out);
  };
  const int drawn =
      ws.lanes > 1 && !flat && views.exact()
          ? sweep_ray_groups<Drawing>(ws.pool, rays, ws.lanes, k != 1, compute_lanes, draw)
          : sweep_rays<Drawing>(ws.pool, rays, k != 1, compute, draw);
  marks.choose_last_color(k, 1);

  log_count(ws, " Круглое сферическое зеркало: нарисовано", drawn);
}

}  // namespace lumi
