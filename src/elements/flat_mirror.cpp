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

// The mirror's step for N hits at a time, as the one-ray step of trace_flat_mirror does it.
struct MirrorFrame {
  double width, height, xo, yo, cos_fi, sin_fi;
};

template <int N>
struct MirrorLanes {
  Lanes<N> u, v;
  LaneMask<N> outside;
  Lanes<N> dir_x, dir_y;

  MirrorMark finish(int i, Ray& ray, PixelPoint at) const {
    if (outside[i]) {
      ray.alive = 0.0;
    } else {
      ray.dir_x = dir_x[i];
      ray.dir_y = dir_y[i];
    }
    return {at, outside[i] != 0};
  }
};

template <int N>
LUMI_LANES MirrorLanes<N> reflect_lanes(const MirrorFrame& m, const FlatHitLanes<N>& h) {
  const Lanes<N> dx = h.at.x - m.xo;
  const Lanes<N> dy = h.at.y - m.yo;
  const Lanes<N> w = 2.0 * lane_sqrt(dx * dx + dy * dy);
  const Lanes<N> height = 2.0 * lane_abs(h.at.z);
  const Vec3Lanes<N>& d = h.direction;
  const Lanes<N> q = m.sin_fi * d.y + m.cos_fi * d.x;
  return {lane_signed_by(dx, 0.5 * w), h.at.z, lanes_gt(w, m.width) | lanes_gt(height, m.height),
          d.x - 2.0 * q * m.cos_fi, d.y - 2.0 * q * m.sin_fi};
}

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
    const double dx = ray.x - xo;
    const double dy = ray.y - yo;
    const double w = 2.0 * across.of(dx * dx + dy * dy);
    const double h = 2.0 * std::abs(ray.z);
    // The sign across always comes from dx
    const float u = to_single(signed_by(dx, 0.5 * w));
    const MirrorMark mark{mark_pixel(u, to_single(ray.z)), w > width || h > height};
    hits.put(ray, u, to_single(ray.z), !mark.outside);
    if (mark.outside) {
      ray.alive = 0.0;
    } else {
      // Reflect about the normal; the normal has no z component, so dir_z stays
      const double q = sin_fi * ray.dir_y + cos_fi * ray.dir_x;
      ray.dir_x = ray.dir_x - 2.0 * q * cos_fi;
      ray.dir_y = ray.dir_y - 2.0 * q * sin_fi;
    }
    return mark;
  }, [&frame]<int N>(const FlatHitLanes<N>& hits) LUMI_LANES_ATTRIBUTES {
    return reflect_lanes(frame, hits);
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
