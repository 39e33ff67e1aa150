// Element windows, aperture shapes and outline segments shared by the preparation routines.
#include "tracing/element_window.h"

#include "graphics/axes.h"
#include "model/cp1251.h"
#include "model/fixed_format.h"
#include "tracing/degrees.h"

namespace lumi {

namespace {

constexpr int kElementWindowWidth = 640;
constexpr int kElementWindowHeight = 480;

}  // namespace

std::string element_window_title(int k, std::string_view text, int width) {
  std::string title(1, ' ');
  title += format_i(k, 3);
  title += text;
  return utf8_fixed_width(title, width);
}

void open_element_view(Workspace& ws, int k, std::string_view title, const ElementView& view) {
  Graphics& g = ws.graphics;
  g.open_element_window(k, kElementWindowHeight, kElementWindowWidth, title);
  g.platform().initialize_fonts();
  g.set_view_frame(k, 1, 10.0f, 10.0f, view.width, 160.0f);
  g.set_view_world(k, 1, view.x_min, view.x_max, view.y_min, view.y_max);
  draw_axes(g, k, 1, view.x_step, view.x_step, view.x_subdivisions, view.y_step, view.y_step,
            view.y_subdivisions);
}

void draw_aperture_circle(Graphics& g, int k, float diameter) {
  const float radius = diameter / 2.0f;
  g.draw_to(k, 1, radius, 0.0f, kMove);
  for (int i = 1; i <= 360; ++i) {
    const float degrees = static_cast<float>(i);
    g.draw_to(k, 1, radius * cos_deg_f(degrees), radius * sin_deg_f(degrees), kLine);
  }
}

void draw_aperture_rectangle(Graphics& g, int k, float width, float height) {
  const float x = width / 2.0f;
  const float y = height / 2.0f;
  g.draw_to(k, 1, -x, -y, kMove);
  g.draw_to(k, 1, -x, y, kLine);
  g.draw_to(k, 1, x, y, kLine);
  g.draw_to(k, 1, x, -y, kLine);
  g.draw_to(k, 1, -x, -y, kLine);
}

void return_to_scheme_window(Graphics& g, const ElementRecord& e) {
  g.select_color(color::kRay);
  g.select_window(1, 0);
  g.set_line_style(1);
  g.select_color(e.code() >= 0.0f ? color::kOutline : color::kOffOutline);
}

void draw_across_segment(Graphics& g, float xo, float yo, float fi, float half) {
  const float s = sin_deg_f(fi);
  const float c = cos_deg_f(fi);
  g.draw_to(1, 1, xo - s * half, yo + c * half, kMove);
  g.draw_to(1, 1, xo + s * half, yo - c * half, kLine);
}

}  // namespace lumi
