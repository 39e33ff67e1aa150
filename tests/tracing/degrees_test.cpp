// Degree trigonometry: exact right angles from any turn, and the inverse functions in degrees.
#include "tracing/degrees.h"

#include <gtest/gtest.h>

#include <cmath>

namespace lumi {
namespace {

struct RightAngle {
  double degrees;
  double sin, cos;
};

TEST(Degrees, RightAnglesAreExactFromAnyTurn) {
  const RightAngle cases[] = {
      {0, 0, 1},     {90, 1, 0},     {180, 0, -1},   {270, -1, 0},   {360, 0, 1},
      {450, 1, 0},   {540, 0, -1},   {-90, -1, 0},   {-180, 0, -1},  {-270, 1, 0},
      {-360, 0, 1},  {-450, -1, 0},  {720, 0, 1},    {-630, 1, 0},   {3690, 1, 0},
  };
  for (const RightAngle& c : cases) {
    SCOPED_TRACE(c.degrees);
    EXPECT_EQ(sin_deg(c.degrees), c.sin);
    EXPECT_EQ(cos_deg(c.degrees), c.cos);
    EXPECT_EQ(sin_deg_f(static_cast<float>(c.degrees)), static_cast<float>(c.sin));
    EXPECT_EQ(cos_deg_f(static_cast<float>(c.degrees)), static_cast<float>(c.cos));
  }
}

TEST(Degrees, OtherAnglesFollowTheReducedTurn) {
  EXPECT_NEAR(sin_deg(30), 0.5, 1e-15);
  EXPECT_NEAR(cos_deg(60), 0.5, 1e-15);
  EXPECT_NEAR(sin_deg(-30), -0.5, 1e-15);
  EXPECT_NEAR(cos_deg(135), -std::sqrt(0.5), 1e-15);
  EXPECT_NEAR(sin_deg(390), 0.5, 1e-15);
  // A tiny negative angle reduces to just under 360, not to 360 itself
  EXPECT_NEAR(sin_deg(-1e-20), 0.0, 1e-15);
  EXPECT_EQ(cos_deg(-1e-20), 1.0);
  EXPECT_FLOAT_EQ(sin_deg_f(30.0f), 0.5f);
  EXPECT_TRUE(std::isnan(sin_deg(NAN)));
  EXPECT_TRUE(std::isnan(cos_deg(INFINITY)));
}

TEST(Degrees, InverseFunctionsAnswerInDegrees) {
  EXPECT_NEAR(asin_deg(0.5), 30.0, 1e-12);
  EXPECT_NEAR(asin_deg(-1.0), -90.0, 1e-12);
  EXPECT_NEAR(atan2_deg(1.0, -1.0), 135.0, 1e-12);
  EXPECT_NEAR(atan2_deg(-1.0, 0.0), -90.0, 1e-12);
  EXPECT_NEAR(asin_deg_f(0.5f), 30.0f, 1e-5f);
  EXPECT_NEAR(atan2_deg_f(1.0f, 1.0f), 45.0f, 1e-5f);
}

}  // namespace
}  // namespace lumi
