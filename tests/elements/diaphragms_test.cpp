// The diaphragms: the rim cases of the three aperture tests, z in the circular distance, rays
// behind the plane, the sign rule of the hit marks, colours, windows and log lines.
#include <algorithm>

#include "elements/elements.h"
#include "tracing/trace_fixture.h"

namespace lumi::test {
namespace {

class DiaphragmTest : public TraceTest {
 protected:
  DiaphragmTest() {
    platform.open_activates = true;
    open_scheme_view(-20.0f, 20.0f, -20.0f, 20.0f);
  }

  // Prepares the element as element 2 and traces the rays through it.
  void run(const ElementRecord& e, std::initializer_list<Ray> list) {
    prepare_element(e, kFullMode);
    set_rays(list);
    trace(e);
  }
  void prepare_element(const ElementRecord& e, int mode) {
    if (e.code() == 21.0f) prepare_outer_diaphragm(ws, e, 2, mode);
    if (e.code() == 23.0f) prepare_inner_diaphragm(ws, e, 2, mode);
    if (e.code() == 22.0f) prepare_rect_diaphragm(ws, e, 2, mode);
  }
  void trace(const ElementRecord& e) {
    if (e.code() == 21.0f) trace_outer_diaphragm(ws, e, rays, 2);
    if (e.code() == 23.0f) trace_inner_diaphragm(ws, e, rays, 2);
    if (e.code() == 22.0f) trace_rect_diaphragm(ws, e, rays, 2);
  }
  // The colour of the hit mark of the n-th ray that reached the plane.
  Rgb mark_color(std::size_t n) const { return pixels_in(2).at(n).color; }

  static ElementRecord outer(float d) { return make_element(21.0f, {d, 0, 0, 0}); }
  static ElementRecord inner(float d) { return make_element(23.0f, {d, 0, 0, 0}); }
  static ElementRecord rect(float w, float h) { return make_element(22.0f, {w, h, 0, 0, 0}); }
};

// Rays along +x onto the plane x = 0, hitting at (0, y, z).
Ray toward(double y, double z) { return make_ray(-5, y, z, 1, 0, 0); }

TEST_F(DiaphragmTest, OuterPassesOnTheRimAndCountsZ) {
  run(outer(10), {toward(5, 0), toward(0, 6), toward(-3, -4), toward(3, 4.0001)});
  EXPECT_EQ(rays[0].alive, 1.0);
  EXPECT_EQ(mark_color(0), kGreen);
  EXPECT_EQ(rays[1].alive, 0.0);
  EXPECT_EQ(mark_color(1), kRed);
  EXPECT_EQ(rays[2].alive, 1.0);
  EXPECT_EQ(rays[3].alive, 0.0);
  EXPECT_EQ(log_lines().back(), " Круглая наружная диафрагма: нарисовано       4  лучей");
}

TEST_F(DiaphragmTest, InnerStopsTheCentreAndPassesTheRim) {
  run(inner(10), {toward(5, 0), toward(0, 0), toward(0, 4.999)});
  EXPECT_EQ(rays[0].alive, 1.0);
  EXPECT_EQ(mark_color(0), kGreen);
  EXPECT_EQ(rays[1].alive, 0.0);
  EXPECT_EQ(mark_color(1), kRed);
  EXPECT_EQ(rays[2].alive, 0.0);
  // The stopped rays stay where they met the disc, and are counted
  EXPECT_EQ(rays[1].x, 0.0);
  EXPECT_EQ(rays[1].path, 5.0);
  EXPECT_EQ(log_lines().back(), " Круглая внутренняя диафрагма: нарисовано       3  лучей");
}

TEST_F(DiaphragmTest, RectanglePassesOnItsEdgesOnly) {
  run(rect(4, 2), {toward(2, 1), toward(-2, -1), toward(2.001, 0), toward(0, 1.001)});
  EXPECT_EQ(rays[0].alive, 1.0);
  EXPECT_EQ(rays[1].alive, 1.0);
  EXPECT_EQ(rays[2].alive, 0.0);
  EXPECT_EQ(rays[3].alive, 0.0);
  EXPECT_EQ(mark_color(1), kGreen);
  EXPECT_EQ(mark_color(2), kRed);
  EXPECT_EQ(log_lines().back(), " Прямоугольная диафрагма: нарисовано       4  лучей");
}

TEST_F(DiaphragmTest, PlaneBehindTheRayStopsItUndrawnAndUncounted) {
  prepare_element(outer(10), kFullMode);
  const std::size_t segments = segments_in(1).size();
  set_rays({make_ray(5, 0, 0, 1, 0, 0), make_ray(-5, 0, 0, 0, 1, 0)});
  trace(outer(10));
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_EQ(rays[0].x, 5.0);
  EXPECT_EQ(rays[1].alive, 0.0);  // parallel to the plane
  EXPECT_EQ(segments_in(1).size(), segments);
  EXPECT_TRUE(pixels_in(2).empty());
  EXPECT_EQ(log_lines().back(), " Круглая наружная диафрагма: нарисовано       0  лучей");
}

TEST_F(DiaphragmTest, MarkTakesItsSignFromDyWhenDxIsExactlyZero) {
  // Fi = 0: the plane is x = 0 and every hit has dx = 0
  run(rect(10, 10), {toward(-1, 0.5), toward(2, 0)});
  EXPECT_EQ(pixels_in(2).at(0).x, graphics.world_to_pixel(2, 1, -1.0f, 0.5f).x);
  EXPECT_EQ(pixels_in(2).at(0).y, graphics.world_to_pixel(2, 1, -1.0f, 0.5f).y);
  EXPECT_EQ(pixels_in(2).at(1).x, graphics.world_to_pixel(2, 1, 2.0f, 0.0f).x);

  // Fi = 90: the plane is y = 0 and the sign comes from dx
  platform.pixels.clear();
  const ElementRecord across = make_element(22.0f, {10, 10, 0, 0, 90});
  set_rays({make_ray(-2, -5, 0, 0, 1, 0), make_ray(3, 5, 0, 0, -1, 0)});
  trace(across);
  EXPECT_EQ(pixels_in(2).at(0).x, graphics.world_to_pixel(2, 1, -2.0f, 0.0f).x);
  EXPECT_EQ(pixels_in(2).at(1).x, graphics.world_to_pixel(2, 1, 3.0f, 0.0f).x);
}

TEST_F(DiaphragmTest, SegmentsAreRedAndTheSchemeWindowEndsCurrent) {
  run(outer(10), {toward(1, 0), toward(0, 9)});
  const auto rays_drawn = segments_in(1);
  ASSERT_GE(rays_drawn.size(), 2u);
  EXPECT_EQ(rays_drawn[rays_drawn.size() - 1].color, kRed);
  EXPECT_EQ(rays_drawn[rays_drawn.size() - 2].color, kRed);
  EXPECT_EQ(next_line().window, 1);
  EXPECT_EQ(next_line_color(1), kRed);
  EXPECT_EQ(next_line_color(2), kRed);
}

TEST_F(DiaphragmTest, WindowsOfTheThreeKinds) {
  prepare_element(make_element(21.0f, {10, 3, 4, 90}), kFullMode);
  EXPECT_EQ(platform.open_windows.at(2), utf8_fixed_width("   2  Круглая наружноая диафрагма", 50));
  EXPECT_EQ(platform.calls_starting("set_window_config").back(), "set_window_config 2 640 480");
  EXPECT_EQ(graphics.view(2, 1).logical_right, 170.0f);
  EXPECT_EQ(graphics.view(2, 1).x_min, -10.0f);
  EXPECT_EQ(graphics.view(2, 1).y_max, 10.0f);
  const auto window2 = segments_in(2);
  EXPECT_EQ(std::count_if(window2.begin(), window2.end(),
                          [](const RecordedSegment& s) { return s.color == kCyan; }),
            360);
  EXPECT_EQ(scheme.pick(2).x, 3.0f);
  EXPECT_EQ(scheme.pick(2).y, 4.0f);
  // The outline across the normal (along x, as Fi = 90), in white
  const RecordedSegment outline = segments_in(1).back();
  EXPECT_EQ(outline.color, kWhite);
  expect_segment(outline, -2.0f, 4.0f, 8.0f, 4.0f);

  platform.segments.clear();
  prepare_element(make_element(22.0f, {4, 2, 0, 0, 0}), kFullMode);
  EXPECT_EQ(platform.open_windows.at(2), utf8_fixed_width("   2  Прямоугольная диафрагма", 50));
  EXPECT_EQ(graphics.view(2, 1).logical_right, 230.0f);
  EXPECT_EQ(graphics.view(2, 1).y_min, -2.0f);
  const auto rect_window = segments_in(2);
  EXPECT_EQ(std::count_if(rect_window.begin(), rect_window.end(),
                          [](const RecordedSegment& s) { return s.color == kCyan; }),
            4);

  prepare_element(make_element(23.0f, {10, 3, 4, 90}), kFullMode);
  EXPECT_EQ(platform.open_windows.at(2), utf8_fixed_width("   2  Круглая внутренняя диафрагма", 50));

  // Outline only: no window, no anchor, the caller's colour
  const std::size_t windows_opened = platform.calls_starting("open_child_window").size();
  scheme.pick(2) = {};
  graphics.select_color(color::kPassingHit);
  prepare_element(make_element(21.0f, {10, 3, 4, 90}), kOutlineOnly);
  EXPECT_EQ(platform.calls_starting("open_child_window").size(), windows_opened);
  EXPECT_EQ(scheme.pick(2).x, 0.0f);
  EXPECT_EQ(segments_in(1).back().color, kGreen);
}

}  // namespace
}  // namespace lumi::test
