// The radiation source: its grid of points, wavelengths and directions, the loop order that fixes
// the ray numbering, the counts that truncate, its outline and its log line.
#include <cmath>

#include "elements/elements.h"
#include "tracing/trace_fixture.h"

namespace lumi::test {
namespace {

class SourceTest : public TraceTest {
 protected:
  // A parallel source: W, H, Xo, Yo, Fi, N1, N2, first and last wavelength, their number.
  static ElementRecord parallel(float w, float h, float xo, float yo, float fi, float n1,
                                float n2, float l1 = 0.5f, float l2 = 0.5f, float nl = 1.0f) {
    return make_element(11.0f, {w, h, xo, yo, fi, n1, n2, l1, l2, nl});
  }
  // A fan source of one point with the given azimuth and elevation grids.
  static ElementRecord fan(float fi, float a1, float a2, float na, float e1, float e2, float ne) {
    return make_element(11.0f, {0, 0, 0, 0, fi, 1, 1, 0.5f, 0.5f, 1, a1, a2, na, e1, e2, ne});
  }
};

TEST_F(SourceTest, ThreeRowsAcrossTwoUnitsStartAtTheEdge) {
  trace_source(ws, parallel(2, 0, 0, 0, 0, 3, 1), rays);
  ASSERT_EQ(rays.count, 3);
  const double ys[] = {-1.0, 0.0, 1.0};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(rays[i].x, 0.0);
    EXPECT_EQ(rays[i].y, ys[i]);
    EXPECT_EQ(rays[i].dir_x, 1.0);
    EXPECT_EQ(rays[i].dir_y, 0.0);
    EXPECT_EQ(rays[i].dir_z, 0.0);
    EXPECT_EQ(rays[i].reserved, 1.0);
    EXPECT_EQ(rays[i].path, 0.0);
    EXPECT_EQ(rays[i].alive, 1.0);
  }
}

TEST_F(SourceTest, SingleRowStandsAtTheEdgeNotAtTheCentre) {
  // Fi = 90: the axis is +y and the rows run from the side at +x to -x
  trace_source(ws, parallel(4, 6, 10, 20, 90, 1, 1), rays);
  ASSERT_EQ(rays.count, 1);
  EXPECT_EQ(rays[0].x, 12.0);
  EXPECT_EQ(rays[0].y, 20.0);
  EXPECT_EQ(rays[0].z, -3.0);
  EXPECT_EQ(rays[0].dir_x, 0.0);
  EXPECT_EQ(rays[0].dir_y, 1.0);

  trace_source(ws, parallel(0, 0, 10, 20, 90, 1, 1), rays);
  EXPECT_EQ(rays[0].x, 10.0);
  EXPECT_EQ(rays[0].z, 0.0);
}

TEST_F(SourceTest, WavelengthIsOutermostThenRowsAcrossThenRowsUp) {
  trace_source(ws, parallel(2, 4, 0, 0, 0, 2, 3, 0.4f, 0.6f, 2), rays);
  ASSERT_EQ(rays.count, 12);
  int n = 0;
  for (float wavelength : {0.4f, 0.6f}) {
    for (double y : {-1.0, 1.0}) {
      for (double z : {-2.0, 0.0, 2.0}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(rays[n].wavelength, static_cast<double>(wavelength));
        EXPECT_EQ(rays[n].y, y);
        EXPECT_EQ(rays[n].z, z);
        ++n;
      }
    }
  }
}

TEST_F(SourceTest, WavelengthsAreSteppedInSinglePrecision) {
  trace_source(ws, parallel(0, 0, 0, 0, 0, 1, 1, 0.4f, 0.7f, 4), rays);
  ASSERT_EQ(rays.count, 4);
  const float step = (0.7f - 0.4f) / (4.0f - 1.0f);
  EXPECT_EQ(rays[3].wavelength, static_cast<double>(3.0f * step + 0.4f));
  EXPECT_EQ(static_cast<double>(static_cast<float>(rays[2].wavelength)), rays[2].wavelength);
}

TEST_F(SourceTest, WavelengthCountTruncatesButTheStepTestsTheSlot) {
  trace_source(ws, parallel(0, 0, 0, 0, 0, 1, 1, 0.4f, 0.7f, 1.7f), rays);
  ASSERT_EQ(rays.count, 1);
  EXPECT_EQ(rays[0].wavelength, static_cast<double>(0.4f));

  trace_source(ws, parallel(0, 0, 0, 0, 0, 3, 3, 0.4f, 0.7f, 0), rays);
  EXPECT_EQ(rays.count, 0);
  trace_source(ws, parallel(0, 0, 0, 0, 0, 3.9f, -2, 0.4f, 0.7f, 1), rays);
  EXPECT_EQ(rays.count, 0);
  EXPECT_EQ(log_lines().back(), " Источник: вышло       0  лучей");
}

TEST_F(SourceTest, FanBeamDirections) {
  // One azimuth and one elevation: azimuth Fi + A1, elevation E1
  trace_source(ws, fan(30, 15, 99, 1, 0, 99, 1), rays);
  ASSERT_EQ(rays.count, 1);
  EXPECT_NEAR(rays[0].dir_x, std::sqrt(0.5), 1e-15);
  EXPECT_NEAR(rays[0].dir_y, std::sqrt(0.5), 1e-15);
  EXPECT_EQ(rays[0].dir_z, 0.0);

  // Straight up whatever the azimuth
  trace_source(ws, fan(0, 0, 90, 3, 90, 90, 1), rays);
  ASSERT_EQ(rays.count, 3);
  for (const Ray& r : rays) {
    EXPECT_EQ(r.dir_x, 0.0);
    EXPECT_EQ(r.dir_y, 0.0);
    EXPECT_EQ(r.dir_z, 1.0);
  }
}

TEST_F(SourceTest, FanBeamLoopsAzimuthThenElevationThenTheGrid) {
  // Azimuths 90 and 180 from Fi = 0, elevations 0 and -90, two rows across (Fi = 0: along y)
  ElementRecord e = make_element(11.0f, {2, 0, 0, 0, 0, 2, 1, 0.5f, 0.5f, 1, 90, 180, 2, 0, -90,
                                         2});
  trace_source(ws, e, rays);
  ASSERT_EQ(rays.count, 8);
  struct Expected {
    double dir_x, dir_y, dir_z, y;
  };
  const Expected expected[] = {{0, 1, 0, -1}, {0, 1, 0, 1}, {0, 0, -1, -1}, {0, 0, -1, 1},
                               {-1, 0, 0, -1}, {-1, 0, 0, 1}, {0, 0, -1, -1}, {0, 0, -1, 1}};
  for (int i = 0; i < 8; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rays[i].dir_x + 0.0, expected[i].dir_x);
    EXPECT_EQ(rays[i].dir_y + 0.0, expected[i].dir_y);
    EXPECT_EQ(rays[i].dir_z, expected[i].dir_z);
    EXPECT_EQ(rays[i].y, expected[i].y);
  }
}

TEST_F(SourceTest, OnlyExactlySixteenParametersMakeAFan) {
  // Slots 13 to 18 hold leftovers; with 10 (or 16.5) parameters they are ignored
  ElementRecord e = fan(0, 45, 45, 5, 30, 30, 5);
  e.slot(2) = 10.0f;
  trace_source(ws, e, rays);
  ASSERT_EQ(rays.count, 1);
  EXPECT_EQ(rays[0].dir_x, 1.0);
  e.slot(2) = 16.5f;
  trace_source(ws, e, rays);
  EXPECT_EQ(rays.count, 1);
  e.slot(2) = 16.0f;
  trace_source(ws, e, rays);
  EXPECT_EQ(rays.count, 25);
}

TEST_F(SourceTest, BundleIsFilledToCapacityAndNoFurther) {
  trace_source(ws, parallel(1, 1, 0, 0, 0, 1001, 1000), rays);
  EXPECT_EQ(rays.count, RayBundle::kCapacity);
  EXPECT_EQ(log_lines().back(), " Источник: вышло 1000000  лучей");
}

// Counts near the int limit beside an empty one, or beyond a full bundle: no loop walks them
// through (which took ages and overflowed its index).
TEST_F(SourceTest, HugeCountsEndAtOnceBesideAnEmptyOneOrAFullBundle) {
  trace_source(ws, parallel(1, 1, 0, 0, 0, 0, 1, 0.5f, 0.5f, 3e9f), rays);
  EXPECT_EQ(rays.count, 0);
  trace_source(ws, fan(0, 0, 1, 3e9f, 0, 0, 0), rays);
  EXPECT_EQ(rays.count, 0);
  trace_source(ws, fan(0, 0, 1, 3e9f, 0, 0, 1), rays);
  EXPECT_EQ(rays.count, RayBundle::kCapacity);
}

TEST_F(SourceTest, LogLineAndColour) {
  open_scheme_view(-10, 10, -10, 10);
  graphics.select_color(color::kOffOutline);
  const std::size_t segments = platform.segments.size();
  trace_source(ws, parallel(1, 1, 0, 0, 0, 10, 10), rays);
  EXPECT_EQ(log_lines(), std::vector<std::string>{" Источник: вышло     100  лучей"});
  EXPECT_EQ(platform.segments.size(), segments);  // the source draws nothing
  EXPECT_EQ(next_line_color(1), kRed);
}

TEST_F(SourceTest, OutlineIsTheSegmentAcrossTheAxis) {
  open_scheme_view(-10, 10, -10, 10);
  const ElementRecord e = parallel(4, 1, 2, 3, 90, 1, 1);
  platform.segments.clear();
  prepare_source(ws, e, kFullMode);
  EXPECT_EQ(scheme.pick(1).x, 2.0f);
  EXPECT_EQ(scheme.pick(1).y, 3.0f);
  ASSERT_EQ(platform.segments.size(), 1u);
  expect_segment(platform.segments[0], 0.0f, 3.0f, 4.0f, 3.0f);
  EXPECT_EQ(platform.segments[0].color, kWhite);

  // Outline only: the anchor is stored again, the colour is the caller's
  scheme.pick(1) = {};
  graphics.select_color(color::kPassingHit);
  prepare_source(ws, e, kOutlineOnly);
  EXPECT_EQ(scheme.pick(1).x, 2.0f);
  EXPECT_EQ(platform.segments.back().color, kGreen);

  ElementRecord off = e;
  off.slot(1) = -11.0f;
  prepare_source(ws, off, kFullMode);
  EXPECT_EQ(platform.segments.back().color, kGrey);
}

}  // namespace
}  // namespace lumi::test
