// Trigonometry in degrees. Sine and cosine reduce the angle modulo 360 and are exactly 0, 1 or -1
// at 0, 90, 180 and 270 degrees, so elements at right angles line up exactly.
#pragma once

namespace lumi {

double sin_deg(double degrees);
double cos_deg(double degrees);
// Single-precision forms, for outlines drawn in single precision.
float sin_deg_f(float degrees);
float cos_deg_f(float degrees);
double asin_deg(double x);
double atan2_deg(double y, double x);
float asin_deg_f(float x);
float atan2_deg_f(float y, float x);

}  // namespace lumi
