// The through-focus chart: one view with the axes of draw_axes, a curve per measure through the
// shifts that met a ray, each point marked with a small cross, a legend above the view and the
// best focus by rms as a dashed vertical line with its value.
#include "graphics/focus_chart.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "graphics/axes.h"
#include "model/fixed_format.h"
#include "model/numeric.h"

namespace lumi {

namespace {

constexpr int kChartWidth = 640;
constexpr int kChartHeight = 480;
constexpr float kCaption = 7.0f;
constexpr float kPointMark = 1.5f;

// A curve: its name in the legend, colour, line style (dY dashed, so that dX shows through where
// the two are one, as for a round spot) and value.
struct Measure {
  const char* name;
  int color;
  int style;
  float (*of)(const ShiftStats&);
};

constexpr Measure kMeasures[] = {
    {"dX", 2, 1, [](const ShiftStats& s) { return s.dx; }},
    {"dY", 4, 2, [](const ShiftStats& s) { return s.dy; }},
    {"2·RMS", 3, 1, [](const ShiftStats& s) { return static_cast<float>(2.0 * s.rms); }},
};

std::string trimmed(const std::string& field) {
  const std::size_t first = field.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : field.substr(first);
}

struct Range {
  float d_min, d_max, top;
};

// The world rectangle: the shifts across, 0 to a tenth above the largest value up.
Range chart_range(const FocusSweep& sweep) {
  Range r{1e30f, -1e30f, 0.0f};
  for (const ShiftStats& s : sweep.shifts) {
    if (s.n == 0) continue;
    r.d_min = std::min(r.d_min, s.d);
    r.d_max = std::max(r.d_max, s.d);
    for (const Measure& m : kMeasures) {
      const float v = m.of(s);
      if (std::isfinite(v)) r.top = std::max(r.top, v);
    }
  }
  if (!(r.d_max > r.d_min)) {
    r.d_min -= 0.5f;
    r.d_max += 0.5f;
  }
  r.top = r.top > 0.0f ? 1.1f * r.top : 1.0f;
  return r;
}

void draw_curve(Graphics& g, int w, const FocusSweep& sweep, const Measure& m) {
  g.select_window(w, 0);
  g.select_color(m.color);
  g.set_line_style(m.style);
  int pen = kMove;
  for (const ShiftStats& s : sweep.shifts) {
    const float v = m.of(s);
    if (s.n == 0 || !std::isfinite(v)) continue;
    g.draw_to(w, 1, s.d, v, pen);
    pen = kLine;
  }
  g.set_line_style(1);
  for (const ShiftStats& s : sweep.shifts) {
    const float v = m.of(s);
    if (s.n > 0 && std::isfinite(v)) draw_mark(g, w, 1, s.d, v, kPointMark);
  }
}

// Above the view: a short line in each curve's colour with its name.
void draw_legend(Graphics& g, int w) {
  float x = 20.0f;
  for (const Measure& m : kMeasures) {
    g.select_window(w, 0);
    g.select_color(m.color);
    g.set_line_style(m.style);
    const int y = trunc_to_int((kLogicalHeight - 168.0f) * kChartHeight / kLogicalHeight);
    const int x0 = trunc_to_int(x * kChartWidth / kLogicalWidth);
    g.draw_to_pixel(w, x0, y, kMove);
    g.draw_to_pixel(w, x0 + 30, y, kLine);
    g.set_line_style(1);
    g.draw_caption(w, x + 14.0f, 172.0f, kCaption, 0.0f, m.name);
    x += 38.0f;
  }
}

void draw_best_focus(Graphics& g, int w, const FocusSweep& sweep, const Range& r) {
  if (!sweep.best_rms) return;
  const ShiftStats& best = sweep.shifts[static_cast<std::size_t>(*sweep.best_rms)];
  g.select_window(w, 0);
  g.select_color(7);
  g.set_line_style(3);
  g.draw_vertical(w, 1, best.d, 0.0f, r.top);
  g.set_line_style(1);
  const std::string text = "фокус d=" + trimmed(format_f(best.d, 12, 4)) +
                           " RMS=" + trimmed(format_f(best.rms, 14, 5));
  g.draw_caption(w, 138.0f, 172.0f, kCaption, 0.0f, text);
}

}  // namespace

void draw_focus_chart(Graphics& g, const FocusSweep& sweep) {
  const bool any = std::any_of(sweep.shifts.begin(), sweep.shifts.end(),
                               [](const ShiftStats& s) { return s.n > 0; });
  if (!any) return;
  const Graphics::DrawingContext before = g.drawing_context();
  const int w = focus_chart_window(sweep.k);
  g.open_element_window(w, kChartHeight, kChartWidth,
                        "Фокусировка, элемент " + std::to_string(sweep.k));
  g.platform().initialize_fonts();

  const Range r = chart_range(sweep);
  g.select_window(w, 0);
  g.select_color(8);
  g.set_view_frame(w, 1, 10.0f, 10.0f, 220.0f, 140.0f);
  g.set_view_world(w, 1, r.d_min, r.d_max, 0.0f, r.top);
  const float x_step = (r.d_max - r.d_min) / 4.0f;
  draw_axes(g, w, 1, x_step, x_step, 0, r.top / 4.0f, r.top / 4.0f, 0);
  for (const Measure& m : kMeasures) draw_curve(g, w, sweep, m);
  draw_legend(g, w);
  draw_best_focus(g, w, sweep, r);
  g.restore(before);
}

void close_focus_charts(Graphics& g, const TraceResults& results) {
  for (const FocusSweep& sweep : results.focus) {
    if (g.window(focus_chart_window(sweep.k)).pixel_width > 0.0f) {
      g.close_window(focus_chart_window(sweep.k));
    }
  }
}

}  // namespace lumi
