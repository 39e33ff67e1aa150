// Trigonometry in degrees. The angle is reduced to [0, 360) first, so that the right angles give
// exact 0, 1 and -1 whatever turn they come from (450, -90, 720 ...).
#include "tracing/degrees.h"

#include <cmath>
#include <numbers>

namespace lumi {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

// The angle reduced to [0, 360); NaN and infinities give NaN.
double reduce(double degrees) {
  double r = std::fmod(degrees, 360.0);
  if (r < 0.0) r += 360.0;
  // A tiny negative remainder can round up to 360 itself.
  if (r >= 360.0) r -= 360.0;
  return r;
}

}  // namespace

double sin_deg(double degrees) {
  const double r = reduce(degrees);
  if (r == 0.0 || r == 180.0) return 0.0;
  if (r == 90.0) return 1.0;
  if (r == 270.0) return -1.0;
  return std::sin(r * kRadiansPerDegree);
}

double cos_deg(double degrees) {
  const double r = reduce(degrees);
  if (r == 0.0) return 1.0;
  if (r == 90.0 || r == 270.0) return 0.0;
  if (r == 180.0) return -1.0;
  return std::cos(r * kRadiansPerDegree);
}

// A float converts to double exactly, and a sine or cosine always fits a float.
float sin_deg_f(float degrees) { return static_cast<float>(sin_deg(degrees)); }
float cos_deg_f(float degrees) { return static_cast<float>(cos_deg(degrees)); }

double asin_deg(double x) { return std::asin(x) * kDegreesPerRadian; }
double atan2_deg(double y, double x) { return std::atan2(y, x) * kDegreesPerRadian; }

float asin_deg_f(float x) { return static_cast<float>(asin_deg(x)); }
float atan2_deg_f(float y, float x) { return static_cast<float>(atan2_deg(y, x)); }

}  // namespace lumi
