// The ideal lens and the spherical lens: focusing, Snell's law at both faces, the index table,
// lost rays, colours, outlines and log lines.
#include <cmath>

#include "elements/curved_fixture.h"
#include "elements/elements.h"

namespace lumi::test {
namespace {

constexpr int kLens = 3;

struct V {
  double x, y, z;
};
V sub(V a, V b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
double dotp(V a, V b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V cross(V a, V b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double norm(V a) { return std::sqrt(dotp(a, a)); }
V unit(V a) {
  const double l = norm(a);
  return {a.x / l, a.y / l, a.z / l};
}
V dir_of(const Ray& r) { return {r.dir_x, r.dir_y, r.dir_z}; }
V pos_of(const Ray& r) { return {r.x, r.y, r.z}; }

// Ideal lens ------------------------------------------------------------------------------------

class IdealLensTest : public CurvedTest {
 protected:
  IdealLensTest() { scheme_window(-100.0f, 200.0f, -100.0f, 100.0f); }

  void prepare(const ElementRecord& e) {
    lens = e;
    prepare_ideal_lens(ws, lens, kLens, kFullMode);
    forget_drawing();
  }
  void trace() { trace_ideal_lens(ws, lens, rays, kLens); }

  ElementRecord lens;
};

TEST_F(IdealLensTest, ParallelBeamsMeetInOnePointOfTheFocalPlane) {
  // Lens at (0, 0) working for light along +x, F = 100; beams along the axis and oblique ones
  prepare(make_element(41, {40, 0, 0, 180, 100}));
  for (V d : {V{1, 0, 0}, unit(V{1, 0.1, 0}), unit(V{1, -0.05, 0.08})}) {
    rays.count = 0;
    for (double y = -10; y <= 10; y += 5) {
      for (double z = -10; z <= 10; z += 10) rays[rays.count++] = make_ray(-50, y, z, d.x, d.y, d.z);
    }
    trace();
    // Every ray crosses the plane x = F at the point of the ray through the centre
    const V focus{100, 100 * d.y / d.x, 100 * d.z / d.x};
    for (int i = 0; i < rays.count; ++i) {
      const Ray& r = rays[i];
      ASSERT_EQ(r.alive, 1.0) << i;
      const double t = (100 - r.x) / r.dir_x;
      EXPECT_NEAR(r.y + t * r.dir_y, focus.y, 1e-9) << i;
      EXPECT_NEAR(r.z + t * r.dir_z, focus.z, 1e-9) << i;
      EXPECT_NEAR(norm(dir_of(r)), 1.0, 1e-12) << i;
    }
  }
}

TEST_F(IdealLensTest, RayThroughTheCentreKeepsItsDirectionAndPathGrows) {
  prepare(make_element(41, {40, 0, 0, 180, 100}));
  const V d = unit(V{1, 0.2, -0.1});
  Ray centre = make_ray(-50, -50 * d.y / d.x, -50 * d.z / d.x, d.x, d.y, d.z);
  Ray high = make_ray(-20, 10, 0, 1, 0, 0);
  high.path = 1.0;
  set_rays({centre, high});
  trace();
  EXPECT_NEAR(rays[0].dir_x, d.x, 1e-15);
  EXPECT_NEAR(rays[0].dir_y, d.y, 1e-15);
  EXPECT_NEAR(rays[0].dir_z, d.z, 1e-15);
  // The ray at height 10 crosses at (0, 10, 0) and turns toward (100, 0, 0)
  EXPECT_EQ(rays[1].x, 0.0);
  EXPECT_EQ(rays[1].path, 21.0);
  const V toward = unit(V{100, -10, 0});
  EXPECT_NEAR(rays[1].dir_x, toward.x, 1e-15);
  EXPECT_NEAR(rays[1].dir_y, toward.y, 1e-15);
}

TEST_F(IdealLensTest, HitOnTheFocalPointKeepsItsDirection) {
  // F = 0 puts the focal point at the centre; a ray crossing there has nowhere to turn
  prepare(make_element(41, {40, 0, 0, 180, 0}));
  set_rays({make_ray(-5, 0, 0, 1, 0, 0), make_ray(-5, 4, 0, 1, 0, 0)});
  trace();
  EXPECT_EQ(rays[0].alive, 1.0);
  EXPECT_EQ(rays[0].dir_x, 1.0);
  EXPECT_EQ(rays[0].dir_y, 0.0);
  EXPECT_FALSE(std::isnan(rays[1].dir_x));
  EXPECT_EQ(rays[1].dir_y, -1.0);
}

TEST_F(IdealLensTest, ApertureEdgePassesBeyondIsStoppedAndTheSchemeKeepsTheLastMarkColour) {
  prepare(make_element(41, {20, 0, 0, 180, 100}));
  Ray lost = make_ray(-20, 0, 0, 1, 0, 0);
  lost.alive = 0.0;
  set_rays({lost, make_ray(-20, 6, 8, 1, 0, 0), make_ray(-20, -10.5, 0, 1, 0, 0)});
  trace();
  EXPECT_EQ(rays[0].x, -20.0);
  EXPECT_EQ(rays[1].alive, 1.0);  // diameter through the hit exactly D
  EXPECT_EQ(mark_color_at(kLens, 6.0f, 8.0f), kGreen);
  EXPECT_EQ(rays[2].alive, 0.0);
  EXPECT_EQ(rays[2].dir_x, 1.0);
  EXPECT_EQ(mark_color_at(kLens, -10.5f, 0.0f), kRed);
  // Segments are red even for the stopped ray; the scheme window is left in the last mark's colour
  ASSERT_EQ(segments_in(1).size(), 2u);
  for (const RecordedSegment& s : segments_in(1)) EXPECT_EQ(s.color, kRed);
  EXPECT_EQ(next_line_color(1), kRed);

  set_rays({make_ray(-20, 1, 0, 1, 0, 0)});
  trace();
  EXPECT_EQ(segments_in(1).back().color, kRed);
  EXPECT_EQ(next_line_color(1), kGreen);
}

TEST_F(IdealLensTest, MarkSignComesFromYWhenTheHitLiesStraightAboveTheCentre) {
  // Axis along x: every hit has H_x = Xo exactly, so the sign is that of H_y - Yo
  prepare(make_element(41, {20, 0, 0, 0, 50}));
  set_rays({make_ray(20, -3, 1, -1, 0, 0), make_ray(20, 2, 0, -1, 0, 0)});
  trace();
  EXPECT_EQ(mark_color_at(kLens, -3.0f, 1.0f), kGreen);
  EXPECT_EQ(mark_color_at(kLens, 2.0f, 0.0f), kGreen);
  EXPECT_EQ(pixels_in(kLens).size(), 2u);
}

TEST_F(IdealLensTest, NeitherCountsNorLogs) {
  prepare(make_element(41, {20, 0, 0, 180, 100}));
  set_rays({make_ray(-20, 1, 0, 1, 0, 0)});
  trace();
  EXPECT_TRUE(log_lines().empty());
}

TEST_F(IdealLensTest, RaysOnLanesTraceExactlyAsOneAtATime) {
  if (widest_lanes() == 1) GTEST_SKIP() << "no AVX2: rays are traced one at a time only";
  // Converging and diverging, tilted off the origin, and no focal length at all
  for (const ElementRecord& e : {
           make_element(41, {20, 0, 0, 180, 100}),
           make_element(41, {24, 3, -2, 30, -40}),
           make_element(41, {30, 0, 0, 0, 0}),
       }) {
    expect_lanes_trace_alike([&] { prepare(e); }, [&] { trace(); });
  }
}

// Spherical lens ---------------------------------------------------------------------------------

class SphericalLensTest : public CurvedTest {
 protected:
  SphericalLensTest() { scheme_window(-100.0f, 100.0f, -75.0f, 75.0f); }

  void prepare(const ElementRecord& e) {
    lens = e;
    prepare_spherical_lens(ws, lens, kLens, kFullMode);
    forget_drawing();
  }
  void trace() { trace_spherical_lens(ws, lens, rays, kLens); }

  static Ray ray_at(double x, double y, double z, V d, double wavelength) {
    Ray r = make_ray(x, y, z, d.x, d.y, d.z);
    r.wavelength = wavelength;
    return r;
  }

  ElementRecord lens;
};

// Biconvex lens at the origin, axis +x (light along -x), R1 = R2 = 50, T = 5, D = 20, with the
// pairs (0.5, 1.5) and (0.75, 1.6).
ElementRecord biconvex() { return make_element(42, {20, 0, 0, 0, 50, 50, 5, 0, 0.5, 1.5, 0.75, 1.6}); }

TEST_F(SphericalLensTest, NearAxisRaysMeetAtTheThickLensBackFocus) {
  prepare(biconvex());
  set_rays({ray_at(30, 0.01, 0, V{-1, 0, 0}, 0.5), ray_at(30, 0, 0.01, V{-1, 0, 0}, 0.75),
            ray_at(30, 0, 0, V{-1, 0, 0}, 0.5)});
  trace();
  for (int i = 0; i < 2; ++i) {
    const double n = i == 0 ? 1.5 : static_cast<double>(1.6f);
    // 1/f = (n-1)(1/r1 - 1/r2 + (n-1)T/(n r1 r2)), r1 = 50, r2 = -50; BFD = f(1 - (n-1)T/(n r1))
    const double power = (n - 1) * (1 / 50.0 + 1 / 50.0 - (n - 1) * 5 / (n * 50 * 50));
    const double bfd = (1 / power) * (1 - (n - 1) * 5 / (n * 50));
    const Ray& r = rays[i];
    ASSERT_EQ(r.alive, 1.0) << i;
    const double off_axis = i == 0 ? r.y : r.z;
    const double slope = i == 0 ? r.dir_y : r.dir_z;
    const double t = -off_axis / slope;
    EXPECT_NEAR(r.x + t * r.dir_x, -2.5 - bfd, 1e-3) << i;
  }
  // The ray along the axis passes both vertices undeviated
  EXPECT_EQ(rays[2].x, -2.5);
  EXPECT_EQ(rays[2].dir_x, -1.0);
  EXPECT_EQ(rays[2].dir_y, 0.0);
  EXPECT_EQ(log_lines().back(), expected_count_line(" Линза: вышло", "3"));
}

TEST_F(SphericalLensTest, ObliqueRayObeysSnellsLawAtBothFaces) {
  prepare(biconvex());
  const V u = unit(V{-1, 0.05, 0.03});
  const V start{30, 4, -3};
  set_rays({ray_at(start.x, start.y, start.z, u, 0.74)});
  trace();
  const Ray& r = rays[0];
  ASSERT_EQ(r.alive, 1.0);
  const double n = static_cast<double>(1.6f);  // the index as the record holds it

  // Entry point: the near intersection with sphere 1 about (-47.5, 0, 0)
  const V c1{-47.5, 0, 0};
  const V sc = sub(start, c1);
  const double b = dotp(sc, u), c = dotp(sc, sc) - 2500;
  const double t = -b - std::sqrt(b * b - c);
  const V entry{start.x + t * u.x, start.y + t * u.y, start.z + t * u.z};
  const V exit = pos_of(r);
  const V inside = unit(sub(exit, entry));

  // Face 1: sin i = n sin r, all in the plane of incidence
  const V m1 = unit(sub(entry, c1));
  EXPECT_NEAR(norm(cross(u, m1)), n * norm(cross(inside, m1)), 1e-12);
  EXPECT_NEAR(dotp(cross(u, m1), inside), 0.0, 1e-12);
  // Face 2 about (47.5, 0, 0): n sin i = sin r
  const V m2 = unit(sub(exit, V{47.5, 0, 0}));
  EXPECT_NEAR(norm(sub(exit, V{47.5, 0, 0})), 50.0, 1e-9);
  const V out = dir_of(r);
  EXPECT_NEAR(n * norm(cross(inside, m2)), norm(cross(out, m2)), 1e-12);
  EXPECT_NEAR(dotp(cross(inside, m2), out), 0.0, 1e-12);
  EXPECT_NEAR(norm(out), 1.0, 1e-12);
}

TEST_F(SphericalLensTest, EquallyNearPairsGiveTheFirstIndex) {
  prepare(biconvex());
  set_rays({ray_at(30, 3, 0, V{-1, 0, 0}, 0.625), ray_at(30, 3, 0, V{-1, 0, 0}, 0.5),
            ray_at(30, 3, 0, V{-1, 0, 0}, 0.75)});
  trace();
  EXPECT_EQ(rays[0].dir_y, rays[1].dir_y);
  EXPECT_NE(rays[0].dir_y, rays[2].dir_y);
}

TEST_F(SphericalLensTest, WithoutPairsSlot12IsTheIndex) {
  // Nine parameters: no pair, slot 12 holds 1.5 all the same
  ElementRecord e = make_element(42, {20, 0, 0, 0, 50, 50, 5, 0, 0.5});
  e.slot(12) = 1.5f;
  prepare(e);
  set_rays({ray_at(30, 3, 0, V{-1, 0, 0}, 9.0)});
  trace();
  const double with_pairs = rays[0].dir_y;
  prepare(biconvex());
  set_rays({ray_at(30, 3, 0, V{-1, 0, 0}, 0.5)});
  trace();
  EXPECT_EQ(with_pairs, rays[0].dir_y);
}

TEST_F(SphericalLensTest, TotalInternalReflectionAtSurfaceTwoStopsTheRayUndrawn) {
  // Flat entry face, exit sphere of radius 12: a ray at height 9 meets it at sin i = 0.75 > 1/1.5
  ElementRecord e = make_element(42, {20, 0, 0, 0, 0, 12, 10, 0, 1, 1.5});
  prepare(e);
  // The second ray climbs in z, so that its two marks fall apart
  set_rays({ray_at(30, 9, 0, V{-1, 0, 0}, 1), ray_at(30, 1, 0, V{-std::sqrt(0.96), 0, 0.2}, 1)});
  trace();
  EXPECT_EQ(rays[0].alive, 0.0);
  // Moved to the exit sphere about (7, 0, 0)
  EXPECT_NEAR(std::hypot(rays[0].x - 7.0, rays[0].y), 12.0, 1e-9);
  EXPECT_EQ(rays[0].dir_x, -1.0);
  EXPECT_EQ(rays[1].alive, 1.0);
  // Entry segments of both rays, the exit segment of the second only; three marks
  EXPECT_EQ(segments_in(1).size(), 3u);
  EXPECT_EQ(pixels_in(kLens).size(), 3u);
  EXPECT_EQ(log_lines().back(), expected_count_line(" Линза: вышло", "1"));
}

TEST_F(SphericalLensTest, RayThatCannotEnterIsLostAtTheEntryPoint) {
  // No pair and slot 12 unset: index 0. And an index below 1 that a steep ray cannot enter.
  prepare(make_element(42, {20, 0, 0, 0, 0, 0, 4, 0}));
  set_rays({ray_at(30, 1, 0, V{-1, 0, 0}, 0.5)});
  trace();
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_EQ(rays[0].x, 2.0);
  EXPECT_EQ(rays[0].dir_x, -1.0);
  EXPECT_EQ(mark_color_at(kLens, -1.0f, 0.0f), kRed);
  EXPECT_EQ(segments_in(1).size(), 1u);

  forget_drawing();
  ElementRecord low = make_element(42, {20, 0, 0, 0, 0, 0, 4, 0, 0.5, 0.5});
  prepare(low);
  const V steep = unit(V{-1, 1, 0});
  set_rays({ray_at(30, -30, 0, steep, 0.5), ray_at(30, 2, 0, V{-1, 0, 0}, 0.5)});
  trace();
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_FALSE(std::isnan(rays[0].dir_x) || std::isnan(rays[0].dir_y));
  EXPECT_EQ(rays[1].alive, 1.0);
  EXPECT_EQ(log_lines().back(), expected_count_line(" Линза: вышло", "1"));
}

TEST_F(SphericalLensTest, OutsideTheApertureAtSurfaceOneIsMarkedRedAndSkippedLater) {
  prepare(biconvex());
  // Sphere 1 reaches beyond the aperture: a hit at height 10.5 is outside the rim
  set_rays({ray_at(30, 10.5, 0, V{-1, 0, 0}, 0.5), ray_at(30, 9.99, 0, V{-1, 0, 0}, 0.5)});
  trace();
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_EQ(rays[0].dir_x, -1.0);
  EXPECT_GT(rays[0].x, 0.0);  // on surface 1
  EXPECT_EQ(rays[1].alive, 1.0);
  EXPECT_EQ(segments_in(1).size(), 3u);
  EXPECT_EQ(log_lines().back(), expected_count_line(" Линза: вышло", "1"));
}

TEST_F(SphericalLensTest, FlatExitFaceTurnsARayTowardMinusAxis) {
  // A plate: a ray travelling along +a enters the flat face 1 from behind and leaves toward -a
  prepare(make_element(42, {20, 0, 0, 0, 0, 0, 4, 0, 1, 1.5}));
  set_rays({ray_at(-30, 1, 0, V{1, 0, 0}, 1)});
  trace();
  EXPECT_EQ(rays[0].dir_x, -1.0);
}

TEST_F(SphericalLensTest, SegmentsTakeTheColourLeftInTheSchemeWindow) {
  prepare(biconvex());
  graphics.select_window(1, 0);
  graphics.select_color(3);
  rays.count = 0;
  for (int i = 0; i < 7; ++i) rays[rays.count++] = ray_at(30, i - 3.0, 0, V{-1, 0, 0}, 0.5);
  trace();
  ASSERT_EQ(segments_in(1).size(), 14u);
  for (const RecordedSegment& s : segments_in(1)) EXPECT_EQ(s.color, kGreen);
  EXPECT_EQ(log_lines().back(), " Линза: вышло       7  лучей");
}

TEST_F(SphericalLensTest, RaysOnLanesTraceExactlyAsOneAtATime) {
  if (widest_lanes() == 1) GTEST_SKIP() << "no AVX2: rays are traced one at a time only";
  // Biconvex, biconcave, a tilted meniscus off the origin, spheres smaller than the aperture
  // with a high index (total internal reflection), and a negative index
  for (const ElementRecord& e : {
           biconvex(),
           make_element(42, {20, 0, 0, 0, -50, -40, 3, 0, 0.5, 1.5, 0.75, 1.6}),
           make_element(42, {20, 5, -3, 30, 40, -25, 6, 0, 0.5, 1.7}),
           make_element(42, {30, 0, 0, 0, 12, 9, 10, 0, 1, 2.4}),
           make_element(42, {20, 0, 0, 0, 50, 50, 5, 0, 0.5, -1.5}),
       }) {
    expect_lanes_trace_alike([&] { prepare(e); }, [&] { trace(); });
  }
}

TEST_F(SphericalLensTest, RunsOfLikeRaysOnLanesDrawAsOneAtATime) {
  if (widest_lanes() == 1) GTEST_SKIP() << "no AVX2: rays are traced one at a time only";
  // A beam in runs of 1 to 9 equal rays, so that crossings that draw alike fall on every lane and
  // across groups; runs two by two at the same y, some outside the aperture; some rays dead
  std::vector<Ray> start;
  for (int run = 0; start.size() < 300; ++run) {
    const double y = -12.0 + 0.86 * (run / 2), z = 0.6 * (run % 5);
    for (int k = 0; k <= run * 5 % 9; ++k) {
      Ray r = ray_at(30, y, z, V{-1, 0, 0}, run % 4 == 3 ? 0.75 : 0.5);
      if (start.size() % 17 == 6) r.alive = 0.0;
      start.push_back(r);
    }
  }
  for (const ElementRecord& e : {biconvex(), make_element(42, {20, 0, 0, 0, -50, -40, 3, 0, 0.5,
                                                               1.5, 0.75, 1.6})}) {
    expect_lanes_trace_alike(start, [&] { prepare(e); }, [&] { trace(); });
  }
}

TEST_F(SphericalLensTest, RotatedDrawingPlacesFramePointsInTheScheme) {
  draw_rotated_to(graphics, 1, 1, 10.0f, 0.0f, kMove, 5.0f, -5.0f, 90.0f);
  draw_rotated_to(graphics, 1, 1, 10.0f, 20.0f, kLine, 5.0f, -5.0f, 90.0f);
  EXPECT_TRUE(same_points(points_in(1), {pixel(1, 5.0f, 5.0f), pixel(1, -15.0f, 5.0f)}));

  forget_drawing();
  // A half circle of radius -20 about (10, 0) turned by 180: its points lie at +20 from the
  // centre's image, on the side opposite a positive radius.
  draw_rotated_arc(graphics, 1, 1, 10.0f, 0.0f, -20.0f, -90.0f, 90.0f, 0.0f, 0.0f, 180.0f);
  const std::vector<PixelPoint> arc = points_in(1);
  ASSERT_EQ(arc.size(), 20u);
  EXPECT_TRUE(same_points({arc.front(), arc.back()},
                          {pixel(1, -10.0f, -20.0f), pixel(1, -10.0f, 20.0f)}));
  EXPECT_EQ(segments_in(1).size(), 19u);
}

TEST_F(SphericalLensTest, OutlineOfABiconvexLensIsClosed) {
  prepare_spherical_lens(ws, biconvex(), kLens, kOutlineOnly);
  const std::vector<PixelPoint> p = points_in(1);
  // Upper edge (2 points), arc 1 (20), lower edge (2), arc 2 (20)
  ASSERT_EQ(p.size(), 44u);
  const float rim = static_cast<float>(2.5 - 50.0 * (1.0 - std::sqrt(1.0 - 0.04)));
  EXPECT_TRUE(same_points({p[0], p[1], p[2], p[21], p[22], p[23], p[43]},
                          {pixel(1, -rim, 10.0f), pixel(1, rim, 10.0f), pixel(1, rim, -10.0f),
                           pixel(1, rim, 10.0f), pixel(1, rim, -10.0f), pixel(1, -rim, -10.0f),
                           pixel(1, -rim, -10.0f)}));
  EXPECT_EQ(platform.open_windows.count(kLens), 0u);
}

}  // namespace
}  // namespace lumi::test
