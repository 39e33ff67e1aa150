// The flat rectangular mirror (code 31): a W by H rectangle across the scheme plane that reflects,
// on both faces, the rays meeting it inside the rectangle and stops those meeting its plane
// outside. A mirror behind a ray is met too: the ray is moved back to it.
//
// Record slots:
//   1 type code (31; negative: switched off)
//   3 W, width in the scheme plane; 4 H, height along z (length units)
//   5 Xo, 6 Yo: centre of the mirror (length units; z = 0)
//   7 Fi, angle of the mirror's normal in the scheme plane (degrees)
#include <cmath>

#include "elements/elements.h"
#include "model/diagnostics_log.h"
#include "tracing/degrees.h"
#include "tracing/element_window.h"
#include "tracing/flat_element.h"
#include "tracing/hit_marks.h"

namespace lumi {

void prepare_flat_mirror(Workspace& ws, const ElementRecord& e, int k, int mode) {
  Graphics& g = ws.graphics;
  const float w = e.slot(3), h = e.slot(4), xo = e.slot(5), yo = e.slot(6);
  if (mode != kOutlineOnly) {
    ws.scheme.pick(k) = {xo, yo};
    const ElementView view{.width = 220.0f, .x_min = -w, .x_max = w, .y_min = -h, .y_max = h,
                           .x_step = w, .y_step = h, .y_subdivisions = 1};
    open_element_view(ws, k, element_window_title(k, "  Плоское прямоугольное зеркало"), view);
    g.select_color(color::kAperture);
    draw_aperture_rectangle(g, k, w, h);
    return_to_scheme_window(g, e);
  }
  draw_across_segment(g, xo, yo, e.slot(7), 0.5f * w);
}

namespace {

// A hit mark: its pixel in the mirror's window, and whether the hit lies outside the rectangle.
struct MirrorMark {
  PixelPoint at;
  bool outside;
  bool operator==(const MirrorMark&) const = default;
};

// The mirror in the frame of one trace.
struct MirrorFrame {
  double width, height, xo, yo, cos_fi, sin_fi;
};

// Where a hit lies, for one ray (T = double) or N: the mark's coordinates u and v, and whether
// the hit lies outside the rectangle. root(v) is the square root of v: a parallel beam's memo for
// one ray, the lanes' own on N.
template <class T>
struct MirrorHit {
  T u, v;
  Mask<T> outside;
};

template <class T, class Root>
LUMI_STEP MirrorHit<T> mirror_hit(const MirrorFrame& m, const Vec3Of<T>& at, Root&& root) {
  const T dx = at.x - m.xo;
  const T dy = at.y - m.yo;
  const T w = 2.0 * root(dx * dx + dy * dy);
  const T height = 2.0 * lane_abs(at.z);
  // The sign across always comes from dx
  return {lane_signed_by(dx, 0.5 * w), at.z, lanes_gt(w, m.width) | lanes_gt(height, m.height)};
}

// The direction (dir_x, dir_y) reflected about the normal; the normal has no z component, so
// dir_z stays. Worked out for one ray only where it is reflected.
template <class T>
struct Turned {
  T dir_x, dir_y;
};

template <class T>
LUMI_STEP Turned<T> reflected(const MirrorFrame& m, const T& dir_x, const T& dir_y) {
  const T q = m.sin_fi * dir_y + m.cos_fi * dir_x;
  return {dir_x - 2.0 * q * m.cos_fi, dir_y - 2.0 * q * m.sin_fi};
}

// Stops the ray or turns it, as the hit says; its mark.
MirrorMark finish_hit(Ray& ray, bool outside, const Turned<double>& turned, PixelPoint at) {
  if (outside) {
    ray.alive = 0.0;
  } else {
    ray.dir_x = turned.dir_x;
    ray.dir_y = turned.dir_y;
  }
  return {at, outside};
}

// N hits at a time, for FlatSweep: the marks' u and v, and finish(i, ray, pixel) for each.
template <int N>
struct MirrorLanes : MirrorHit<Lanes<N>> {
  Turned<Lanes<N>> turned;

  MirrorMark finish(int i, Ray& ray, PixelPoint at) const {
    return finish_hit(ray, this->outside[i] != 0, {turned.dir_x[i], turned.dir_y[i]}, at);
  }
};

}  // namespace

// The colour choices for the hit marks are made while the mirror's window is current, so the
// scheme window keeps colour 1 for the segments throughout.
void trace_flat_mirror(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k) {
  Graphics& g = ws.graphics;
  const double width = e.slot(3), height = e.slot(4), xo = e.slot(5), yo = e.slot(6);
  const double cos_fi = cos_deg(e.slot(7));
  const double sin_fi = sin_deg(e.slot(7));
  const FlatPlane plane = flat_plane(cos_fi, sin_fi, 0.0, xo, yo);
  g.select_color(color::kRay);

  const MirrorFrame frame{width, height, xo, yo, cos_fi, sin_fi};
  const HitSink hits = hit_sink(ws, k, rays);
  const auto on_hit = HitSteps{[=, across = RepeatedRoot(),
                                mark_pixel = PointMapper(g.mapping(k, 1))](Ray& ray) mutable {
    const MirrorHit<double> hit =
        mirror_hit(frame, position_of(ray), [&across](double v) { return across.of(v); });
    const float u = to_single(hit.u), v = to_single(hit.v);
    const MirrorMark mark{mark_pixel(u, v), hit.outside};
    hits.put(ray, u, v, !mark.outside);
    if (mark.outside) {
      ray.alive = 0.0;
    } else {
      const Turned<double> turned = reflected(frame, ray.dir_x, ray.dir_y);
      ray.dir_x = turned.dir_x;
      ray.dir_y = turned.dir_y;
    }
    return mark;
  }, [&frame]<int N>(const FlatHitLanes<N>& h) LUMI_LANES_ATTRIBUTES {
    return MirrorLanes<N>{mirror_hit(frame, h.at, LaneSqrt{}),
                          reflected(frame, h.direction.x, h.direction.y)};
  }};
  HitMarks marks(g, k, ws.painted);
  const auto draw_mark = [&marks](const MirrorMark& mark) {
    marks.plot(mark.at, mark.outside ? color::kRay : color::kPassingHit);
  };
  const int drawn = trace_flat(ws, rays, plane, BehindRay::kMet, LanesFor::kNewCrossings, k,
                               on_hit, [] {}, draw_mark, hits);
  marks.choose_last_color(k, 1);

  log_count(ws, " Плоское прямоугольное зеркало: нарисовано", drawn);
}

}  // namespace lumi
