// The diffraction grating: orders and the grating equation, wavelengths, the rim, orders that
// cannot propagate, the outline and the log line.
#include <cmath>

#include "elements/curved_fixture.h"
#include "elements/elements.h"
#include "tracing/degrees.h"

namespace lumi::test {
namespace {

constexpr int kGrating = 6;

class GratingTest : public CurvedTest {
 protected:
  GratingTest() { scheme_window(-20.0f, 20.0f, -15.0f, 15.0f); }

  // Grating at the origin, 10 wide and 6 high, 600 lines per unit, facing azimuth fi and tilt psi.
  void trace(float order, float fi = 180.0f, float psi = 0.0f, float lines = 600.0f) {
    grating = make_element(51, {10, 6, 0, 0, fi, lines, order, psi});
    prepare_grating(ws, grating, kGrating, kFullMode);
    forget_drawing();
    trace_grating(ws, grating, rays, kGrating);
  }

  static Ray ray_along(double x, double y, double z, double dx, double dy, double dz,
                       double wavelength) {
    Ray r = make_ray(x, y, z, dx, dy, dz);
    r.wavelength = wavelength;
    return r;
  }

  ElementRecord grating;
};

TEST_F(GratingTest, OrderZeroIsAMirrorReflection) {
  const double s = std::sqrt(0.5);
  set_rays({ray_along(-10, 0, 0, 1, 0, 0, 0.5), ray_along(-10, -10, 0, s, s, 0, 0.5)});
  trace(0);
  EXPECT_EQ(rays[0].dir_x, -1.0);
  EXPECT_EQ(rays[0].dir_y, 0.0);
  EXPECT_EQ(rays[0].dir_z, 0.0);
  EXPECT_EQ(rays[0].x, 0.0);
  EXPECT_EQ(rays[0].path, 10.0);
  EXPECT_FLOAT_EQ(static_cast<float>(rays[1].dir_x), -static_cast<float>(s));
  EXPECT_FLOAT_EQ(static_cast<float>(rays[1].dir_y), static_cast<float>(s));
}

TEST_F(GratingTest, FirstOrdersLeaveOutOfTheSchemePlane) {
  set_rays({ray_along(-10, 0, 0, 1, 0, 0, 0.5)});
  trace(1);
  EXPECT_NEAR(rays[0].dir_x, -0.9539, 1e-4);
  EXPECT_EQ(rays[0].dir_y, 0.0);
  EXPECT_EQ(rays[0].dir_z, static_cast<double>(0.3f));
  EXPECT_EQ(rays[0].dir_x, static_cast<double>(static_cast<float>(rays[0].dir_x)));

  set_rays({ray_along(-10, 0, 0, 1, 0, 0, 0.5)});
  trace(-1);
  EXPECT_EQ(rays[0].dir_z, -static_cast<double>(0.3f));
  // The order is truncated toward zero
  set_rays({ray_along(-10, 0, 0, 1, 0, 0, 0.5)});
  trace(-1.9f);
  EXPECT_EQ(rays[0].dir_z, -static_cast<double>(0.3f));
}

TEST_F(GratingTest, WavelengthsPartInOrderOneAndLeaveTogetherInOrderZero) {
  // One ray at a time, the second ray's direction is that of the first
  for (const int lanes : {1, widest_lanes()}) {
    ws.lanes = lanes;
    set_rays({ray_along(-10, 0, 0, 1, 0, 0, 0.5), ray_along(-10, 1, 0, 1, 0, 0, 0.6)});
    trace(1);
    EXPECT_NE(rays[0].dir_z, rays[1].dir_z) << lanes;
    EXPECT_NEAR(rays[1].dir_z, 0.36, 1e-6) << lanes;
    set_rays({ray_along(-10, 0, 0, 1, 0, 0, 0.5), ray_along(-10, 1, 0, 1, 0, 0, 0.6)});
    trace(0);
    EXPECT_EQ(rays[0].dir_x, rays[1].dir_x) << lanes;
    EXPECT_EQ(rays[0].dir_z, rays[1].dir_z) << lanes;
  }
}

TEST_F(GratingTest, GratingEquationHoldsForObliqueIncidenceAlongTheGrooves) {
  const float fi = 150.0f, psi = 20.0f;
  // The frame: face normal n, grooves T1, across them T2 = n × T1
  const double sf = sin_deg(fi), cf = cos_deg(fi), sp = sin_deg(psi), cp = cos_deg(psi);
  const double n[3] = {cf * cp, sf * cp, sp};
  const double t1[3] = {sf, -cf, 0.0};
  const double t2[3] = {sp * cf, sp * sf, -cp};
  auto dot3 = [](const double* a, double x, double y, double z) {
    return a[0] * x + a[1] * y + a[2] * z;
  };
  // Incident: against n, with parts along T1 and T2
  double d[3];
  for (int i = 0; i < 3; ++i) d[i] = -0.8 * n[i] + 0.36 * t1[i] + 0.48 * t2[i];
  const double period = 1000.0 / 600.0;
  // One ray at a time, and on lanes where the processor has them
  for (int m = -2; m <= 2; ++m) {
    for (const int lanes : {1, widest_lanes()}) {
      ws.lanes = lanes;
      set_rays({ray_along(-d[0] * 5, -d[1] * 5, -d[2] * 5, d[0], d[1], d[2], 0.2)});
      trace(static_cast<float>(m), fi, psi);
      const Ray& r = rays[0];
      ASSERT_EQ(r.alive, 1.0) << m;
      EXPECT_NEAR(dot3(t2, r.dir_x, r.dir_y, r.dir_z), 0.48 - m * 0.2 / period, 1e-6) << m;
      EXPECT_NEAR(dot3(t1, r.dir_x, r.dir_y, r.dir_z), 0.36, 1e-6) << m;
      EXPECT_NEAR(std::sqrt(r.dir_x * r.dir_x + r.dir_y * r.dir_y + r.dir_z * r.dir_z), 1.0, 1e-6);
      EXPECT_GT(dot3(n, r.dir_x, r.dir_y, r.dir_z), 0.0) << m;  // reflected
      // Every component leaves rounded to single precision
      for (const double c : {r.dir_x, r.dir_y, r.dir_z}) {
        EXPECT_EQ(c, static_cast<double>(static_cast<float>(c))) << m << " on " << lanes;
      }
    }
  }
}

TEST_F(GratingTest, OrderThatCannotPropagateIsLostAtTheFace) {
  set_rays({ray_along(-10, 2, 1, 1, 0, 0, 0.5), ray_along(-10, -2, 0, 1, 0, 0, 0.5)});
  trace(4);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(rays[i].alive, 0.0) << i;
    EXPECT_EQ(rays[i].dir_x, 1.0) << i;
    EXPECT_EQ(rays[i].dir_z, 0.0) << i;
    EXPECT_EQ(rays[i].x, 0.0) << i;
  }
  // Drawn, counted and marked in red: u across the grooves is signed by H_x - Xo = 0, v by H_z
  EXPECT_EQ(segments_in(1).size(), 2u);
  EXPECT_EQ(mark_color_at(kGrating, 2.0f, 1.0f), kRed);
  EXPECT_EQ(log_lines().back(), expected_count_line(" Дифр. решетка: нарисовано", "2"));
}

TEST_F(GratingTest, RimDiffractsBeyondItTheRayIsStopped) {
  // Fi = 180: T1 = (0, 1, 0) measures width along y, T2 = (0, 0, -1) height along z
  set_rays({ray_along(-10, 5, 3, 1, 0, 0, 0.5), ray_along(-10, 5.01, 0, 1, 0, 0, 0.5),
            ray_along(-10, 0, -3.01, 1, 0, 0, 0.5)});
  trace(0);
  EXPECT_EQ(rays[0].alive, 1.0);
  EXPECT_EQ(rays[0].dir_x, -1.0);
  EXPECT_EQ(mark_color_at(kGrating, 5.0f, 3.0f), kGreen);
  EXPECT_EQ(rays[1].alive, 0.0);
  EXPECT_EQ(rays[2].alive, 0.0);
  EXPECT_EQ(mark_color_at(kGrating, 5.01f, 0.0f), kRed);
  EXPECT_EQ(mark_color_at(kGrating, 0.0f, -3.01f), kRed);
  // Marks take their colours in the grating's window; the scheme window stays red
  for (const RecordedSegment& s : segments_in(1)) EXPECT_EQ(s.color, kRed);
  EXPECT_EQ(platform.line_color(1), kRed);
}

TEST_F(GratingTest, RayAlongTheFaceIsLostUncounted) {
  set_rays({ray_along(-10, 0, 0, 0, 1, 0, 0.5)});
  trace(1);
  EXPECT_EQ(rays[0].alive, 0.0);
  EXPECT_EQ(log_lines().back(), expected_count_line(" Дифр. решетка: нарисовано", "0"));
}

TEST_F(GratingTest, TiltedOutlineSpreadsTwentyFiveGroovesAcrossTheNormal) {
  // Normal along +x: the grooves run along y, shifted along x by sin(30)·ζ, ζ from -3 to 3
  prepare_grating(ws, make_element(51, {10, 6, 0, 0, 0, 600, 1, 30}), kGrating, kOutlineOnly);
  const std::vector<PixelPoint> p = points_in(1);
  ASSERT_EQ(p.size(), 50u);
  EXPECT_TRUE(same_points({p[0], p[1], p[24], p[25], p[48], p[49]},
                          {pixel(1, -1.5f, 5.0f), pixel(1, -1.5f, -5.0f), pixel(1, 0.0f, 5.0f),
                           pixel(1, 0.0f, -5.0f), pixel(1, 1.5f, 5.0f), pixel(1, 1.5f, -5.0f)}));
  EXPECT_EQ(platform.open_windows.count(kGrating), 0u);
}

TEST_F(GratingTest, FullPreparationOpensTheGratingWindow) {
  prepare_grating(ws, make_element(51, {10, 6, 2, 3, 0, 600, 1, 0}), kGrating, kFullMode);
  EXPECT_EQ(platform.open_windows[kGrating],
            "   6  Прямоугольная дифракционная решетка" + std::string(9, ' '));
  EXPECT_EQ(scheme.pick(kGrating).x, 2.0f);
  EXPECT_EQ(scheme.pick(kGrating).y, 3.0f);
  int cyan = 0;
  for (const RecordedSegment& s : segments_in(kGrating)) cyan += s.color == kCyan;
  EXPECT_EQ(cyan, 4);
  EXPECT_EQ(platform.line_color(1), kWhite);
}

}  // namespace
}  // namespace lumi::test
