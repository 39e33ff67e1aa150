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

// The direction leaving the grating in order m for the incident direction d, each component in
// single precision, or false when the order cannot propagate (|s'| > 1).
bool diffract(const GratingFrame& f, const Vec3& d, int order, double wavelength, double period,
              Vec3& out) {
  // Along the grooves the direction is kept
  const double p = dot(d, f.t1);
  double p2 = p * p;
  if (to_single(p2) > 1.0f) p2 = 1.0;
  const double q = std::sqrt(1.0 - p2);
  const float s = to_single(order * wavelength / (period * q));

  // Across the grooves: the grating equation on the component along T2
  const Vec3 r = d - p * f.t1;
  const double rho = std::sqrt(dot(r, r));
  const Vec3 r_hat{r.x / rho, r.y / rho, r.z / rho};
  const float c2 = to_single(dot(f.t2, r_hat));
  const float s_out = s - c2;
  const float s_out2 = s_out * s_out;
  if (s_out2 > 1.0f) return false;
  const float nu = std::sqrt(1.0f - s_out2);

  const Vec3 dir = rho * (static_cast<double>(nu) * f.n - static_cast<double>(s_out) * f.t2) +
                   p * f.t1;
  out = {to_single(dir.x), to_single(dir.y), to_single(dir.z)};
  return true;
}

// A hit mark: its pixel in the grating's window, and whether the ray left the face.
struct GratingMark {
  PixelPoint at;
  bool leaves;
  bool operator==(const GratingMark&) const = default;
};

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
  const auto on_hit = [=, &f, mark_pixel = PointMapper(g.mapping(k, 1))](Ray& ray) mutable {
    const Vec3 rel{ray.x - xo, ray.y - yo, ray.z};
    const float a = to_single(2.0 * std::abs(dot(rel, f.t1)));
    const float b = to_single(2.0 * std::abs(dot(rel, f.t2)));
    const bool inside = !(a > w || b > h);
    Vec3 out;
    const bool leaves = inside && diffract(f, direction_of(ray), order, ray.wavelength, period, out);
    if (leaves) {
      set_direction(ray, out);
    } else {
      ray.alive = 0.0;
    }
    const float u = to_single(signed_by(rel.x, 0.5f * a));
    const float v = to_single(signed_by(ray.z, 0.5f * b));
    return GratingMark{mark_pixel(u, v), leaves};
  };
  // Marks are coloured while the element window is current, so the scheme window keeps colour 1.
  const auto draw_mark = [&](const GratingMark& mark) {
    g.select_window(k, 0);
    g.select_color(mark.leaves ? color::kPassingHit : color::kRay);
    g.plot_pixel(k, mark.at);
    g.select_window(1, 0);
  };
  const int drawn = trace_flat(ws, rays, flat_plane(f.n.x, f.n.y, f.n.z, xo, yo),
                               BehindRay::kMet, k, on_hit, [] {}, draw_mark);

  ws.log.append(count_line(" Дифр. решетка: нарисовано", drawn));
}

}  // namespace lumi
