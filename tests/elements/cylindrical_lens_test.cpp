// The cylindrical lens outline: the side chosen by the turn, half turns, the profiles that show,
// and that it opens nothing and anchors nothing.
#include <cmath>

#include "elements/curved_fixture.h"
#include "elements/elements.h"

namespace lumi::test {
namespace {

constexpr int kCylinder = 7;
constexpr double kPi = 3.14159265358979323846;

class CylindricalLensTest : public CurvedTest {
 protected:
  CylindricalLensTest() { scheme_window(-10.0f, 10.0f, -7.5f, 7.5f); }

  // Lens at the origin with its axis along +x: a = 4, b = 2, radii r1, r2, thickness t.
  std::vector<PixelPoint> outline(float psi, float r1, float r2, float t) {
    forget_drawing();
    prepare_cylindrical_lens(ws, make_element(44, {4, 2, 0, 0, 0, psi, r1, r2, t}), kCylinder,
                             kOutlineOnly);
    return points_in(1);
  }

  // Where the lens point (r, s, z) of a lens turned by psi degrees lands in the scheme.
  PixelPoint at(double r, double s, double z, double psi) const {
    const double p = psi * kPi / 180.0;
    return pixel(1, static_cast<float>(r), static_cast<float>(s * std::cos(p) - z * std::sin(p)));
  }
};

TEST_F(CylindricalLensTest, PlateShowsItsSideEdgesOnTheSideOfTheTurn) {
  // Top face: the rectangle (±t/2, ±a/2) at z = b/2; then the side edges, bottom at z = -b/2
  const std::vector<PixelPoint> up = outline(30, 0, 0, 1);
  EXPECT_TRUE(same_points(up, {at(0.5, -2, 1, 30), at(0.5, 2, 1, 30), at(-0.5, 2, 1, 30),
                               at(-0.5, -2, 1, 30), at(0.5, -2, 1, 30), at(0.5, 2, 1, 30),
                               at(0.5, 2, -1, 30), at(-0.5, 2, -1, 30), at(-0.5, 2, 1, 30)}));
  for (float psi : {0.0f, -30.0f}) {
    const std::vector<PixelPoint> down = outline(psi, 0, 0, 1);
    ASSERT_EQ(down.size(), 9u) << psi;
    EXPECT_TRUE(same_points({down[5], down[6], down[7], down[8]},
                            {at(0.5, -2, 1, psi), at(0.5, -2, -1, psi), at(-0.5, -2, -1, psi),
                             at(-0.5, -2, 1, psi)}))
        << psi;
  }
  // Unturned, the bottom face coincides with the top: the side edges have no length
  const std::vector<PixelPoint> flat = outline(0, 0, 0, 1);
  EXPECT_TRUE(same_points({flat[5]}, {flat[6]}));
  EXPECT_EQ(flat[6].y, pixel(1, 0.0f, -2.0f).y);
}

TEST_F(CylindricalLensTest, TurnsAreTakenModuloHalfATurn) {
  EXPECT_TRUE(same_points(outline(200, 8, -6, 1), outline(20, 8, -6, 1)));
  EXPECT_TRUE(same_points(outline(-100, 8, -6, 1), outline(80, 8, -6, 1)));
  EXPECT_FALSE(same_points(outline(20, 8, -6, 1), outline(-20, 8, -6, 1)));
}

TEST_F(CylindricalLensTest, ConvexSurfaceShowsItsBottomProfileFromVertexToRim) {
  const std::vector<PixelPoint> p = outline(30, 8, 0, 1);
  // Top face 21 + 2 + 1, side edges 4, bottom profile of surface 1: vertex edge 2 + 10
  ASSERT_EQ(p.size(), 40u);
  const double alpha = std::asin(4.0 / 16.0);
  const double rim = 0.5 - 8.0 + 8.0 * std::cos(alpha);
  EXPECT_TRUE(same_points({p[28], p[29], p[39]},
                          {at(0.5, 0, 1, 30), at(0.5, 0, -1, 30), at(rim, 2, -1, 30)}));
  // The top face's curved edge runs from s = -a/2 to a/2 through the vertex
  EXPECT_TRUE(same_points({p[0], p[10], p[20], p[23]},
                          {at(rim, -2, 1, 30), at(0.5, 0, 1, 30), at(rim, 2, 1, 30),
                           at(rim, -2, 1, 30)}));
}

TEST_F(CylindricalLensTest, ConcaveSurfaceHidesItsBottomProfileUnderASteepTurn) {
  // |tan 70|·b > a: only the rim edge on the far side; |tan 30|·b <= a: ten profile points more
  for (float psi : {70.0f, -70.0f}) {
    const std::vector<PixelPoint> p = outline(psi, -10, 0, 2);
    ASSERT_EQ(p.size(), 30u) << psi;
    const double rim = 1.0 + 10.0 - 10.0 * std::cos(std::asin(-4.0 / 20.0));
    const double far_side = psi > 0 ? -2.0 : 2.0;
    EXPECT_TRUE(same_points({p[28], p[29]}, {at(rim, far_side, 1, psi), at(rim, far_side, -1, psi)}))
        << psi;
  }
  EXPECT_EQ(outline(30, -10, 0, 2).size(), 40u);
  EXPECT_EQ(outline(-30, 0, -10, 2).size(), 40u);
  EXPECT_EQ(outline(-70, 0, -10, 2).size(), 30u);
}

TEST_F(CylindricalLensTest, DrawsOnlyTheOutlineWhateverTheMode) {
  const ElementRecord e = make_element(44, {4, 2, 3, 3, 0, 30, 8, 8, 1});
  graphics.select_window(1, 0);
  graphics.select_color(3);
  prepare_cylindrical_lens(ws, e, kCylinder, kFullMode);
  EXPECT_EQ(platform.open_windows.count(kCylinder), 0u);
  EXPECT_EQ(scheme.pick(kCylinder).x, 0.0f);
  // Drawn in the colour the caller chose, in the scheme window only
  EXPECT_EQ(segments_in(1).size(), platform.segments.size());
  EXPECT_FALSE(segments_in(1).empty());
  for (const RecordedSegment& s : segments_in(1)) EXPECT_EQ(s.color, kGreen);
}

}  // namespace
}  // namespace lumi::test
