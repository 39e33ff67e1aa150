// Scale marks, numbered labels, scale captions, dashed grids and the frame of a view.
#pragma once

#include <string>

#include "graphics/graphics.h"

namespace lumi {

void draw_axes(Graphics& g, int window, int view, float x_label_step, float x_grid_step,
               int x_subdivisions, float y_label_step, float y_grid_step, int y_subdivisions);

// A cross centred on the world point (x, y), its arms `size` logical units long in total.
void draw_mark(Graphics& g, int window, int view, float x, float y, float size);

// The texts draw_axes writes, exposed for tests: the 6-column number of a label value for an axis
// of magnitude m and scale exponent s, and the scale caption for s.
std::string axis_number_text(float value, float magnitude, int scale);
std::string axis_scale_caption(int scale);

}  // namespace lumi
