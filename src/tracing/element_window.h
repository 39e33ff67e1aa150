// What the preparation routines of the elements have in common: the element window with its
// title, view and axes, the aperture shapes drawn in it, the return to the scheme window with the
// outline colour, and the outline segment across an element's normal.
#pragma once

#include <string>
#include <string_view>

#include "model/element.h"
#include "tracing/workspace.h"

namespace lumi {

// The caption of element window k: one blank, k right-aligned in 3 columns, the element's text,
// cut or blank-padded to `width` characters (trailing blanks kept, as the caption is given).
std::string element_window_title(int k, std::string_view text, int width = 50);

// View 1 of an element window: its logical width (the height is always 160), its world rectangle
// and the steps and subdivisions given to draw_axes.
struct ElementView {
  float width = 160.0f;
  float x_min = 0.0f, x_max = 0.0f, y_min = 0.0f, y_max = 0.0f;
  float x_step = 0.0f, y_step = 0.0f;
  int x_subdivisions = 0, y_subdivisions = 0;
};

// Opens window k, 640 by 480 pixels, with the title, places view 1 at (10, 10) and draws its axes.
void open_element_view(Workspace& ws, int k, std::string_view title, const ElementView& view);

// Aperture shapes centred on the origin of view 1 of window k, in the current colour: the circle
// of the diameter as 360 one-degree chords starting at (d/2, 0), and the w by h rectangle.
void draw_aperture_circle(Graphics& g, int k, float diameter);
void draw_aperture_rectangle(Graphics& g, int k, float width, float height);

// The end of a full preparation: colour 1 in the element window, the scheme window current
// (not brought to the front), solid lines and the outline colour by the sign of the type code.
void return_to_scheme_window(Graphics& g, const ElementRecord& e);

// The outline of a flat element in the scheme window: the segment across the normal angle fi
// through (xo, yo), `half` to each side, from (xo - sin fi*half, yo + cos fi*half) to
// (xo + sin fi*half, yo - cos fi*half), in single precision and the current colour.
void draw_across_segment(Graphics& g, float xo, float yo, float fi, float half);

}  // namespace lumi
