// The flat mirror: reflections, a mirror behind the ray, the rim, rays outside the rectangle, the
// sign of the hit mark from dx alone, the colours of the two windows and the log line.
#include <cmath>

#include "elements/elements.h"
#include "tracing/trace_fixture.h"

namespace lumi::test {
namespace {

class FlatMirrorTest : public TraceTest {
 protected:
  FlatMirrorTest() {
    platform.open_activates = true;
    open_scheme_view(-20.0f, 20.0f, -20.0f, 20.0f);
  }

  // A W by H mirror at the origin with its normal at fi, as element 3.
  void run(float fi, std::initializer_list<Ray> list, float w = 10.0f, float h = 4.0f) {
    const ElementRecord e = make_element(31.0f, {w, h, 0, 0, fi});
    prepare_flat_mirror(ws, e, 3, kFullMode);
    set_rays(list);
    segments_before_trace = segments_in(1).size();
    trace_flat_mirror(ws, e, rays, 3);
  }
  // The segments the tracing drew into the scheme window.
  std::vector<RecordedSegment> traced_segments() const {
    const auto all = segments_in(1);
    return {all.begin() + static_cast<std::ptrdiff_t>(segments_before_trace), all.end()};
  }

  std::size_t segments_before_trace = 0;
};

TEST_F(FlatMirrorTest, MirrorFacingTheRaySendsItBack) {
  run(180, {make_ray(-10, 0, 0, 1, 0, 0)});
  EXPECT_EQ(rays[0].x, 0.0);
  EXPECT_EQ(rays[0].y, 0.0);
  EXPECT_EQ(rays[0].dir_x, -1.0);
  EXPECT_EQ(rays[0].dir_y, 0.0);
  EXPECT_EQ(rays[0].path, 10.0);
  EXPECT_EQ(rays[0].alive, 1.0);
}

TEST_F(FlatMirrorTest, MirrorAtFortyFiveDegreesTurnsTheRayAndKeepsDirZ) {
  run(135, {make_ray(-10, 0, 0, 1, 0, 0), make_ray(-0.6, 0, -0.8, 0.6, 0, 0.8)});
  EXPECT_NEAR(rays[0].dir_x, 0.0, 1e-15);
  EXPECT_NEAR(rays[0].dir_y, 1.0, 1e-15);
  EXPECT_NEAR(rays[1].dir_x, 0.0, 1e-15);
  EXPECT_NEAR(rays[1].dir_y, 0.6, 1e-15);
  EXPECT_EQ(rays[1].dir_z, 0.8);
}

TEST_F(FlatMirrorTest, MirrorBehindTheRayIsMetToo) {
  run(180, {make_ray(5, 1, 0, 1, 0, 0)});
  EXPECT_EQ(rays[0].x, 0.0);
  EXPECT_EQ(rays[0].path, -5.0);
  EXPECT_EQ(rays[0].dir_x, -1.0);
  EXPECT_EQ(log_lines().back(), " Плоское прямоугольное зеркало: нарисовано       1  лучей");
}

TEST_F(FlatMirrorTest, RimReflectsAndOutsideStops) {
  // W = 10, H = 4: the rim is 5 across and 2 up
  run(180, {make_ray(-10, 5, 0, 1, 0, 0), make_ray(-10, 0, -2, 1, 0, 0),
            make_ray(-10, 5.001, 0, 1, 0, 0), make_ray(-10, 0, 2.001, 1, 0, 0)});
  EXPECT_EQ(rays[0].dir_x, -1.0);
  EXPECT_EQ(rays[1].dir_x, -1.0);
  EXPECT_EQ(rays[2].alive, 0.0);
  EXPECT_EQ(rays[2].x, 0.0);  // stopped on the plane, direction kept
  EXPECT_EQ(rays[2].dir_x, 1.0);
  EXPECT_EQ(rays[3].alive, 0.0);
  const auto marks = pixels_in(3);
  ASSERT_EQ(marks.size(), 4u);
  EXPECT_EQ(marks[0].color, kGreen);
  EXPECT_EQ(marks[1].color, kGreen);
  EXPECT_EQ(marks[2].color, kRed);
  EXPECT_EQ(marks[3].color, kRed);
  EXPECT_EQ(traced_segments().size(), 4u);
}

TEST_F(FlatMirrorTest, MarkSignComesFromDxAloneWithNegativeZeroNegative) {
  // Fi = 0: the plane is x = 0. A hit at dx = +0 marks at +|w/2| even below the centre; a hit at
  // dx = -0 (a ray starting on the plane at x = -0) marks at -|w/2|.
  run(0, {make_ray(-5, -1, 0, 1, 0, 0), make_ray(-0.0, -1, 0, -1, 0, 0),
          make_ray(0.0, -1, 0, -1, 0, 0)});
  ASSERT_TRUE(std::signbit(rays[1].x));
  const auto marks = pixels_in(3);
  ASSERT_EQ(marks.size(), 3u);
  EXPECT_EQ(marks[0].x, graphics.world_to_pixel(3, 1, 1.0f, 0.0f).x);
  EXPECT_EQ(marks[1].x, graphics.world_to_pixel(3, 1, -1.0f, 0.0f).x);
  EXPECT_EQ(marks[2].x, graphics.world_to_pixel(3, 1, 1.0f, 0.0f).x);
}

TEST_F(FlatMirrorTest, HitColoursAreChosenInTheMirrorWindow) {
  run(180, {make_ray(-10, 9, 0, 1, 0, 0), make_ray(-10, 1, 0, 1, 0, 0)});
  ASSERT_EQ(traced_segments().size(), 2u);
  for (const RecordedSegment& s : traced_segments()) EXPECT_EQ(s.color, kRed);
  EXPECT_EQ(next_line().window, 1);
  EXPECT_EQ(next_line_color(1), kRed);
  EXPECT_EQ(next_line_color(3), kGreen);  // the last ray passed
}

TEST_F(FlatMirrorTest, ParallelRaysAreLostUncounted) {
  run(180, {make_ray(-10, 0, 0, 0, 1, 0), make_ray(-10, 0, 0, 0, 0, 1)});
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_EQ(rays[1].alive, 0.0);
  EXPECT_TRUE(pixels_in(3).empty());
  EXPECT_EQ(log_lines().back(), " Плоское прямоугольное зеркало: нарисовано       0  лучей");
}

TEST_F(FlatMirrorTest, WindowApertureAndOutline) {
  const ElementRecord e = make_element(-31.0f, {6, 2, 1, 2, 90});
  prepare_flat_mirror(ws, e, 3, kFullMode);
  EXPECT_EQ(platform.open_windows.at(3),
            utf8_fixed_width("   3  Плоское прямоугольное зеркало", 50));
  EXPECT_EQ(graphics.view(3, 1).x_max, 6.0f);
  EXPECT_EQ(graphics.view(3, 1).y_min, -2.0f);
  EXPECT_EQ(graphics.view(3, 1).logical_right, 230.0f);
  EXPECT_EQ(scheme.pick(3).x, 1.0f);
  const RecordedSegment outline = segments_in(1).back();
  EXPECT_EQ(outline.color, kGrey);
  expect_segment(outline, -2.0f, 2.0f, 4.0f, 2.0f);
}

}  // namespace
}  // namespace lumi::test
