// Scale marks, numbered labels with their power-of-ten caption, dashed grids and the frame of a
// view, all computed from the view's world and logical rectangles in single precision.
#include "graphics/axes.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "model/fixed_format.h"
#include "model/numeric.h"

namespace lumi {
namespace {

constexpr float kCaptionSize = 7.0f;
constexpr float kMajorMark = 3.5f;
constexpr float kMinorMark = 2.5f;
constexpr int kSolid = 1;
constexpr int kShortDashes = 3;
// No view shows more labels or grid lines than this; it only stops absurd steps from looping.
constexpr int kMaxAxisSteps = 10000;

// Decimal order of a magnitude: log10 truncated toward zero. The logarithm is taken of the exact
// single-precision value, so 0.1f (just above a tenth) has order 0. The order of 0 or of an
// infinity is held at +-99 instead of reaching integer overflow.
int decimal_order(float m) {
  return std::clamp(trunc_to_int(std::log10(static_cast<double>(m))), -99, 99);
}

// The scale exponent s of an axis of magnitude m: numbers are printed as 10^s times the value.
int scale_exponent(float m) {
  const int e = decimal_order(m);
  int s = 0;
  if (m <= 0.1f) s = 2 - e;
  if (m >= 1000.0f) s = 1 - e;
  return s;
}

// 10.0 raised to an integer power in single precision; a negative power is the reciprocal.
float power_of_ten(int n) {
  float p = 1.0f;
  for (int i = 0; i < std::abs(n); ++i) p *= 10.0f;
  return n < 0 ? 1.0f / p : p;
}

float magnitude(float lo, float hi) {
  float m = std::fabs(hi);
  if (std::fabs(lo) > m) m = std::fabs(lo);
  return m;
}

// Labels along a range: the 1% margin keeps the last label when accumulation falls just short.
// The sum runs left to right exactly as written. Counts are capped so absurd steps cannot loop.
int label_count(float v_min, float v_max, float step) {
  const int n = trunc_to_int(((v_max - v_min) * 0.01f + v_max - v_min + step) / step);
  return std::min(n, kMaxAxisSteps);
}

// Grid lines along a range, without a margin.
int grid_count(float v_min, float v_max, float step) {
  const int n = trunc_to_int((v_max - v_min + step) / step);
  return std::min(n, kMaxAxisSteps);
}

// The logical coordinate of a world value along an axis; an empty world range puts every value
// at the axis start.
float logical_position(float v, float v_min, float v_max, float l0, float l1) {
  if (v_max == v_min) return l0;
  return (v - v_min) * (l1 - l0) / (v_max - v_min) + l0;
}

struct Axis {
  float v_min, v_max;  // world range
  float l0, l1;        // logical range
  float step;
  int subdivisions;
};

// Labels along one axis. `horizontal` chooses the x axis: labels under the bottom edge, the
// trailing zero blanked and all six columns drawn; otherwise labels turned upright left of the
// left edge with five columns drawn.
void draw_labels(Graphics& g, int window, int view, const Axis& axis, const ViewRecord& rec,
                 bool horizontal) {
  const float m = magnitude(axis.v_min, axis.v_max);
  const int s = scale_exponent(m);

  // Scale caption
  if (s != 0) {
    const std::string caption = axis_scale_caption(s);
    if (horizontal) {
      g.draw_caption(window, rec.logical_right - 17.0f, rec.logical_bottom, kCaptionSize, 0.0f,
                     caption);
    } else {
      g.draw_caption(window, rec.logical_left - 6.0f, rec.logical_top - 18.0f, kCaptionSize,
                     90.0f, caption);
    }
  }

  // A mark on the bottom edge (x axis) or the left edge (y axis) at world value u
  const auto mark = [&](float u, float size) {
    if (horizontal) {
      draw_mark(g, window, view, u, rec.y_min, size);
    } else {
      draw_mark(g, window, view, rec.x_min, u, size);
    }
  };

  // Numbered labels with a major mark each
  const int n = label_count(axis.v_min, axis.v_max, axis.step);
  float v = axis.v_min;
  for (int i = 0; i < n; ++i) {
    std::string text = axis_number_text(v, m, s);
    const float along = logical_position(v, axis.v_min, axis.v_max, axis.l0, axis.l1);
    if (horizontal) {
      const float y = std::max(rec.logical_bottom - 1.0f, 6.0f);
      if (text.size() >= 6 && text[5] == '0') text[5] = ' ';
      g.draw_caption(window, along - 9.0f, y + 2.0f, kCaptionSize, 0.0f, text);
    } else {
      const float x = std::max(rec.logical_left - 1.0f, 6.0f);
      g.draw_caption(window, x - 8.0f, along - 8.0f, kCaptionSize, 90.0f,
                     std::string_view(text).substr(0, 5));
    }
    g.set_line_style(kSolid);
    mark(v, kMajorMark);

    // Intermediate marks between this label and the next, inside the range
    for (int j = 1; j < axis.subdivisions; ++j) {
      const float u = v + axis.step * static_cast<float>(j) / static_cast<float>(axis.subdivisions);
      if (!(u <= axis.v_max)) break;
      mark(u, kMinorMark);
    }
    v = v + axis.step;
  }
}

// Grid lines in short dashes across the view, every `step` from the start of the axis:
// vertical lines along x, or horizontal lines along y.
void draw_grid(Graphics& g, int window, int view, const ViewRecord& rec, float step,
               bool vertical) {
  g.set_line_style(kShortDashes);
  const float start = vertical ? rec.x_min : rec.y_min;
  const int n = grid_count(start, vertical ? rec.x_max : rec.y_max, step);
  float v = start;
  for (int i = 0; i < n; ++i) {
    if (vertical) {
      g.draw_vertical(window, view, v, rec.y_min, rec.y_max);
    } else {
      g.draw_horizontal(window, view, rec.x_min, rec.x_max, v);
    }
    v = v + step;
  }
}

}  // namespace

std::string axis_scale_caption(int scale) {
  if (scale >= 1) return "*E" + format_i(-static_cast<long long>(scale), 3);
  return "*E+" + format_i(-static_cast<long long>(scale), 2);
}

std::string axis_number_text(float value, float magnitude, int scale) {
  std::string text;
  const bool whole = std::fabs(value - std::trunc(value)) <= std::fabs(value) * 1e-4f;
  if (whole) {
    text = format_f(value, 6, 0);
  } else if (magnitude > 100.0f) {
    text = format_f(value, 6, 0);
  } else if (magnitude > 10.0f) {
    text = format_f(value, 6, 1);
  } else if (scale == 0) {
    text = format_f(value, 6, 2);
  }
  if (scale != 0) text = format_f(power_of_ten(scale) * value, 6, 2);
  return text;
}

void draw_mark(Graphics& g, int window, int view, float x, float y, float size) {
  const PixelPoint p = g.world_to_pixel(window, view, x, y);
  const WindowRecord& win = g.window(window);
  const int hx = trunc_to_int(size * win.pixel_width / win.logical_width);
  const int hy = trunc_to_int(size * win.pixel_height / win.logical_height);
  const long long a = hx / 2, b = hy / 2;

  // Arm ends stay within int even for absurd sizes.
  const auto at = [](long long v) {
    return static_cast<int>(std::clamp<long long>(v, INT32_MIN, INT32_MAX));
  };
  g.draw_to_pixel(window, at(p.x - a), p.y, kMove);
  g.draw_to_pixel(window, at(p.x + a), p.y, kLine);
  g.draw_to_pixel(window, p.x, at(p.y - b), kMove);
  g.draw_to_pixel(window, p.x, at(p.y + b), kLine);
}

void draw_axes(Graphics& g, int window, int view, float x_label_step, float x_grid_step,
               int x_subdivisions, float y_label_step, float y_grid_step, int y_subdivisions) {
  const ViewRecord rec = g.view(window, view);
  const float x_min = rec.x_min, x_max = rec.x_max, y_min = rec.y_min, y_max = rec.y_max;

  if (x_label_step > 0.0f) {
    const Axis axis{x_min, x_max, rec.logical_left, rec.logical_right, x_label_step,
                    x_subdivisions};
    draw_labels(g, window, view, axis, rec, true);
  }
  if (y_label_step > 0.0f) {
    const Axis axis{y_min, y_max, rec.logical_bottom, rec.logical_top, y_label_step,
                    y_subdivisions};
    draw_labels(g, window, view, axis, rec, false);
  }

  if (x_grid_step > 0.0f) draw_grid(g, window, view, rec, x_grid_step, true);
  // Without a y grid the view gets no frame either.
  if (!(y_grid_step > 0.0f)) return;
  draw_grid(g, window, view, rec, y_grid_step, false);

  // Frame
  g.set_line_style(kSolid);
  g.draw_vertical(window, view, x_min, y_min, y_max);
  g.draw_vertical(window, view, x_max, y_min, y_max);
  g.draw_horizontal(window, view, x_min, x_max, y_min);
  g.draw_horizontal(window, view, x_min, x_max, y_max);
}

}  // namespace lumi
