// The flat-element loop: which rays reach the plane, the parallel limit, the behind-the-ray test,
// what is drawn and how the ray is moved, and the sign rule of the hit marks.
#include "tracing/flat_element.h"

#include <cmath>

#include "tracing/trace_fixture.h"

namespace lumi::test {
namespace {

class FlatElementTest : public TraceTest {
 protected:
  FlatElementTest() { open_scheme_view(-20.0f, 20.0f, -20.0f, 20.0f); }

  // Traces onto the plane x = xo and counts the hits the element saw.
  int trace(BehindRay behind, double xo = 5.0) {
    hits = 0;
    return trace_flat(
        ws, rays, flat_plane(1.0, 0.0, 0.0, xo, 0.0), behind, LanesFor::kNewCrossings, 2,
        [this](Ray&) { return ++hits; }, [] {}, [](int) {});
  }

  int hits = 0;
};

TEST_F(FlatElementTest, ParallelLimitIsTheSinglePrecisionValueOfOneTenBillionth) {
  const double limit = static_cast<double>(1e-10f);
  ASSERT_GT(limit, 1e-10);
  set_rays({make_ray(0, 0, 0, 1e-10, 1, 0), make_ray(0, 0, 0, limit, 1, 0),
            make_ray(0, 0, 0, -limit, 1, 0), make_ray(0, 0, 0, 0, 1, 0)});
  EXPECT_EQ(trace(BehindRay::kMet), 2);
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_EQ(rays[1].alive, 1.0);
  EXPECT_EQ(rays[2].alive, 1.0);
  EXPECT_EQ(rays[3].alive, 0.0);
  EXPECT_EQ(hits, 2);
  EXPECT_DOUBLE_EQ(rays[1].x, 5.0);  // moved to the plane from far away
}

TEST_F(FlatElementTest, LostRaysAreSkippedAndNeverRevived) {
  Ray dead = make_ray(0, 0, 0, 1, 0, 0);
  dead.alive = 0.0;
  set_rays({dead, make_ray(0, 1, 0, 1, 0, 0)});
  EXPECT_EQ(trace(BehindRay::kMet), 1);
  EXPECT_EQ(rays[0].x, 0.0);
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_EQ(segments_in(1).size(), 1u);
}

TEST_F(FlatElementTest, PlaneBehindTheRayStopsItOnlyWhenAsked) {
  Ray behind = make_ray(8, 0, 0, 1, 0, 0);
  behind.path = 2.0;
  set_rays({behind});
  EXPECT_EQ(trace(BehindRay::kStops), 0);
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_EQ(rays[0].x, 8.0);
  EXPECT_TRUE(platform.segments.empty());

  set_rays({behind});
  EXPECT_EQ(trace(BehindRay::kMet), 1);
  EXPECT_EQ(rays[0].x, 5.0);
  EXPECT_EQ(rays[0].path, -1.0);  // t = -3 is added as it stands
}

TEST_F(FlatElementTest, BehindTestLooksAtSinglePrecisionT) {
  // t = -1e-50 rounds to -0.0f, which is not below 0: the ray is traced
  set_rays({make_ray(1e-50, 0, 0, 1, 0, 0), make_ray(0, 0, 0, 1, 0, 0),
            make_ray(1e-30, 0, 0, 1, 0, 0)});
  EXPECT_EQ(trace(BehindRay::kStops, 0.0), 2);
  EXPECT_EQ(rays[0].alive, 1.0);
  EXPECT_EQ(rays[2].alive, 0.0);
  // A ray starting on the plane is drawn as a zero-length segment and counted
  ASSERT_EQ(segments_in(1).size(), 2u);
  const RecordedSegment s = segments_in(1)[1];
  EXPECT_EQ(s.x0, s.x1);
  EXPECT_EQ(s.y0, s.y1);
}

TEST_F(FlatElementTest, SegmentRunsFromStartToHitInTheSchemeWindow) {
  graphics.select_window(1, 0);
  graphics.select_color(color::kRay);
  set_rays({make_ray(-10, 2, 3, 1, 0.5, 0.25)});
  EXPECT_EQ(trace(BehindRay::kMet), 1);
  EXPECT_DOUBLE_EQ(rays[0].x, 5.0);
  EXPECT_DOUBLE_EQ(rays[0].y, 9.5);
  EXPECT_DOUBLE_EQ(rays[0].z, 6.75);
  EXPECT_DOUBLE_EQ(rays[0].path, 15.0);
  ASSERT_EQ(segments_in(1).size(), 1u);
  expect_segment(segments_in(1)[0], -10.0f, 2.0f, 5.0f, 9.5f);
  EXPECT_EQ(segments_in(1)[0].color, kRed);
}

// One ray and lanes take the sign from the same bit: -0.0 counts as negative on both.
TEST(SignedBy, NegativeZeroCountsAsNegativeForOneRayAndOnLanes) {
  const Lanes<4> difference{-0.0, 0.0, -1e-300, 3.0}, magnitude{2.0, -2.0, 2.0, -2.0};
  const Lanes<4> expected{-2.0, 2.0, -2.0, 2.0};
  const Lanes<4> on_lanes = lane_signed_by(difference, magnitude);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(lane_signed_by(difference[i], magnitude[i]), expected[i]) << i;
    EXPECT_EQ(on_lanes[i], expected[i]) << i;
  }
}

}  // namespace
}  // namespace lumi::test
