// The cylindrical lens: only an outline, redrawn when the user picks it. The lens is turned about
// its optical axis, projected onto the scheme plane and drawn as a small wire-frame: the outline
// of its top face, the side edges on one side and parts of the profiles of its bottom face. It has
// no window, no anchor and no ray interaction. All of it is single precision.
//
// Record slots read:
//   3  a   width across the optical axis, scheme length units
//   4  b   height of the lens
//   5  Xo  x of the lens centre
//   6  Yo  y of the lens centre
//   7  Fi  direction of the optical axis, degrees
//   8  ψ   turn about the optical axis, degrees; at 0 the curved profiles lie in the scheme plane
//   9  R1  radius of surface 1 (vertex at +t/2 on the axis), 0 = flat, > 0 bulges toward +axis
//   10 R2  radius of surface 2 (vertex at -t/2), 0 = flat, > 0 bulges toward -axis
//   11 t   thickness between the vertices
#include <cmath>

#include "elements/elements.h"
#include "tracing/degrees.h"

namespace lumi {

namespace {

// A turn beyond this is reduced with fmod first, so the half-turn loops below stay short.
constexpr float kLargeTurn = 1.0e6f;

// ψ brought into [-90, 90] by half turns.
float half_turn_reduced(float psi) {
  if (std::abs(psi) > kLargeTurn) psi = std::fmod(psi, 180.0f);
  while (psi > 90.0f) psi -= 180.0f;
  while (psi < -90.0f) psi += 180.0f;
  return psi;
}

// The lens in its own frame: r along the axis, s across it.
struct CylinderLens {
  float a, b, xo, yo, fi, psi, psi_n, r1, r2, t;
  float alpha1 = 0.0f, c1 = 0.0f, alpha2 = 0.0f, c2 = 0.0f;
  float r1e = 0.0f, r2e = 0.0f;
  float sigma = 1.0f;
};

CylinderLens cylinder_lens(const ElementRecord& e) {
  CylinderLens l{e.slot(3), e.slot(4), e.slot(5), e.slot(6), e.slot(7), e.slot(8),
                 half_turn_reduced(e.slot(8)), e.slot(9), e.slot(10), e.slot(11)};
  l.r1e = l.t / 2.0f;
  if (l.r1 != 0.0f) {
    l.alpha1 = asin_deg_f(l.a / (2.0f * l.r1));
    l.c1 = l.t / 2.0f - l.r1;
    l.r1e = l.c1 + l.r1 * cos_deg_f(l.alpha1);
  }
  l.r2e = -l.t / 2.0f;
  if (l.r2 != 0.0f) {
    l.alpha2 = asin_deg_f(l.a / (2.0f * l.r2));
    l.c2 = l.r2 - l.t / 2.0f;
    l.r2e = l.c2 - l.r2 * cos_deg_f(l.alpha2);
  }
  l.sigma = l.psi_n > 0.0f ? 1.0f : -1.0f;
  return l;
}

enum Face { kTop, kBottom };

class LensPen {
 public:
  LensPen(Graphics& g, const CylinderLens& l) : g_(g), l_(l) {}

  // A point (r, s) of the top or bottom face.
  void at(float r, float s, int pen, Face face) {
    draw_lens_point(g_, 1, 1, r, s, pen, l_.xo, l_.yo, l_.fi, face == kTop ? l_.b : -l_.b,
                    l_.psi_n);
  }
  // The points of the two profiles at angle phi.
  void surface1(float phi, int pen, Face face) {
    at(l_.c1 + l_.r1 * cos_deg_f(phi), l_.r1 * sin_deg_f(phi), pen, face);
  }
  void surface2(float phi, int pen, Face face) {
    at(l_.c2 - l_.r2 * cos_deg_f(phi), -l_.r2 * sin_deg_f(phi), pen, face);
  }

 private:
  Graphics& g_;
  const CylinderLens& l_;
};

// The top face as one closed polyline: surface 1 from s = -a/2 to a/2, surface 2 back.
void draw_top_face(LensPen& pen, const CylinderLens& l) {
  const float half_a = l.a / 2.0f;
  if (l.r1 == 0.0f) {
    pen.at(l.t / 2.0f, -half_a, kMove, kTop);
    pen.at(l.t / 2.0f, half_a, kLine, kTop);
  } else {
    const float step = 0.1f * l.alpha1;
    pen.surface1(-l.alpha1, kMove, kTop);
    for (int j = 1; j <= 20; ++j) pen.surface1(-l.alpha1 + static_cast<float>(j) * step, kLine, kTop);
  }
  if (l.r2 == 0.0f) {
    pen.at(-l.t / 2.0f, half_a, kLine, kTop);
    pen.at(-l.t / 2.0f, -half_a, kLine, kTop);
  } else {
    const float step = 0.1f * l.alpha2;
    pen.surface2(-l.alpha2, kLine, kTop);
    for (int j = 1; j <= 20; ++j) pen.surface2(-l.alpha2 + static_cast<float>(j) * step, kLine, kTop);
  }
  if (l.r1 == 0.0f) {
    pen.at(l.t / 2.0f, -half_a, kLine, kTop);
  } else {
    pen.surface1(-l.alpha1, kLine, kTop);
  }
}

// The side edges at s = σ·a/2 and what shows of the bottom profiles.
void draw_sides_and_bottom(LensPen& pen, const CylinderLens& l) {
  const float side = l.sigma * l.a / 2.0f;
  pen.at(l.r1e, side, kMove, kTop);
  pen.at(l.r1e, side, kLine, kBottom);
  pen.at(l.r2e, side, kLine, kBottom);
  pen.at(l.r2e, side, kLine, kTop);

  // A concave profile shows only where the turned top face does not hide it
  const float tan_psi = std::abs(sin_deg_f(l.psi) / cos_deg_f(l.psi));
  const bool concave_visible = tan_psi * l.b <= l.a;

  if (l.r1 > 0.0f) {
    const float step = 0.1f * l.alpha1;
    pen.at(l.t / 2.0f, 0.0f, kMove, kTop);
    pen.at(l.t / 2.0f, 0.0f, kLine, kBottom);
    for (int j = 1; j <= 10; ++j) pen.surface1(l.sigma * static_cast<float>(j) * step, kLine, kBottom);
  } else if (l.r1 < 0.0f) {
    pen.at(l.r1e, -side, kMove, kTop);
    pen.at(l.r1e, -side, kLine, kBottom);
    if (concave_visible) {
      const float beta_step = 0.1f * ((l.a - tan_psi * l.b) * l.alpha1 / l.a);
      for (int j = 1; j <= 10; ++j) {
        pen.surface1(-l.sigma * (l.alpha1 - static_cast<float>(j) * beta_step), kLine, kBottom);
      }
    }
  }

  if (l.r2 > 0.0f) {
    const float step = 0.1f * l.alpha2;
    pen.at(-l.t / 2.0f, 0.0f, kMove, kTop);
    pen.at(-l.t / 2.0f, 0.0f, kLine, kBottom);
    for (int j = 1; j <= 10; ++j) pen.surface2(-l.sigma * static_cast<float>(j) * step, kLine, kBottom);
  } else if (l.r2 < 0.0f) {
    pen.at(l.r2e, -side, kMove, kTop);
    pen.at(l.r2e, -side, kLine, kBottom);
    if (concave_visible) {
      const float beta_step = 0.1f * ((l.a - tan_psi * l.b) * l.alpha2 / l.a);
      for (int j = 1; j <= 10; ++j) {
        pen.surface2(l.sigma * (l.alpha2 - static_cast<float>(j) * beta_step), kLine, kBottom);
      }
    }
  }
}

}  // namespace

void draw_lens_point(Graphics& g, int window, int view, float r, float s, int pen, float xo,
                     float yo, float fi, float height, float psi_n) {
  const float z = height / 2.0f;
  const float s_turned = s * cos_deg_f(psi_n) - z * sin_deg_f(psi_n);
  g.draw_to(window, view, xo + r * cos_deg_f(fi) - s_turned * sin_deg_f(fi),
            yo + r * sin_deg_f(fi) + s_turned * cos_deg_f(fi), pen);
}

// Whatever the mode, only the outline is drawn: the lens has no window and stores no anchor.
void prepare_cylindrical_lens(Workspace& ws, const ElementRecord& e, int /*k*/, int /*mode*/) {
  const CylinderLens l = cylinder_lens(e);
  LensPen pen(ws.graphics, l);
  draw_top_face(pen, l);
  draw_sides_and_bottom(pen, l);
}

}  // namespace lumi
