// The focal plane: the sweep of shifts, the spot extents and their log lines, the caption, the
// cleared spot area, colours and the progress reports.
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <tuple>

#include "elements/curved_fixture.h"
#include "elements/elements.h"
#include "tracing/hit_rows.h"

namespace lumi::test {
namespace {

constexpr int kPlane = 4;
const std::string kShiftText =
    " Фок.пл. с автопоиском: dd(смещение Ф.П.),dXmax,dYmax,MAX(dX,dY)=";
const std::string kTotalText = " фокальная плоскость с автопоиском: нарисовано";

class FocalPlaneTest : public CurvedTest {
 protected:
  FocalPlaneTest() { scheme_window(-20.0f, 20.0f, -15.0f, 15.0f); }

  // Plane at the origin, axis along +x, aperture 4 × 2, shifts d1..d2 by h.
  void trace(float d1, float d2, float h, float fi = 0.0f) {
    plane = make_element(62, {4, 2, 0, 0, fi, d1, d2, h});
    prepare_focal_plane(ws, plane, kPlane, kFullMode);
    forget_drawing();
    trace_focal_plane(ws, plane, rays, kPlane);
  }

  // The shift field (the first of the four) of each shift line.
  std::vector<std::string> shifts_logged() const {
    std::vector<std::string> out;
    for (const std::string& l : log_lines()) {
      if (l.rfind(kShiftText, 0) == 0) out.push_back(l.substr(kShiftText.size(), 10));
    }
    return out;
  }

  ElementRecord plane;
};

TEST_F(FocalPlaneTest, StepOfHalfGivesFiveShifts) {
  set_rays({make_ray(10, 0.5, 0, -1, 0, 0)});
  trace(-1, 1, 0.5);
  EXPECT_EQ(shifts_logged(), (std::vector<std::string>{"   -1.0000", "   -0.5000", "    0.0000",
                                                       "    0.5000", "    1.0000"}));
  EXPECT_EQ(log_lines().back(), expected_count_line(kTotalText, "5", "  точек"));
  // One progress report per shift
  ASSERT_EQ(platform.progress.size(), 5u);
  EXPECT_EQ(platform.progress[4].shift, 5);
  EXPECT_EQ(platform.progress[4].shifts, 5);
  EXPECT_EQ(platform.progress[4].element, kPlane);
  // The ray itself is neither moved nor changed
  EXPECT_EQ(rays[0].x, 10.0);
  EXPECT_EQ(rays[0].alive, 1.0);
}

TEST_F(FocalPlaneTest, ZeroStepSpansTheRangeInTwoShiftsOrOneWhenItIsEmpty) {
  set_rays({make_ray(10, 0.5, 0, -1, 0, 0)});
  trace(-1, 1, 0);
  // h = 1.99998: the second shift stands at 0.99998
  EXPECT_EQ(shifts_logged(), (std::vector<std::string>{"   -1.0000", "    1.0000"}));

  std::filesystem::remove(log.path());
  trace(0.3f, 0.3f, 0);
  EXPECT_EQ(shifts_logged(), (std::vector<std::string>{"    0.3000"}));
}

TEST_F(FocalPlaneTest, BackwardRangeTracesNoShift) {
  set_rays({make_ray(10, 0.5, 0, -1, 0, 0)});
  trace(1, -1, 0.5);
  EXPECT_EQ(log_lines(), (std::vector<std::string>{kTotalText + "       0  точек"}));
  EXPECT_TRUE(segments_in(1).empty());

  // A negative step sweeps downward
  std::filesystem::remove(log.path());
  trace(1, -1, -1);
  EXPECT_EQ(shifts_logged(), (std::vector<std::string>{"    1.0000", "    0.0000", "   -1.0000"}));
}

TEST_F(FocalPlaneTest, ValuesWithoutMeaningTraceNoShiftAndReturn) {
  set_rays({make_ray(10, 0.5, 0, -1, 0, 0)});
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  for (auto [d1, d2, h] : {std::tuple{nan, 1.0f, 0.5f}, std::tuple{-inf, inf, 0.0f},
                           std::tuple{0.0f, 1.0f, inf}, std::tuple{0.0f, 1.0f, nan}}) {
    std::filesystem::remove(log.path());
    trace(d1, d2, h);
    EXPECT_TRUE(shifts_logged().size() <= 1u);
    EXPECT_EQ(log_lines().back().rfind(kTotalText, 0), 0u);
  }
}

TEST_F(FocalPlaneTest, NoLiveRayLogsAsterisks) {
  Ray lost = make_ray(10, 0, 0, -1, 0, 0);
  lost.alive = 0.0;
  set_rays({lost});
  trace(0, 0, 0);
  const std::string stars(10, '*');
  EXPECT_EQ(log_lines(), (std::vector<std::string>{kShiftText + "    0.0000" + stars + stars + stars,
                                                   kTotalText + "       0  точек"}));
}

// A step not exact in binary: the shifts add up in single precision, and the shift that lands
// just below zero there (-2.9e-6) is logged as such, where a double sum (+2.4e-8) would not be.
TEST_F(FocalPlaneTest, InexactStepAccumulatesInSinglePrecision) {
  set_rays({make_ray(10, 0.5, 0, -1, 0, 0)});
  trace(-0.5f, 0.0015f, 0.001f);
  const std::vector<std::string> shifts = shifts_logged();
  ASSERT_EQ(shifts.size(), 502u);
  EXPECT_EQ(shifts[499], "   -0.0010");
  EXPECT_EQ(shifts[500], "   -0.0000");
  EXPECT_EQ(shifts[501], "    0.0010");
}

TEST_F(FocalPlaneTest, SpotExtentsLineAndCaptionToTheByte) {
  // At d = -0.5 the plane stands at x = -0.5; its in-plane axis is +y
  set_rays({make_ray(10, 0, 0, -1, 0, 0), make_ray(10, 0.0123, 0.0456, -1, 0, 0)});
  trace(-0.5f, -0.5f, 0);
  EXPECT_EQ(log_lines(),
            (std::vector<std::string>{
                kShiftText + "   -0.5000    0.0123    0.0456    0.0456",
                kTotalText + "       2  точек"}));
  ASSERT_EQ(platform.texts.size(), 1u);
  EXPECT_EQ(platform.texts[0].window, kPlane);
  EXPECT_EQ(platform.texts[0].text, "dd=  -0.50мм" + std::string(38, ' '));
  EXPECT_EQ(platform.texts[0].color, kRed);
  // Segments end on the shifted plane
  ASSERT_EQ(segments_in(1).size(), 2u);
  EXPECT_EQ(segments_in(1)[0].x1, pixel(1, -0.5f, 0.0f).x);
}

TEST_F(FocalPlaneTest, EachShiftClearsTheSpotAndCyclesTheSegmentColour) {
  set_rays({make_ray(10, 0.5, 0, -1, 0, 0), make_ray(10, 3, 0, -1, 0, 0)});
  trace(0, 6, 1);  // seven shifts
  // Colours 1..6, then 1 again: red, yellow, green, cyan, blue, magenta, red
  const std::vector<Rgb> expected = {255, 65535, 65280, 16776960, 16711680, 16711935, 255};
  const std::vector<RecordedSegment> segments = segments_in(1);
  ASSERT_EQ(segments.size(), 14u);
  for (std::size_t i = 0; i < segments.size(); ++i) EXPECT_EQ(segments[i].color, expected[i / 2]);
  // The spot area of the 640 × 480 window, cleared in black at every shift
  int clears = 0;
  for (const std::string& c : platform.calls) {
    clears += c == "w4 draw_rectangle 3 53 52 585 425";
  }
  EXPECT_EQ(clears, 7);
  // The hit beyond the aperture (w = 6 > 4) is plotted in red and counted
  EXPECT_EQ(mark_color_at(kPlane, 3.0f, 0.0f), kRed);
  EXPECT_EQ(mark_color_at(kPlane, 0.5f, 0.0f), kGreen);
  EXPECT_EQ(log_lines().back(), expected_count_line(kTotalText, "14", "  точек"));
}

TEST_F(FocalPlaneTest, RaysOnLanesTraceExactlyAsOneAtATime) {
  if (widest_lanes() == 1) GTEST_SKIP() << "no AVX2: rays are traced one at a time only";
  // Five shifts of a plane 20 by 12, square to the x axis and tilted
  for (float fi : {0.0f, 30.0f}) {
    expect_lanes_trace_alike([] {}, [&] {
      plane = make_element(62, {20, 12, 0, 0, fi, -10, 10, 5});
      prepare_focal_plane(ws, plane, kPlane, kFullMode);
      forget_drawing();
      trace_focal_plane(ws, plane, rays, kPlane);
    });
  }
}

TEST_F(FocalPlaneTest, RayAlongThePlaneIsLostAndNotCounted) {
  set_rays({make_ray(10, 0.5, 0, 0, 1, 0), make_ray(10, 0.5, 0, -1, 0, 0)});
  trace(0, 1, 1);
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_EQ(log_lines().back(), expected_count_line(kTotalText, "2", "  точек"));
}

TEST_F(FocalPlaneTest, PreparationSetsRedOpensTheWindowAndCascades) {
  graphics.define_color(1, 0.2f, 0.2f, 0.2f);
  prepare_focal_plane(ws, make_element(-62, {4, 2, 1, 2, 90, 0, 0, 0}), kPlane, kFullMode);
  EXPECT_EQ(graphics.palette_rgb(1), kRed);
  EXPECT_EQ(platform.open_windows[kPlane], "   4  Фокальная плоскость" + std::string(5, ' '));
  EXPECT_EQ(scheme.pick(kPlane).x, 1.0f);
  EXPECT_EQ(platform.calls_starting("click_menu_command").size(), 1u);
  // A switched-off plane: grey outline across the axis through (1, 2), at shift 0
  ASSERT_EQ(segments_in(1).size(), 1u);
  EXPECT_EQ(segments_in(1)[0].color, kGrey);
  EXPECT_TRUE(same_points({points_in(1).end()[-2], points_in(1).back()},
                          {pixel(1, -1.0f, 2.0f), pixel(1, 3.0f, 2.0f)}));
}

// The spot statistics of a shift: taken from the same hits as the extents, in an order fixed by
// the rays, so that no thread count and no lane width changes a bit of them; they agree with a
// plain two-pass computation over the best shift's hit table, and the best focus is the first
// smallest.
class FocalPlaneStatsTest : public FocalPlaneTest {
 protected:
  // Rays toward a focus near x = 2 off the axis (u = 1.5, z = 3): a spot small against its
  // distance from the plane's centre. Every 17th ray is lost; rays run in groups that share a
  // start, as a source's grid gives them.
  void converging_beam(int count) {
    rays.count = count;
    for (int i = 0; i < count; ++i) {
      const double y = 0.5 * std::sin(i * 0.37), z = 0.5 * std::cos(i * 0.91);
      const double dx = -10.0, dy = 1.5 - y + 0.01 * (i % 5), dz = 3.0 - z;
      const double l = std::sqrt(dx * dx + dy * dy + dz * dz);
      rays[i] = make_ray(8.0, y, z, dx / l, dy / l, dz / l);
      if (i % 17 == 3) rays[i].alive = 0.0;
    }
  }

  std::vector<ShiftStats> trace_with(int helpers, int lanes, TraceResults& results) {
    SweepPool pool(helpers, SweepPool::kLeastScratchBytes);
    ws.pool = &pool;
    ws.lanes = lanes;
    ws.results = &results;
    results.start(kPlane, true, rays.count);
    results.make_hit_room(kPlane, true);
    results.tracing = kPlane;
    plane = make_element(62, {40, 40, 0, 0, 0, -3, 3, 0.5});
    prepare_focal_plane(ws, plane, kPlane, kFullMode);
    trace_focal_plane(ws, plane, rays, kPlane);
    ws.pool = nullptr;
    ws.results = nullptr;
    ws.lanes = widest_lanes();
    return results.focus_of(kPlane)->shifts;
  }
};

TEST_F(FocalPlaneStatsTest, StatisticsAreAlikeOnEveryThreadCountAndMatchTheHitTable) {
  converging_beam(20'000);  // five groups of the helped sweep, 79 blocks of the lone one
  TraceResults first;
  const std::vector<ShiftStats> expected = trace_with(0, 1, first);
  ASSERT_EQ(expected.size(), 13u);
  for (int helpers : {0, 1, 3}) {
    for (int lanes : {1, widest_lanes()}) {
      SCOPED_TRACE(testing::Message() << helpers << " helpers, lanes " << lanes);
      TraceResults results;
      const std::vector<ShiftStats> shifts = trace_with(helpers, lanes, results);
      ASSERT_EQ(shifts.size(), expected.size());
      for (std::size_t i = 0; i < shifts.size(); ++i) {
        EXPECT_EQ(shifts[i].n, expected[i].n);
        EXPECT_EQ(shifts[i].dx, expected[i].dx);
        EXPECT_EQ(std::bit_cast<std::uint64_t>(shifts[i].cu),
                  std::bit_cast<std::uint64_t>(expected[i].cu));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(shifts[i].cz),
                  std::bit_cast<std::uint64_t>(expected[i].cz));
        EXPECT_EQ(std::bit_cast<std::uint64_t>(shifts[i].rms),
                  std::bit_cast<std::uint64_t>(expected[i].rms));
      }
    }
  }

  // The best shift by rms is the first smallest, and its statistics are those of its hit table
  const FocusSweep& sweep = *first.focus_of(kPlane);
  ASSERT_TRUE(sweep.best_rms.has_value());
  const auto best = static_cast<std::size_t>(*sweep.best_rms);
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_TRUE(i < best ? expected[i].rms > expected[best].rms
                         : expected[i].rms >= expected[best].rms);
  }
  const std::vector<HitRow> hits = hit_rows(*first.hits_of(kPlane), rays);
  ASSERT_EQ(static_cast<int>(hits.size()), expected[best].n);
  double su = 0.0, sz = 0.0;
  for (const HitRow& h : hits) su += h.u, sz += h.v;
  const double n = static_cast<double>(hits.size());
  const double cu = su / n, cz = sz / n;
  double sq = 0.0;
  for (const HitRow& h : hits) sq += (h.u - cu) * (h.u - cu) + (h.v - cz) * (h.v - cz);
  const double rms = std::sqrt(sq / n);
  EXPECT_NEAR(expected[best].cu, cu, 1e-12);
  EXPECT_NEAR(expected[best].cz, cz, 1e-12);
  EXPECT_NEAR(expected[best].rms, rms, 1e-9 * rms);
  EXPECT_GT(rms, 0.0);
  EXPECT_NEAR(cz, 3.0, 0.1);  // the spot is where the beam goes, far from the plane's centre
}

TEST(BestFocusTest, FirstSmallestWinsAndShiftsWithoutHitsTakeNoPart) {
  FocusSweep sweep;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  // No hit: the extents are -2e20 and the statistics NaN
  EXPECT_FALSE(add_shift(sweep, {0.0f, -2e20f, -2e20f, -2e20f, 0, nan, nan, nan}));
  EXPECT_TRUE(add_shift(sweep, {1.0f, 0.5f, 0.3f, 0.5f, 10, 0, 0, 0.2}));
  EXPECT_TRUE(add_shift(sweep, {2.0f, 0.2f, 0.4f, 0.4f, 10, 0, 0, 0.1}));
  EXPECT_FALSE(add_shift(sweep, {3.0f, 0.4f, 0.1f, 0.4f, 10, 0, 0, 0.1}));
  EXPECT_EQ(sweep.best_rms, 2);
  EXPECT_EQ(sweep.best_max, 2);
  EXPECT_EQ(sweep.shifts.size(), 4u);
}

}  // namespace
}  // namespace lumi::test
