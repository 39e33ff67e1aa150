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
#include "elements/sphere_lanes.h"
#include "elements/spherical_surface.h"
#include "tracing/degrees.h"
#include "tracing/element_window.h"
#include "tracing/flat_element.h"
#include "tracing/hit_marks.h"
#include "tracing/hit_sink.h"
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

// The curved mirror four rays at a time (a flat one stays with one ray at a time): what the
// one-ray arithmetic of trace_spherical_mirror does, lane by lane.
struct CurvedMirror {
  double sin_fi, cos_fi, r;
  Vec3 vertex, centre;
  double rmax2, rin2;
  HitSink hits;
};

// What a ray draws: its hit mark, unless it only touches the sphere, then its segment
struct MirrorDrawing {
  PixelPoint mark;
  bool marked, stopped;
  PixelPoint from, to;
  bool operator==(const MirrorDrawing&) const = default;
};

// The mirror's normal at a hit, unnormalised: toward the centre, away from it when R < 0.
template <int N>
LUMI_LANES Vec3Lanes<N> mirror_normal(const CurvedMirror& m, const Vec3Lanes<N>& h) {
  const Vec3Lanes<N> centre = in_every_lane<N>(m.centre);
  return m.r < 0.0 ? h - centre : centre - h;
}

// A root is taken where the ray runs against the mirror's normal.
template <int N>
struct AgainstNormal {
  const CurvedMirror& m;
  const Vec3Lanes<N>& u;

  LUMI_LANES LaneMask<N> operator()(const Vec3Lanes<N>& h, int) const {
    return lanes_lt(dot(u, mirror_normal<N>(m, h)), 0.0);
  }
};

template <int N>
LUMI_LANES void reflect_lanes(const CurvedMirror& m, const LaneViews& views, Ray* const* rays,
                              int count, RecordSink<MirrorDrawing>& out) {
  const RayLanes<N> r = load_lanes<N>(rays, count);
  const Vec3Lanes<N>& u = r.direction;
  AgainstNormal<N> test{m, u};
  const SphereLanes<N> meet = meet_sphere_lanes<N>(r.position, u, m.centre, m.r, test);
  const LaneMask<N> marked = meet.first | meet.second;
  const Vec3Lanes<N>& hit = meet.point;

  const Vec3Lanes<N> rel = hit - in_every_lane<N>(m.vertex);
  const Lanes<N> r2 = dot(rel, rel);
  const LaneMask<N> stopped = lanes_gt(r2, m.rmax2) | lanes_lt(r2, m.rin2);
  // u' = u - 2(u·W)/|W| · W/|W|, evaluated left to right
  const Vec3Lanes<N> w = mirror_normal<N>(m, hit);
  const Lanes<N> wl = lane_sqrt(dot(w, w));
  const Lanes<N> f = 2.0 * dot(u, w) / wl;
  const Vec3Lanes<N> turned = u - Vec3Lanes<N>{f * w.x / wl, f * w.y / wl, f * w.z / wl};
  const Lanes<N> across = across_axis_marks(rel.x, rel.y, m.sin_fi, m.cos_fi);
  const HitPixels<N> p = map_hits(views, r.position, hit, across, hit.z);

  // Mostly every ray of a full group is reflected: then the rays are written back whole
  if (full_and_every_lane(count, marked & ~stopped)) {
    for (int i = 0; i < N; ++i) {
      m.hits.put(*rays[i], static_cast<float>(across[i]), static_cast<float>(hit.z[i]), true);
    }
    store_rays(rays, hit, turned);
    for (int i = 0; i < N; ++i) out.take({p.mark(i), true, false, p.from(i), p.to(i)});
    return;
  }
  for (int i = 0; i < count; ++i) {
    Ray& ray = *rays[i];
    if (!meet.met[i] || meet.behind[i]) {
      ray.alive = 0.0;
      continue;
    }
    MirrorDrawing& d = out.next();
    d = {};
    d.marked = marked[i];
    if (marked[i]) {
      d.stopped = stopped[i];
      d.mark = p.mark(i);
      m.hits.put(ray, static_cast<float>(across[i]), static_cast<float>(hit.z[i]), !d.stopped);
      if (stopped[i]) {
        ray.alive = 0.0;
      } else {
        ray.x = hit.x[i];
        ray.y = hit.y[i];
        ray.z = hit.z[i];
        ray.dir_x = turned.x[i];
        ray.dir_y = turned.y[i];
        ray.dir_z = turned.z[i];
      }
    }
    d.from = p.from(i);
    d.to = p.to(i);
    out.take();
  }
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

  // Geometry of this call
  const double sin_fi = sin_deg(m.fi), cos_fi = cos_deg(m.fi);
  const double r = m.r;
  const bool flat = m.r == 0.0f;
  const Vec3 vertex{m.xo, m.yo, 0.0};
  const Vec3 centre{m.xo + r * cos_fi, m.yo + r * sin_fi, 0.0};
  const Vec3 normal{cos_fi, sin_fi, 0.0};
  const double plane_c = to_single(-(m.xo * cos_fi + m.yo * sin_fi));
  const Vec3 normal_single{to_single(cos_fi), to_single(sin_fi), 0.0};
  const double rmax2 = limit_distance2(r, m.d);
  const double rin2 = m.count > 5 ? to_single(limit_distance2(r, m.hole)) : 0.0;
  // The curved mirror's normal at a hit points toward the centre, away from it when R < 0.
  auto mirror_normal = [r, centre](const Vec3& h) { return r < 0.0 ? h - centre : centre - h; };
  const HitSink hits = hit_sink(ws, k, rays);

  using Drawing = MirrorDrawing;
  const auto compute = [=, mark_pixel = PointMapper(g.mapping(k, 1)),
                        segment_pixel = PointMapper(g.mapping(1, 1))](Ray& ray,
                                                                       Drawing& d) mutable {
    const Vec3 s = position_of(ray);
    const Vec3 u = direction_of(ray);

    // Meet the surface
    Vec3 hit;
    bool marked = true;
    if (flat) {
      const double q = dot(u, normal);
      if (std::abs(q) < kParallelLimit) {
        ray.alive = 0.0;
        return false;
      }
      const double t = -(dot(normal, s) + plane_c) / q;
      hit = s + t * u;
    } else {
      const SphereHit meet = meet_sphere(
          s, u, centre, r, [&](const Vec3& h) { return dot(u, mirror_normal(h)) < 0.0; });
      if (meet.meet == SphereMeet::kMissed || meet.meet == SphereMeet::kBehind) {
        ray.alive = 0.0;
        return false;
      }
      hit = meet.point;
      // A ray that only touches the sphere is drawn up to it and goes on unchanged.
      marked = meet.meet == SphereMeet::kHit;
    }

    d = {};
    d.marked = marked;
    if (marked) {
      // Mark the hit, then reflect it or stop the ray where it was
      const Vec3 rel = hit - vertex;
      const double r2 = dot(rel, rel);
      d.stopped = r2 > rmax2 || r2 < rin2;
      const float across = across_axis_mark(rel.x, rel.y, sin_fi, cos_fi);
      d.mark = mark_pixel(across, to_single(hit.z));
      hits.put(ray, across, to_single(hit.z), !d.stopped);
      if (d.stopped) {
        ray.alive = 0.0;
      } else {
        set_position(ray, hit);
        if (flat) {
          set_direction(ray, u - 2.0 * dot(u, normal_single) * normal_single);
        } else {
          // u' = u - 2(u·W)/|W| · W/|W|, evaluated left to right
          const Vec3 w = mirror_normal(hit);
          const double wl = length(w);
          const double f = 2.0 * dot(u, w) / wl;
          set_direction(ray, u - Vec3{f * w.x / wl, f * w.y / wl, f * w.z / wl});
        }
      }
    }
    d.from = segment_pixel(to_single(s.x), to_single(s.y));
    d.to = segment_pixel(to_single(hit.x), to_single(hit.y));
    return true;
  };
  HitMarks marks(g, k, ws.painted);
  const auto draw = [&](const Drawing& d) {
    if (d.marked) marks.plot(d.mark, d.stopped ? color::kRay : color::kPassingHit);
    g.draw_pixel_segment(1, d.from, d.to);
  };
  const LaneViews views = lane_views(g, k);
  const CurvedMirror curved{sin_fi, cos_fi, r, vertex, centre, rmax2, rin2, hits};
  const auto compute_lanes = [&curved, &views](auto lanes, Ray* const* group, int count,
                                               RecordSink<Drawing>& out) LUMI_LANES_ATTRIBUTES {
    reflect_lanes<lanes()>(curved, views, group, count, out);
  };
  const int drawn =
      ws.lanes > 1 && !flat && views.exact()
          ? sweep_ray_groups<Drawing>(ws.pool, rays, ws.lanes, k != 1, compute_lanes, draw)
          : sweep_rays<Drawing>(ws.pool, rays, k != 1, compute, draw);
  marks.choose_last_color(k, 1);

  log_count(ws, " Круглое сферическое зеркало: нарисовано", drawn);
}

}  // namespace lumi
