// The preparation pass (scheme window, then each element's window, anchor and outline), the
// dispatch of one element's preparation by its absolute type code, and the dispatch of one
// element's tracing by its signed code. The tables below are the one place that maps type codes
// to element routines.
#include "tracing/passes.h"

#include <cmath>
#include <string>

#include "elements/elements.h"
#include "graphics/axes.h"
#include "model/cp1251.h"

namespace lumi {

namespace {

constexpr int kSchemeWindowWidth = 800;
constexpr int kSchemeWindowHeight = 600;
constexpr int kSchemeTitleLength = 100;

std::string_view trim_trailing_blanks(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string_view{} : text.substr(0, end + 1);
}

// Whether an element traced with this code marks its hits in a window of its own.
bool marks_hits(float c) {
  return c == code::kOuterDiaphragm || c == code::kInnerDiaphragm || c == code::kRectDiaphragm ||
         c == code::kFlatMirror || c == code::kSphericalMirror || c == code::kIdealLens ||
         c == code::kSphericalLens || c == code::kGrating || c == code::kFocalPlane;
}

}  // namespace

void open_scheme_window(Workspace& ws, float x_min, float x_max, float y_min, float y_max,
                        std::string_view file_name) {
  Graphics& g = ws.graphics;
  g.platform().set_frame_window(kFrameMaximise, 0, 0, 0, 0);

  // The caption is a text of 100 characters, trailing blanks kept, as every window's caption is
  std::string title = "1  Оптическая схема, файл ";
  title += trim_trailing_blanks(file_name);
  g.open_element_window(1, kSchemeWindowHeight, kSchemeWindowWidth,
                        utf8_fixed_width(title, kSchemeTitleLength));
  g.platform().initialize_fonts();

  g.select_color(color::kOffOutline);
  g.set_view_frame(1, 1, 10.0f, 10.0f, 220.0f, 160.0f);
  g.set_view_world(1, 1, x_min, x_max, y_min, y_max);
  const float x_step = x_max - x_min;
  const float y_step = y_max - y_min;
  draw_axes(g, 1, 1, x_step, x_step, 0, y_step, y_step, 0);
  g.select_color(color::kRay);
}

// Code 44 (the cylindrical lens) is outlined only by the interactive step, never by this pass.
void prepare_scheme(Workspace& ws) {
  Scheme& s = ws.scheme;
  open_scheme_window(ws, s.x_min, s.x_max, s.y_min, s.y_max, s.file_name);
  for (int k = 1; k <= s.count; ++k) {
    const ElementRecord& e = s.element(k);
    if (std::abs(e.code()) != code::kCylindricalLens) prepare_element(ws, e, k, kFullMode);
    if (ws.results != nullptr && marks_hits(e.code())) {
      ws.results->make_hit_room(k, e.code() == code::kFocalPlane ||
                                       e.code() == code::kSphericalLens);
    }
  }
  ws.graphics.select_window(1, 1);
}

void prepare_element(Workspace& ws, const ElementRecord& element, int k, int mode) {
  prepare_element_as(ws, std::abs(element.code()), element, k, mode);
}

void prepare_element_as(Workspace& ws, float abs_code, const ElementRecord& e, int k, int mode) {
  if (abs_code == code::kSource) prepare_source(ws, e, mode);
  if (abs_code == code::kOuterDiaphragm) prepare_outer_diaphragm(ws, e, k, mode);
  if (abs_code == code::kInnerDiaphragm) prepare_inner_diaphragm(ws, e, k, mode);
  if (abs_code == code::kRectDiaphragm) prepare_rect_diaphragm(ws, e, k, mode);
  if (abs_code == code::kFlatMirror) prepare_flat_mirror(ws, e, k, mode);
  if (abs_code == code::kSphericalMirror) prepare_spherical_mirror(ws, e, k, mode);
  if (abs_code == code::kIdealLens) prepare_ideal_lens(ws, e, k, mode);
  if (abs_code == code::kSphericalLens) prepare_spherical_lens(ws, e, k, mode);
  if (abs_code == code::kCylindricalLens) prepare_cylindrical_lens(ws, e, k, mode);
  if (abs_code == code::kGrating) prepare_grating(ws, e, k, mode);
  if (abs_code == code::kFocalPlane) prepare_focal_plane(ws, e, k, mode);
}

// Exact comparison of the signed code: a switched-off element matches nothing and the rays pass
// it untouched.
void trace_element(Workspace& ws, const ElementRecord& e, RayBundle& rays, int k) {
  if (ws.results != nullptr) ws.results->tracing = k;
  const float c = e.code();
  if (c == code::kSource) trace_source(ws, e, rays);
  if (c == code::kOuterDiaphragm) trace_outer_diaphragm(ws, e, rays, k);
  if (c == code::kInnerDiaphragm) trace_inner_diaphragm(ws, e, rays, k);
  if (c == code::kRectDiaphragm) trace_rect_diaphragm(ws, e, rays, k);
  if (c == code::kFlatMirror) trace_flat_mirror(ws, e, rays, k);
  if (c == code::kSphericalMirror) trace_spherical_mirror(ws, e, rays, k);
  if (c == code::kIdealLens) trace_ideal_lens(ws, e, rays, k);
  if (c == code::kSphericalLens) trace_spherical_lens(ws, e, rays, k);
  if (c == code::kGrating) trace_grating(ws, e, rays, k);
  if (c == code::kFocalPlane) trace_focal_plane(ws, e, rays, k);
}

}  // namespace lumi
