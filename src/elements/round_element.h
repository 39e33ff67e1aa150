// The element window of the round elements (spherical mirror, ideal lens, spherical lens): view 1
// over twice the aperture with scale steps of one diameter, and the aperture circle.
#pragma once

#include <string_view>

#include "tracing/element_window.h"

namespace lumi {

// The full preparation up to the aperture: the anchor (xo, yo) of element k, window k with its
// title and axes, and the circle of diameter d in colour 4. The caller then draws what else the
// element shows and returns to the scheme window.
inline void open_round_element_window(Workspace& ws, int k, std::string_view text, float xo,
                                      float yo, float d) {
  ws.scheme.pick(k) = {xo, yo};
  const ElementView view{.x_min = -d, .x_max = d, .y_min = -d, .y_max = d, .x_step = d,
                         .y_step = d};
  open_element_view(ws, k, element_window_title(k, text), view);
  ws.graphics.select_color(color::kAperture);
  draw_aperture_circle(ws.graphics, k, d);
}

}  // namespace lumi
