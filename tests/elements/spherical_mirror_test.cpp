// The spherical mirror: focusing of a concave cap, the flat disc, the rim and the hole, rays from
// behind and grazing rays, colours, the outline and the log line.
#include <cmath>

#include "elements/curved_fixture.h"
#include "elements/elements.h"

namespace lumi::test {
namespace {

constexpr int kMirror = 2;

class SphericalMirrorTest : public CurvedTest {
 protected:
  SphericalMirrorTest() { scheme_window(-100.0f, 500.0f, -300.0f, 300.0f); }

  // Slots D, Xo, Yo, Fi, R and, when given, the hole diameter.
  void prepare(const ElementRecord& e) {
    mirror = e;
    prepare_spherical_mirror(ws, mirror, kMirror, kFullMode);
    forget_drawing();
  }
  void trace() { trace_spherical_mirror(ws, mirror, rays, kMirror); }

  ElementRecord mirror;
};

TEST_F(SphericalMirrorTest, ConcaveMirrorSendsAParallelBeamThroughItsFocus) {
  prepare(make_element(32, {10, 0, 0, 0, 200}));
  // Twelve rays of a beam of radius 0.5 along the axis, toward the mirror
  rays.count = 0;
  for (int i = 0; i < 12; ++i) {
    const double radius = i < 8 ? 0.5 : 0.25;
    const double angle = (i < 8 ? i * 45.0 : (i - 8) * 90.0 + 10.0) * std::acos(-1.0) / 180.0;
    rays[rays.count++] =
        make_ray(100, radius * std::cos(angle), radius * std::sin(angle), -1, 0, 0);
  }
  trace();

  for (int i = 0; i < rays.count; ++i) {
    const Ray& r = rays[i];
    ASSERT_EQ(r.alive, 1.0) << i;
    EXPECT_GT(r.dir_x, 0.0) << i;
    // Where the reflected ray meets the axis
    const double t = -(r.y * r.dir_y + r.z * r.dir_z) / (r.dir_y * r.dir_y + r.dir_z * r.dir_z);
    EXPECT_NEAR(std::hypot(r.y + t * r.dir_y, r.z + t * r.dir_z), 0.0, 1e-9) << i;
    EXPECT_NEAR(r.x + t * r.dir_x, 100.0, 1e-3) << i;
  }
  EXPECT_EQ(log_lines().back(),
            expected_count_line(" Круглое сферическое зеркало: нарисовано", "12"));
}

TEST_F(SphericalMirrorTest, FlatMirrorReturnsARayStraightBackAndMarksItAcrossTheAxis) {
  prepare(make_element(32, {10, 0, 0, 0, 0}));
  Ray ray = make_ray(10, 1.5, 0.25, -1, 0, 0);
  ray.path = 3.0;
  set_rays({ray});
  trace();
  EXPECT_EQ(rays[0].dir_x, 1.0);
  EXPECT_EQ(rays[0].dir_y, 0.0);
  EXPECT_EQ(rays[0].dir_z, 0.0);
  EXPECT_EQ(rays[0].x, 0.0);
  EXPECT_EQ(rays[0].path, 3.0);  // the mirror leaves the path alone
  ASSERT_EQ(pixels_in(kMirror).size(), 1u);
  EXPECT_EQ(mark_color_at(kMirror, -1.5f, 0.25f), kGreen);
}

TEST_F(SphericalMirrorTest, RimAndHoleEdgeReflectWhatLiesBeyondIsStopped) {
  scheme_window(-20.0f, 20.0f, -15.0f, 15.0f);  // close enough to tell the rays apart
  prepare(make_element(32, {10, 0, 0, 0, 0, 2}));
  set_rays({make_ray(10, 5, 0, -1, 0, 0), make_ray(10, 1, 0, -1, 0, 0),
            make_ray(10, 0.5, 0, -1, 0, 0), make_ray(10, 5.5, 0, -1, 0, 0)});
  trace();
  EXPECT_EQ(rays[0].alive, 1.0);
  EXPECT_EQ(rays[0].dir_x, 1.0);
  EXPECT_EQ(rays[1].alive, 1.0);
  EXPECT_EQ(rays[1].dir_x, 1.0);
  EXPECT_EQ(mark_color_at(kMirror, -5.0f, 0.0f), kGreen);
  EXPECT_EQ(mark_color_at(kMirror, -1.0f, 0.0f), kGreen);
  for (int i : {2, 3}) {
    // Stopped rays keep their position and direction
    EXPECT_EQ(rays[i].alive, 0.0) << i;
    EXPECT_EQ(rays[i].x, 10.0) << i;
    EXPECT_EQ(rays[i].dir_x, -1.0) << i;
  }
  EXPECT_EQ(mark_color_at(kMirror, -0.5f, 0.0f), kRed);
  EXPECT_EQ(mark_color_at(kMirror, -5.5f, 0.0f), kRed);
  // Stopped rays are drawn up to the mirror and counted too
  EXPECT_EQ(segments_in(1).size(), 4u);
  EXPECT_EQ(log_lines().back(),
            expected_count_line(" Круглое сферическое зеркало: нарисовано", "4"));
}

TEST_F(SphericalMirrorTest, RayFromBehindTheCapIsStoppedAtTheFarSideAndCounted) {
  prepare(make_element(32, {10, 0, 0, 0, 200}));
  set_rays({make_ray(-50, 0, 0, 1, 0, 0)});
  trace();
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_EQ(rays[0].x, -50.0);
  ASSERT_EQ(segments_in(1).size(), 1u);
  const RecordedSegment s = segments_in(1)[0];
  EXPECT_EQ(s.x0, pixel(1, -50.0f, 0.0f).x);
  EXPECT_EQ(s.x1, pixel(1, 400.0f, 0.0f).x);
  EXPECT_EQ(mark_color_at(kMirror, 0.0f, 0.0f), kRed);
  EXPECT_EQ(log_lines().back(),
            expected_count_line(" Круглое сферическое зеркало: нарисовано", "1"));
}

TEST_F(SphericalMirrorTest, GrazingRayIsDrawnAndCountedButGoesOnUnchanged) {
  prepare(make_element(32, {10, 0, 0, 0, 200}));
  // Tangent to the sphere at (200, 200, 0); a ray that misses it, and one that was lost before
  Ray lost = make_ray(100, 0, 0, -1, 0, 0);
  lost.alive = 0.0;
  set_rays({make_ray(300, 200, 0, -1, 0, 0), make_ray(300, 250, 0, -1, 0, 0), lost});
  trace();
  EXPECT_EQ(rays[0].alive, 1.0);
  EXPECT_EQ(rays[0].x, 300.0);
  EXPECT_EQ(rays[0].dir_x, -1.0);
  EXPECT_EQ(rays[1].alive, 0.0);
  EXPECT_EQ(rays[2].x, 100.0);
  EXPECT_TRUE(pixels_in(kMirror).empty());
  ASSERT_EQ(segments_in(1).size(), 1u);
  EXPECT_EQ(segments_in(1)[0].x1, pixel(1, 200.0f, 200.0f).x);
  EXPECT_EQ(log_lines().back(),
            expected_count_line(" Круглое сферическое зеркало: нарисовано", "1"));
}

TEST_F(SphericalMirrorTest, ConvexMirrorSpreadsTheBeamFromItsVirtualFocus) {
  prepare(make_element(32, {10, 0, 0, 0, -200}));
  set_rays({make_ray(100, 2, 0, -1, 0, 0)});
  trace();
  const Ray& r = rays[0];
  ASSERT_EQ(r.alive, 1.0);
  EXPECT_NEAR(r.x, -(200.0 - std::sqrt(200.0 * 200.0 - 4.0)), 1e-12);  // the near side
  // Traced backward, the reflected ray meets the axis at -R/2 behind the vertex
  const double t = -r.y / r.dir_y;
  EXPECT_NEAR(r.x + t * r.dir_x, -100.0, 0.05);
  EXPECT_NEAR(std::hypot(r.dir_x, r.dir_y), 1.0, 1e-12);
}

TEST_F(SphericalMirrorTest, RaysOnLanesTraceExactlyAsOneAtATime) {
  if (widest_lanes() == 1) GTEST_SKIP() << "no AVX2: rays are traced one at a time only";
  // Concave and convex, with and without a hole, tilted and off the origin, and a cap wider
  // than its sphere
  for (const ElementRecord& e : {
           make_element(32, {20, 0, 0, 0, 60}),
           make_element(32, {24, 0, 0, 0, -40, 8}),
           make_element(32, {20, 3, -2, 25, 30, 6}),
           make_element(32, {30, 0, 0, 180, -12}),
       }) {
    expect_lanes_trace_alike([&] { prepare(e); }, [&] { trace(); });
  }
}

TEST_F(SphericalMirrorTest, SegmentsTakeTheSchemeWindowsColourMarksTheirOwn) {
  prepare(make_element(32, {10, 0, 0, 0, 0}));
  graphics.select_window(1, 0);
  graphics.select_color(3);
  set_rays({make_ray(10, 1, 0, -1, 0, 0), make_ray(10, 7, 0, -1, 0, 0)});
  trace();
  for (const RecordedSegment& s : segments_in(1)) EXPECT_EQ(s.color, kGreen);
  EXPECT_EQ(mark_color_at(kMirror, -7.0f, 0.0f), kRed);
  // The stopped mark's colour went to the element window only
  EXPECT_EQ(platform.line_color(1), kGreen);
}

TEST_F(SphericalMirrorTest, OutlineIsOneArcOrTwoAroundTheHole) {
  const ElementRecord plain = make_element(32, {10, 0, 0, 0, 200});
  prepare_spherical_mirror(ws, plain, kMirror, kOutlineOnly);
  const std::vector<PixelPoint> arc = points_in(1);
  ASSERT_EQ(arc.size(), 21u);
  const float rim_x = static_cast<float>(200.0 - std::sqrt(200.0 * 200.0 - 25.0));
  EXPECT_TRUE(same_points({arc.front(), arc.back()},
                          {pixel(1, rim_x, 5.0f), pixel(1, rim_x, -5.0f)}));
  EXPECT_EQ(segments_in(1).size(), 20u);
  // Outline only: no window, no anchor
  EXPECT_EQ(platform.open_windows.count(kMirror), 0u);
  EXPECT_EQ(scheme.pick(kMirror).x, 0.0f);

  forget_drawing();
  prepare_spherical_mirror(ws, make_element(32, {10, 0, 0, 0, 200, 4}), kMirror, kOutlineOnly);
  EXPECT_EQ(segments_in(1).size(), 40u);

  forget_drawing();
  prepare_spherical_mirror(ws, make_element(32, {10, 0, 0, 90, 0, 4}), kMirror, kOutlineOnly);
  EXPECT_TRUE(same_points(points_in(1), {pixel(1, -5.0f, 0.0f), pixel(1, -2.0f, 0.0f),
                                         pixel(1, 2.0f, 0.0f), pixel(1, 5.0f, 0.0f)}));
  EXPECT_EQ(segments_in(1).size(), 2u);
}

TEST_F(SphericalMirrorTest, FullPreparationOpensTheWindowWithApertureAndHole) {
  prepare_spherical_mirror(ws, make_element(-32, {10, 3, 4, 0, 200, 4}), 5, kFullMode);
  ASSERT_EQ(platform.open_windows.count(5), 1u);
  EXPECT_EQ(platform.open_windows[5], "   5  Круглое сферическое зеркало" + std::string(17, ' '));
  EXPECT_EQ(scheme.pick(5).x, 3.0f);
  EXPECT_EQ(scheme.pick(5).y, 4.0f);
  int cyan = 0;
  for (const RecordedSegment& s : segments_in(5)) cyan += s.color == kCyan;
  EXPECT_EQ(cyan, 720);  // two circles of 360 chords
  // A switched-off mirror is outlined in grey
  for (const RecordedSegment& s : segments_in(1)) EXPECT_EQ(s.color, kGrey);
}

}  // namespace
}  // namespace lumi::test
