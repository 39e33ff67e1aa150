// The flat diffraction grating: a reflecting W × H rectangle ruled with straight grooves, turned in
// the scheme plane and tilted out of it. Every ray meeting the rectangle leaves in the chosen
// diffraction order by the grating equation for its own wavelength; the others are stopped.
//
// Record slots read:
//   1  type code (51; negative = switched off)
//   3  W     width: extent along the grooves, scheme length units
//   4  H     height: extent across the grooves
//   5  Xo    x of the centre
//   6  Yo    y of the centre (z = 0)
//   7  Fi    azimuth of the face normal in the scheme plane, degrees
//   8  Nштр  groove density; the period is 1000/Nштр in the units of the rays' wavelength
//             (micrometres for grooves per millimetre)
//   9  m     diffraction order, truncated toward zero; may be negative or 0
//   10 Ψ     tilt of the face normal out of the scheme plane, degrees
#include <cmath>

#include "elements/elements.h"
#include "elements/spherical_surface.h"
#include "tracing/degrees.h"
#include "tracing/element_window.h"
#include "tracing/flat_element.h"
#include "tracing/hit_marks.h"

namespace lumi {

namespace {

// Face normal n, groove direction T1 (in the scheme plane, on the face) and the direction across
// the grooves T2 = n × T1.
struct GratingFrame {
  Vec3 n, t1, t2;
};

GratingFrame grating_frame(double fi, double psi) {
  GratingFrame f;
  const double sf = sin_deg(fi), cf = cos_deg(fi), sp = sin_deg(psi), cp = cos_deg(psi);
  f.n = {cf * cp, sf * cp, sp};
  f.t1 = {sf, -cf, 0.0};
  f.t2 = {f.t1.z * f.n.y - f.n.z * f.t1.y, f.t1.x * f.n.z - f.n.x * f.t1.z,
          f.t1.y * f.n.x - f.n.y * f.t1.x};
  return f;
}

// The frame's vectors as a step reads them: in every lane, for N rays, made once per group.
template <class T>
struct GratingAxes {
  Vec3Of<T> n, t1, t2;
};

template <class T>
LUMI_STEP GratingAxes<T> axes_of(const GratingFrame& f) {
  return {in_every_lane<T>(f.n), in_every_lane<T>(f.t1), in_every_lane<T>(f.t2)};
}

// The grating as its steps read it.
struct GratingFace {
  GratingFrame f;
  double w, h, xo, yo;  // W, H and the centre
  double order, period;
};

// Where a hit lies on the face, in single precision as the marks are drawn, and whether it lies
// within the rectangle.
template <class T>
struct GratingSpot {
  T u, v;
  Mask<T> inside;
};

template <class T>
LUMI_STEP GratingSpot<T> grating_aperture(const GratingFace& g, const GratingAxes<T>& axes,
                                          const Vec3Of<T>& at) {
  const Vec3Of<T> rel{at.x - g.xo, at.y - g.yo, at.z};
  const T a = lanes_to_single(2.0 * lane_abs(dot(rel, axes.t1)));
  const T b = lanes_to_single(2.0 * lane_abs(dot(rel, axes.t2)));
  const Mask<T> inside = ~(lanes_gt(a, g.w) | lanes_gt(b, g.h));
  // Halving a single is exact in double too, so the half is rounded as a single would round it
  return {lane_signed_by(rel.x, lanes_to_single(0.5 * a)),
          lane_signed_by(at.z, lanes_to_single(0.5 * b)), inside};
}

// The direction leaving the grating in the given order for the incident direction d, each
// component in single precision, and whether the order propagates (it does not when |s'| > 1).
template <class T>
struct Diffracted {
  Mask<T> leaves;
  Vec3Of<T> out;
};

template <class T>
LUMI_STEP Diffracted<T> diffract(const GratingAxes<T>& axes, const Vec3Of<T>& d,
                                 const T& wavelength,
                                 double order, double period) {
  const Vec3Of<T>&n = axes.n, &t1 = axes.t1, &t2 = axes.t2;

  // Along the grooves the direction is kept
  const T p = dot(d, t1);
  T p2 = p * p;
  p2 = lane_select(lanes_gt(lanes_to_single(p2), 1.0), splat<T>(1.0), p2);
  const T q = lane_sqrt(1.0 - p2);
  const Singles<T> s = to_singles(order * wavelength / (period * q));

  // Across the grooves: the grating equation on the component along T2
  const Vec3Of<T> r = d - p * t1;
  const T rho = lane_sqrt(dot(r, r));
  const Vec3Of<T> r_hat{r.x / rho, r.y / rho, r.z / rho};
  const Singles<T> s_out = s - to_singles(dot(t2, r_hat));
  const Singles<T> s_out2 = s_out * s_out;
  const Mask<T> propagates = ~lanes_gt(widened(s_out2), 1.0);
  // Where the order cannot propagate the root is a NaN that no ray takes
  const Singles<T> nu = lane_sqrt(1.0f - s_out2);

  const Vec3Of<T> dir = rho * (widened(nu) * n - widened(s_out) * t2) + p * t1;
  return {propagates, {lanes_to_single(dir.x), lanes_to_single(dir.y), lanes_to_single(dir.z)}};
}

// diffract remembering its last incident direction and wavelength: the rays of a beam that differ
// only in where they start leave alike, and the same numbers, bit for bit, give the same result.
class RepeatedDiffraction {
 public:
  bool of(const GratingFace& g, const Ray& ray, Vec3& out) {
    if (!known_ || !same_bits(ray.dir_x, d_.x) || !same_bits(ray.dir_y, d_.y) ||
        !same_bits(ray.dir_z, d_.z) || !same_bits(ray.wavelength, wavelength_)) {
      d_ = direction_of(ray);
      wavelength_ = ray.wavelength;
      const Diffracted<double> leaving =
          diffract(axes_of<double>(g.f), d_, wavelength_, g.order, g.period);
      leaves_ = leaving.leaves != 0;
      out_ = leaving.out;
      known_ = true;
    }
    out = out_;
    return leaves_;
  }

 private:
  bool known_ = false, leaves_ = false;
  Vec3 d_, out_;
  double wavelength_ = 0.0;
};

// A hit mark: its pixel in the grating's window, and whether the ray left the face.
struct GratingMark {
  PixelPoint at;
  bool leaves;
  bool operator==(const GratingMark&) const = default;
};

template <int N>
struct GratingLanes {
  Lanes<N> u, v;
  LaneMask<N> leaves;
  Vec3Lanes<N> out;

  GratingMark finish(int i, Ray& ray, PixelPoint at) const {
    if (leaves[i]) {
      ray.dir_x = out.x[i];
      ray.dir_y = out.y[i];
      ray.dir_z = out.z[i];
    } else {
      ray.alive = 0.0;
    }
    return {at, leaves[i] != 0};
  }
};

// The grating's step for N hits at a time.
template <int N>
LUMI_LANES GratingLanes<N> diffract_lanes(const GratingFace& g, const FlatHitLanes<N>& h) {
  const GratingAxes<Lanes<N>> axes = axes_of<Lanes<N>>(g.f);
  const GratingSpot<Lanes<N>> spot = grating_aperture(g, axes, h.at);
  const Diffracted<Lanes<N>> leaving = diffract(axes, h.direction, h.wavelength, g.order, g.period);
  // Built from the components: copied whole, the 3-vector is moved through general registers
  // half a vector at a time
  return {spot.u, spot.v, spot.inside & leaving.leaves,
          {leaving.out.x, leaving.out.y, leaving.out.z}};
}

// The 25 grooves across the face at equal steps, projected onto the scheme plane.
void draw_outline(Graphics& g, const ElementRecord& e) {
  const float w = e.slot(3), h = e.slot(4), xo = e.slot(5), yo = e.slot(6);
  const float sf = sin_deg_f(e.slot(7)), cf = cos_deg_f(e.slot(7));
  const float sp = sin_deg_f(e.slot(10));
  for (int i = 1; i <= 25; ++i) {
    const float zeta = static_cast<float>(i - 1) * h / 24.0f - h / 2.0f;
    const float shift = sp * zeta;
    g.draw_to(1, 1, xo - sf * w / 2.0f + cf * shift, yo + cf * w / 2.0f + sf * shift, kMove);
    g.draw_to(1, 1, xo + sf * w / 2.0f + cf * shift, yo - cf * w / 2.0f + sf * shift, kLine);
  }
}

}  // namespace

void prepare_grating(Workspace& ws, const ElementRecord& e, int k, int mode) {
  Graphics& g = ws.graphics;
  if (mode != kOutlineOnly) {
    const float w = e.slot(3), h = e.slot(4);
    ws.scheme.pick(k) = {e.slot(5), e.slot(6)};
    const ElementView view{.width = 220.0f, .x_min = -w, .x_max = w, .y_min = -h, .y_max = h,
                           .x_step = w, .y_step = h};
    open_element_view(ws, k, element_window_title(k, "  Прямоугольная дифракционная решетка"),
                      view);
    g.select_color(color::kAperture);
    draw_aperture_rectangle(g, k, w, h);
    return_to_scheme_window(g, e);
  }
  draw_outline(g, e);
}

void trace_grating(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k) {
  const float w = e.slot(3), h = e.slot(4), xo = e.slot(5), yo = e.slot(6);
  const GratingFrame f = grating_frame(e.slot(7), e.slot(10));
  const double period = 1000.0 / static_cast<double>(e.slot(8));
  const int order = trunc_to_int(e.slot(9));
  Graphics& g = ws.graphics;
  g.select_color(color::kRay);

  // An order that cannot propagate is lost at the face like a ray beside it
  const GratingFace face{f, w, h, xo, yo, static_cast<double>(order), period};
  const HitSink hits = hit_sink(ws, k, rays);
  const auto on_hit = HitSteps{[&face, hits, leaving = RepeatedDiffraction(),
                                mark_pixel = PointMapper(g.mapping(k, 1))](Ray& ray) mutable {
    const GratingSpot<double> spot =
        grating_aperture(face, axes_of<double>(face.f), position_of(ray));
    Vec3 out;
    const bool leaves = spot.inside != 0 && leaving.of(face, ray, out);
    if (leaves) {
      set_direction(ray, out);
    } else {
      ray.alive = 0.0;
    }
    const float u = to_single(spot.u), v = to_single(spot.v);
    hits.put(ray, u, v, leaves);
    return GratingMark{mark_pixel(u, v), leaves};
  }, [&face]<int N>(const FlatHitLanes<N>& hits) LUMI_LANES_ATTRIBUTES {
    return diffract_lanes(face, hits);
  }};
  // Marks are coloured while the element window is current, so the scheme window keeps colour 1.
  HitMarks marks(g, k, ws.painted);
  const auto draw_mark = [&marks](const GratingMark& mark) {
    marks.plot(mark.at, mark.leaves ? color::kPassingHit : color::kRay);
  };
  // Diffraction on lanes costs less than once for each run of repeated crossings
  const int drawn = trace_flat(ws, rays, flat_plane(f.n.x, f.n.y, f.n.z, xo, yo),
                               BehindRay::kMet, LanesFor::kEveryBeam, k, on_hit, [] {}, draw_mark,
                               hits);
  marks.choose_last_color(k, 1);

  log_count(ws, " Дифр. решетка: нарисовано", drawn);
}

}  // namespace lumi
