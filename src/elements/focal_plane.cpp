// The focal plane with focus search: the observing element that closes a scheme. It sweeps itself
// along its axis over a range of shifts, and at each shift draws the rays up to it, shows their
// spot and logs the spot's extents. It never moves or redirects a ray.
//
// Record slots read:
//   1  type code (62; negative = switched off)
//   3  a   width of the aperture across the axis in the scheme plane, scheme length units
//   4  b   height of the aperture along z
//   5  Xo  x of the plane's centre at shift 0
//   6  Yo  y of the plane's centre at shift 0
//   7  Fi  direction of the plane's axis, degrees; the plane stands across it
//   8  d1  first shift along the axis
//   9  d2  last shift
//   10 h   shift step; 0 = (d2 - d1)·0.99999, or 1 when d1 = d2
#include <cmath>
#include <limits>
#include <utility>

#include "elements/elements.h"
#include "model/diagnostics_log.h"
#include "model/fixed_format.h"
#include "tracing/degrees.h"
#include "tracing/element_window.h"
#include "tracing/flat_element.h"
#include "tracing/hit_marks.h"
#include "tracing/hit_sink.h"
#include "tracing/lanes.h"
#include "tracing/ray_sweep.h"
#include "tracing/sum_bound.h"

namespace lumi {

namespace {

constexpr int kShiftColors = 6;  // the segments of successive shifts cycle through colours 1..6

// Number of shifts and the step for the slots d1, d2, h, in single precision.
struct Sweep {
  float step = 0.0f;
  int shifts = 0;
};

Sweep sweep_of(float d1, float d2, float h) {
  if (h == 0.0f) h = (d2 - d1) * 0.99999f;
  if (h == 0.0f) h = 1.0f;
  return {h, trunc_to_int((d2 - d1 + h) / h)};
}

struct PlaneHit;

// Extents of the spot along the plane's in-plane axis u and along z, widened by the hits in ray
// order. A bound moves only for a hit strictly beyond it, so among equal extremes (+0 and -0) the
// first stays; widening by the spot of later hits therefore gives what those hits one by one would.
// Beside them, the sums of the spot's statistics over the same hits, in double precision, taken
// about a reference point (ru, rz) near the spot (the first hit of the shift) so that a small spot
// far from the plane's centre keeps its digits: the hits' number, the sums of du = u - ru and
// dz = z - rz, and of du² + dz². Their order is the sweep's (ray order, see kTallyGroup).
struct Spot {
  float u_min = 1e20f, u_max = -1e20f;
  float z_min = 1e20f, z_max = -1e20f;
  float ru = 0.0f, rz = 0.0f;
  int n = 0;
  double su = 0.0, sz = 0.0, sq = 0.0;

  void add(const PlaneHit& hit);
  void merge(const Spot& later) {
    if (later.z_min < z_min) z_min = later.z_min;
    if (later.z_max > z_max) z_max = later.z_max;
    if (later.u_min < u_min) u_min = later.u_min;
    if (later.u_max > u_max) u_max = later.u_max;
    n += later.n;
    su += later.su;
    sz += later.sz;
    sq += later.sq;
  }
};

// The statistics of a shift from its spot: centroid and RMS radius about it, by
// mean((u - cu)² + (z - cz)²) = mean(du² + dz²) - mean(du)² - mean(dz)².
ShiftStats shift_stats(const Spot& spot, float d, float dx, float dy, float max) {
  ShiftStats s{d, dx, dy, max, spot.n, 0.0, 0.0, 0.0};
  if (spot.n == 0) {
    s.cu = s.cz = s.rms = std::numeric_limits<double>::quiet_NaN();
    return s;
  }
  const double n = spot.n;
  const double mu = spot.su / n, mz = spot.sz / n;
  const double spread = spot.sq / n - (mu * mu + mz * mz);
  s.cu = static_cast<double>(spot.ru) + mu;
  s.cz = static_cast<double>(spot.rz) + mz;
  s.rms = std::sqrt(spread > 0.0 ? spread : 0.0);  // rounding may leave a point spot below 0
  return s;
}

// The element window at the start of a shift: the spot area cleared, the aperture and the caption.
void clear_spot_view(Graphics& g, int k, float a, float b, float d) {
  g.select_window(k, 0);
  g.select_color(color::kBlack);
  fill_logical_box(g, k, 20.0f, 20.0f, 200.0f, 140.0f);
  FixedText caption("dd=");
  caption.f(d, 7, 2) << "мм";
  caption.fix_width(50);
  g.select_color(color::kAperture);
  draw_aperture_rectangle(g, k, a, b);
  g.select_color(color::kRay);
  g.draw_caption(k, 30.0f, 160.0f, 7.0f, 0.0f, caption);
}

FixedText shift_line(float d, float dx, float dy, float max) {
  FixedText line(" Фок.пл. с автопоиском: dd(смещение Ф.П.),dXmax,dYmax,MAX(dX,dY)=");
  line.f(d, 10, 4).f(dx, 10, 4).f(dy, 10, 4).f(max, 10, 4);
  return line;
}

// What a ray draws at one shift, and where it meets the plane for the spot. The height hz is kept
// in single precision, as the spot keeps its bounds: rounded first or not, it moves a bound alike,
// since a double beyond a single bound rounds to a single beyond it or on it. The spot is the
// sweep's tally, taken from every hit where the arithmetic runs; the drawing needs only the
// pixels, so two hits that draw alike are a repeat, whatever their heights: near the focus most
// rays in a row draw the same segment and the same mark.
struct PlaneHit {
  using Tally = Spot;
  float hz;
  float u;
  PixelPoint from, to, mark;
  bool outside;
  bool operator==(const PlaneHit& o) const {
    return mark == o.mark && to == o.to && from == o.from && outside == o.outside;
  }
};

void Spot::add(const PlaneHit& hit) {
  if (hit.hz < z_min) z_min = hit.hz;
  if (hit.hz > z_max) z_max = hit.hz;
  if (hit.u < u_min) u_min = hit.u;
  if (hit.u > u_max) u_max = hit.u;
  const double du = static_cast<double>(hit.u) - ru;
  const double dz = static_cast<double>(hit.hz) - rz;
  ++n;
  su += du;
  sz += dz;
  sq += du * du + dz * dz;
}

// The plane at one shift: n·P + c = 0 through (cx, cy), the spot's axis (ux, uy) across it, and
// the aperture: a hit is outside where its squared distance across reaches wider_than_a or its
// height (in single precision) exceeds b.
struct ShiftedPlane {
  FlatPlane plane;
  double cx, cy;
  float ux, uy;
  double wider_than_a;
  float b;
  HitSink hits;
};

// Where rays meet the plane at one shift, for one ray or for N on lanes; the rays themselves stay
// where they are. A ray parallel to the plane meets it nowhere: the rest of its lane means nothing
// then.
template <class T>
struct ShiftHit {
  Mask<T> parallel;
  Vec3Of<T> at;
  T across;  // the mark's distance along the spot's axis; its height is at.z
  Mask<T> outside;
};

// The height is held against the aperture's height b in single precision, the slot's own.
template <class T>
LUMI_STEP ShiftHit<T> meet_shift(const ShiftedPlane& p, const Vec3Of<T>& s, const Vec3Of<T>& u) {
  ShiftHit<T> hit;  // filled in place, as a whole made at the end went through the stack on lanes
  const PlaneMeeting<T> m = meet_plane(p.plane, BehindRay::kMet, s, u);
  hit.parallel = m.lost;
  hit.at = {m.hit.x, m.hit.y, m.hit.z};
  const Vec3Of<T>& h = hit.at;
  const T across2 = (h.x - p.cx) * (h.x - p.cx) + (h.y - p.cy) * (h.y - p.cy);
  const T v = lanes_to_single(2.0 * lane_abs(h.z));
  hit.across = (h.x - p.cx) * p.ux + (h.y - p.cy) * p.uy;
  hit.outside = lanes_ge(across2, p.wider_than_a) | lanes_gt(v, p.b);
  return hit;
}

// The sweep's step of a shift (meet_shift) on N rays at a time.
template <int N>
LUMI_LANES void meet_shift_lanes(const ShiftedPlane& p, const LaneViews& views, Ray* const* rays,
                                 int count, RecordSink<PlaneHit>& out) {
  const RayLanes<N> r = load_lanes<N>(rays, count);
  const ShiftHit<Lanes<N>> h = meet_shift<Lanes<N>>(p, r.position, r.direction);
  const HitPixels<N> pixels = map_hits(views, r.position, h.at, h.across, h.at.z);
  for (int i = 0; i < count; ++i) {
    if (h.parallel[i]) {
      rays[i]->alive = 0.0;
      continue;
    }
    PlaneHit& hit = out.next();
    hit = {to_single(h.at.z[i]), to_single(h.across[i]), pixels.from(i), pixels.to(i),
           pixels.mark(i), h.outside[i] != 0};
    p.hits.put(*rays[i], hit.u, hit.hz, !hit.outside);
    out.take();
  }
}

// A spot with no hits yet, whose statistics are taken about the shift's first hit (in single
// precision, as the spot takes hits): found by meeting the live rays in order until one meets the
// plane, mostly the first.
Spot spot_about_first_hit(RayBundle& rays, const ShiftedPlane& p) {
  Spot spot;
  for (const Ray& ray : rays) {
    if (ray.alive == 0.0) continue;
    const ShiftHit<double> hit = meet_shift<double>(p, position_of(ray), direction_of(ray));
    if (hit.parallel != 0) continue;
    const float u = to_single(hit.across);
    const float z = to_single(hit.at.z);
    if (std::isfinite(u) && std::isfinite(z)) {
      spot.ru = u;
      spot.rz = z;
    }
    break;
  }
  return spot;
}

// What the shifts of one call share: the plane's frame and aperture, the windows' mappings and
// where the results go.
struct SweepFrame {
  int k;
  float a, b;
  double xo, yo, sin_fi, cos_fi;
  float ux, uy;
  double nx, ny, nz;
  double wider_than_a;
  LaneViews views;
  HitRecord* hits;
};

// One shift at d: the spot view cleared, every live ray's segment and mark drawn; returns the spot
// and the count of rays that met the plane.
std::pair<Spot, int> sweep_shift(Workspace& ws, RayBundle& rays, const SweepFrame& f, float d,
                                 int color_index) {
  Graphics& g = ws.graphics;
  const int k = f.k;
  const double cx = f.xo + f.cos_fi * d, cy = f.yo + f.sin_fi * d;
  clear_spot_view(g, k, f.a, f.b, d);
  const double c = -(cx * f.nx + cy * f.ny);
  const HitSink hits = f.hits != nullptr ? hit_sink(ws, k, rays, true) : HitSink{};
  const ShiftedPlane plane{{f.nx, f.ny, f.nz, c}, cx, cy, f.ux, f.uy, f.wider_than_a, f.b, hits};

  using Drawing = PlaneHit;
  const auto compute = [=, segment_pixel = PointMapper(g.mapping(1, 1)),
                        mark_pixel = PointMapper(g.mapping(k, 1))](Ray& ray, Drawing& p) mutable {
    const Vec3 s = position_of(ray);
    const ShiftHit<double> h = meet_shift<double>(plane, s, direction_of(ray));
    if (h.parallel != 0) {
      ray.alive = 0.0;
      return false;
    }
    p.from = segment_pixel(to_single(s.x), to_single(s.y));
    p.to = segment_pixel(to_single(h.at.x), to_single(h.at.y));
    p.u = to_single(h.across);
    p.hz = to_single(h.at.z);
    p.outside = h.outside != 0;
    p.mark = mark_pixel(p.u, p.hz);
    plane.hits.put(ray, p.u, p.hz, !p.outside);
    return true;
  };
  HitMarks marks(g, k, ws.painted);
  const auto draw = [&](const Drawing& p) {
    marks.choose_segment_color(color_index);
    g.draw_pixel_segment(1, p.from, p.to);
    marks.plot(p.mark, p.outside ? color::kRay : color::kPassingHit);
  };
  const LaneViews& views = f.views;
  const auto compute_lanes = [&plane, &views](auto lanes, Ray* const* group, int count,
                                              RecordSink<Drawing>& out) LUMI_LANES_ATTRIBUTES {
    meet_shift_lanes<lanes()>(plane, views, group, count, out);
  };
  Spot spot = spot_about_first_hit(rays, plane);
  const int met = ws.lanes > 1 && views.exact()
                      ? sweep_ray_groups<Drawing>(ws.pool, rays, ws.lanes, k != 1, compute_lanes,
                                                  draw, &spot)
                      : sweep_rays<Drawing>(ws.pool, rays, k != 1, compute, draw, &spot);
  marks.choose_last_color(1, k);
  return {spot, met};
}

// The statistics of a shift go to the results; a shift with a smaller rms than any before it
// keeps its hits, the first of equals.
void record_shift(Workspace& ws, int k, const ShiftStats& stats, HitRecord* hits) {
  if (ws.results == nullptr) return;
  FocusSweep* sweep = ws.results->focus_of(k);
  if (sweep == nullptr) return;
  if (add_shift(*sweep, stats) && hits != nullptr) {
    std::swap(hits->slots, hits->spare);
    hits->sweep = ws.results->sweeps;
  }
}

}  // namespace

void fill_logical_box(Graphics& g, int window, float left, float bottom, float width,
                      float height) {
  g.select_window(window, 0);
  const WindowRecord& w = g.window(window);
  const float pw = w.pixel_width, ph = w.pixel_height;
  const float lw = kLogicalWidth, lh = kLogicalHeight;
  const int left_px = trunc_to_int(left * pw / lw);
  const int right_px = trunc_to_int(static_cast<float>(left_px) + (pw - 1.0f) * width / lw);
  const int bottom_px = trunc_to_int((lh - bottom) * (ph - 1.0f) / lh);
  const int top_px = trunc_to_int(static_cast<float>(bottom_px) - (ph - 1.0f) * height / lh);
  g.draw_rectangle(kRectFilled, left_px, top_px, right_px, bottom_px);
}

void prepare_focal_plane(Workspace& ws, const ElementRecord& e, int k, int mode) {
  const float a = e.slot(3), b = e.slot(4), xo = e.slot(5), yo = e.slot(6), fi = e.slot(7);
  Graphics& g = ws.graphics;
  if (mode != kOutlineOnly) {
    ws.scheme.pick(k) = {xo, yo};
    const ElementView view{.width = 220.0f, .x_min = -a, .x_max = a, .y_min = -b, .y_max = b,
                           .x_step = a / 4.0f, .y_step = b / 4.0f};
    open_element_view(ws, k, element_window_title(k, "  Фокальная плоскость", 30), view);
    g.define_color(color::kRay, 1.0f, 0.0f, 0.0f);
    g.select_color(color::kAperture);
    draw_aperture_rectangle(g, k, a, b);
    g.select_color(color::kRay);
    g.select_window(1, 0);
    g.platform().click_menu_command(kCommandCascade);
    g.set_line_style(1);
    g.select_color(e.code() >= 0.0f ? color::kOutline : color::kOffOutline);
    if (ws.results != nullptr && e.code() == code::kFocalPlane) {
      ws.results->reserve_shifts(k, sweep_of(e.slot(8), e.slot(9), e.slot(10)).shifts);
    }
  }
  // The outline always stands at shift 0
  draw_across_segment(g, xo, yo, fi, a / 2.0f);
}

void trace_focal_plane(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k) {
  const float a = e.slot(3), b = e.slot(4), xo = e.slot(5), yo = e.slot(6), fi = e.slot(7);
  const double sin_fi = sin_deg(fi), cos_fi = cos_deg(fi);
  SweepFrame frame{k, a, b, xo, yo, sin_fi, cos_fi,
                   // In-plane axis of the spot, and the plane's normal
                   to_single(-sin_fi), to_single(cos_fi), -cos_fi, -sin_fi, 0.0,
                   // A hit is too wide where to_single(2·sqrt(across²)) > a
                   least_sum_where(single_diameter_of, [a](float w) { return w > a; }),
                   lane_views(ws.graphics, k),
                   ws.results != nullptr ? ws.results->hits_of(k) : nullptr};

  const Sweep sweep = sweep_of(e.slot(8), e.slot(9), e.slot(10));
  float d = e.slot(8);
  int color_index = 0;
  int total = 0;
  for (int shift = 1; shift <= sweep.shifts; ++shift) {
    ws.graphics.platform().report_progress({k, ws.scheme.count, shift, sweep.shifts});
    color_index = color_index % kShiftColors + 1;
    const auto [spot, met] = sweep_shift(ws, rays, frame, d, color_index);
    total += met;

    // Spot size of this shift
    const float dx = spot.u_max - spot.u_min;
    const float dy = spot.z_max - spot.z_min;
    const float max = dy > dx ? dy : dx;
    ws.log.append(shift_line(d, dx, dy, max));
    record_shift(ws, k, shift_stats(spot, d, dx, dy, max), frame.hits);
    d += sweep.step;
  }

  log_count(ws, " фокальная плоскость с автопоиском: нарисовано", total, "  точек");
}

}  // namespace lumi
