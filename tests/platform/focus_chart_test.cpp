// The through-focus chart, drawn into a real canvas: its window and title, its curves through the
// points of the shifts that met a ray, and the scheme's windows left as they were.
#include "graphics/focus_chart.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/test_display.h"

namespace lumi::test {
namespace {

constexpr Rgb kYellow = 0x00FFFF, kCyan = 0xFFFF00, kGreen = 0x00FF00;

// Whether a pixel within one of p has the colour.
bool lit_near(const Canvas& c, PixelPoint p, Rgb rgb) {
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      if (c.pixel(p.x + dx, p.y + dy) == rgb) return true;
    }
  }
  return false;
}

TEST(FocusChartTest, CurvesPassThroughEveryShiftThatMetARayInTheirColours) {
  TestDisplay display;
  Graphics g(display);
  g.open_element_window(1, 600, 800, "1  Оптическая схема");
  g.select_window(1, 0);
  g.select_color(5);

  const double nan = std::numeric_limits<double>::quiet_NaN();
  FocusSweep sweep;
  sweep.k = 3;
  add_shift(sweep, {-1.0f, 2.0f, 1.0f, 2.0f, 50, 0.0, 0.0, 0.8});
  add_shift(sweep, {0.0f, 1.0f, 0.5f, 1.0f, 50, 0.0, 0.0, 0.3});
  add_shift(sweep, {1.0f, -2e20f, -2e20f, -2e20f, 0, nan, nan, nan});  // no ray: no point
  add_shift(sweep, {2.0f, 1.5f, 1.2f, 1.5f, 50, 0.0, 0.0, 0.7});
  draw_focus_chart(g, sweep);

  const int w = focus_chart_window(3);
  EXPECT_EQ(display.title(w), "Фокусировка, элемент 3");
  const std::shared_ptr<Canvas> chart = display.canvas(w);
  ASSERT_TRUE(chart);
  // The y range reaches a tenth above the largest value (dX = 2), d spans the shifts with a spot
  EXPECT_EQ(g.view(w, 1).x_min, -1.0f);
  EXPECT_EQ(g.view(w, 1).x_max, 2.0f);
  EXPECT_FLOAT_EQ(g.view(w, 1).y_max, 2.2f);
  for (const ShiftStats& s : sweep.shifts) {
    if (s.n == 0) continue;
    EXPECT_TRUE(lit_near(*chart, g.world_to_pixel(w, 1, s.d, s.dx), kYellow)) << s.d;
    EXPECT_TRUE(lit_near(*chart, g.world_to_pixel(w, 1, s.d, s.dy), kCyan)) << s.d;
    EXPECT_TRUE(lit_near(*chart, g.world_to_pixel(w, 1, s.d, 2.0f * float(s.rms)), kGreen))
        << s.d;
  }
  // Drawing goes on where it was, in the colour it had
  EXPECT_EQ(g.drawing_context().window, 1);
  EXPECT_EQ(g.current_color(), 5);

  // No shift met a ray: no chart
  FocusSweep empty;
  empty.k = 4;
  add_shift(empty, {0.0f, -2e20f, -2e20f, -2e20f, 0, nan, nan, nan});
  draw_focus_chart(g, empty);
  EXPECT_FALSE(display.title(focus_chart_window(4)).has_value());
}

}  // namespace
}  // namespace lumi::test
