// The diaphragms: flat stops across the scheme plane that let a ray pass on from its hit point or
// stop it there, never turning it. Three kinds share one design: the circular outer diaphragm
// (code 21, an opening of diameter D), the circular inner diaphragm (code 23, an opaque disc of
// diameter D) and the rectangular diaphragm (code 22, a W by H opening).
//
// Record slots, circular kinds (21, 23):
//   1 type code (negative: switched off)   3 D, diameter of the opening or disc (length units)
//   4 Xo, 5 Yo: centre (length units; z = 0)   6 Fi, angle of the normal in the scheme plane (deg)
// Record slots, rectangular kind (22):
//   1 type code   3 W, width in the scheme plane   4 H, height along z (length units)
//   5 Xo, 6 Yo: centre (length units)   7 Fi, angle of the normal (degrees)
#include <cmath>
#include <string_view>

#include "elements/elements.h"
#include "model/diagnostics_log.h"
#include "tracing/degrees.h"
#include "tracing/element_window.h"
#include "tracing/flat_element.h"
#include "tracing/hit_marks.h"
#include "tracing/sum_bound.h"

namespace lumi {

namespace {

enum class Kind { kOuter, kInner, kRect };

// Where a diaphragm stands and how large it is, read from its record.
struct Diaphragm {
  Kind kind;
  float width;   // D, or W
  float height;  // D, or H
  float xo, yo, fi;
};

Diaphragm read_diaphragm(const ElementRecord& e, Kind kind) {
  if (kind == Kind::kRect) return {kind, e.slot(3), e.slot(4), e.slot(5), e.slot(6), e.slot(7)};
  return {kind, e.slot(3), e.slot(3), e.slot(4), e.slot(5), e.slot(6)};
}

std::string_view title_text(Kind kind) {
  switch (kind) {
    case Kind::kOuter: return "  Круглая наружноая диафрагма";
    case Kind::kInner: return "  Круглая внутренняя диафрагма";
    case Kind::kRect: return "  Прямоугольная диафрагма";
  }
  return {};
}

std::string_view log_text(Kind kind) {
  switch (kind) {
    case Kind::kOuter: return " Круглая наружная диафрагма: нарисовано";
    case Kind::kInner: return " Круглая внутренняя диафрагма: нарисовано";
    case Kind::kRect: return " Прямоугольная диафрагма: нарисовано";
  }
  return {};
}

void prepare_diaphragm(Workspace& ws, const ElementRecord& e, int k, int mode, Kind kind) {
  Graphics& g = ws.graphics;
  const Diaphragm d = read_diaphragm(e, kind);
  if (mode != kOutlineOnly) {
    ws.scheme.pick(k) = {d.xo, d.yo};
    const ElementView view{.width = kind == Kind::kRect ? 220.0f : 160.0f,
                           .x_min = -d.width,
                           .x_max = d.width,
                           .y_min = -d.height,
                           .y_max = d.height,
                           .x_step = 0.25f * d.width,
                           .y_step = 0.25f * d.height,
                           .y_subdivisions = 1};
    open_element_view(ws, k, element_window_title(k, title_text(kind)), view);
    g.select_color(color::kAperture);
    if (kind == Kind::kRect) {
      draw_aperture_rectangle(g, k, d.width, d.height);
    } else {
      draw_aperture_circle(g, k, d.width);
    }
    return_to_scheme_window(g, e);
  }
  draw_across_segment(g, d.xo, d.yo, d.fi, 0.5f * d.width);
}

// The bound of a circular diaphragm: the least sum of the squares of a hit's distances across and
// up from the centre that the diaphragm stops (outer) or lets through (inner), so that the sum
// decides as the diameter compared in single precision would.
struct StopTest {
  explicit StopTest(const Diaphragm& d) : d(d) {
    if (d.kind == Kind::kOuter) {
      bound = least_sum_where(single_diameter_of, [&](float r) { return r > d.width; });
    }
    if (d.kind == Kind::kInner) {
      bound = least_sum_where(single_diameter_of, [&](float r) { return r >= d.width; });
    }
  }

  Diaphragm d;
  double bound = 0.0;
};

// A hit mark: its pixel in the diaphragm's window, and whether the diaphragm stopped the ray.
struct StopMark {
  PixelPoint at;
  bool stopped;
  bool operator==(const StopMark&) const = default;
};

// A hit at `at`, for one ray (T = double) or N: the mark's coordinates u and v, and whether the
// diaphragm stops the ray. The measures across are compared in single precision; a circular
// diaphragm compares the sum of the squares across and up with its bound. root(v) is the square
// root of v: a parallel beam's memo for one ray, the lanes' own on N.
template <class T>
struct StopHit {
  T u, v;
  Mask<T> stopped;
};

template <class T, class Root>
LUMI_STEP StopHit<T> stop_hit(const StopTest& stops, const Vec3Of<T>& at, Root&& root) {
  const Diaphragm& d = stops.d;
  const T dx = at.x - static_cast<double>(d.xo);
  const T dy = at.y - static_cast<double>(d.yo);
  const T across_squared = dx * dx + dy * dy;
  const T w = lanes_to_single(2.0 * root(across_squared));
  // Half of a single is a single: halved in double precision and rounded, it is 0.5f * w
  const T half = lanes_to_single(0.5 * w);
  // The sign across comes from dy where the hit is exactly level with the centre in x
  const T u = lane_signed_by(lane_select(lanes_eq(dx, 0.0), dy, dx), half);
  const T& z = at.z;
  Mask<T> stopped{};
  switch (d.kind) {
    case Kind::kOuter: stopped = lanes_ge(across_squared + z * z, stops.bound); break;
    case Kind::kInner: stopped = lanes_lt(across_squared + z * z, stops.bound); break;
    case Kind::kRect:
      stopped = lanes_gt(w, static_cast<double>(d.width)) |
                lanes_gt(lanes_to_single(2.0 * lane_abs(z)), static_cast<double>(d.height));
      break;
  }
  return {u, z, stopped};
}

// N hits at a time, for FlatSweep: the marks' u and v, and finish(i, ray, pixel) for each.
template <int N>
struct StopLanes : StopHit<Lanes<N>> {
  StopMark finish(int i, Ray& ray, PixelPoint at) const {
    const bool stopped = this->stopped[i] != 0;
    if (stopped) ray.alive = 0.0;
    return {at, stopped};
  }
};

void trace_diaphragm(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k, Kind kind) {
  Graphics& g = ws.graphics;
  const Diaphragm d = read_diaphragm(e, kind);
  const FlatPlane plane = flat_plane(-cos_deg(d.fi), -sin_deg(d.fi), 0.0, d.xo, d.yo);
  g.select_color(color::kRay);

  const StopTest stops(d);
  const HitSink hits = hit_sink(ws, k, rays);
  const auto on_hit = HitSteps{[&stops, hits, across = RepeatedRoot(),
                                mark_pixel = PointMapper(g.mapping(k, 1))](Ray& ray) mutable {
    const StopHit<double> hit =
        stop_hit(stops, position_of(ray), [&across](double v) { return across.of(v); });
    const float u = to_single(hit.u), v = to_single(hit.v);
    const StopMark mark{mark_pixel(u, v), hit.stopped};
    if (mark.stopped) ray.alive = 0.0;
    hits.put(ray, u, v, !mark.stopped);
    return mark;
  }, [&stops]<int N>(const FlatHitLanes<N>& h) LUMI_LANES_ATTRIBUTES {
    return StopLanes<N>{stop_hit(stops, h.at, LaneSqrt{})};
  }};
  // Each ray's segment is drawn in colour 1 in the scheme window and its mark in its own colour,
  // chosen there; colour 1 is then chosen in the diaphragm's window
  HitMarks marks(g, k, ws.painted);
  const auto before_segment = [&marks] { marks.choose_segment_color(color::kRay); };
  const auto draw_mark = [&marks](const StopMark& mark) {
    marks.plot(mark.at, mark.stopped ? color::kRay : color::kPassingHit);
  };
  const int drawn =
      trace_flat(ws, rays, plane, BehindRay::kStops, LanesFor::kNewCrossings, k, on_hit,
                 before_segment, draw_mark, hits);
  if (marks.any()) {
    g.select_window(k, 0);
    g.select_color(color::kRay);
  }

  log_count(ws, log_text(kind), drawn);
  g.select_window(1, 0);
  g.select_color(color::kRay);
}

}  // namespace

void prepare_outer_diaphragm(Workspace& ws, const ElementRecord& e, int k, int mode) {
  prepare_diaphragm(ws, e, k, mode, Kind::kOuter);
}
void prepare_inner_diaphragm(Workspace& ws, const ElementRecord& e, int k, int mode) {
  prepare_diaphragm(ws, e, k, mode, Kind::kInner);
}
void prepare_rect_diaphragm(Workspace& ws, const ElementRecord& e, int k, int mode) {
  prepare_diaphragm(ws, e, k, mode, Kind::kRect);
}

void trace_outer_diaphragm(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k) {
  trace_diaphragm(ws, e, rays, k, Kind::kOuter);
}
void trace_inner_diaphragm(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k) {
  trace_diaphragm(ws, e, rays, k, Kind::kInner);
}
void trace_rect_diaphragm(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k) {
  trace_diaphragm(ws, e, rays, k, Kind::kRect);
}

}  // namespace lumi
