// Fw.d and Iw fields, checked against what a Fortran runtime prints for the same values.
#include "model/fixed_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace lumi {
namespace {

struct FCase {
  double value;
  int width;
  int decimals;
  const char* text;
};

class FormatF : public ::testing::TestWithParam<FCase> {};

TEST_P(FormatF, MatchesFortran) {
  const FCase& c = GetParam();
  EXPECT_EQ(format_f(c.value, c.width, c.decimals), c.text)
      << "F" << c.width << "." << c.decimals << " of " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Rounding, FormatF,
    ::testing::Values(FCase{0.125, 5, 2, " 0.12"},   // exact tie, to even
                      FCase{0.375, 5, 2, " 0.38"},   // exact tie, to even upward
                      FCase{2.5, 6, 0, "    2."}, FCase{3.5, 6, 0, "    4."},
                      FCase{0.015, 6, 2, "  0.01"},  // 0.015 is stored just below the tie
                      FCase{0.045, 6, 2, "  0.04"}, FCase{0.055, 6, 2, "  0.06"},
                      FCase{9.9995, 6, 3, " 9.999"}, FCase{99.995, 7, 2, " 100.00"},
                      FCase{1.0f / 3.0f, 10, 3, "     0.333"},
                      FCase{-12.3456, 10, 4, "  -12.3456"}));

INSTANTIATE_TEST_SUITE_P(
    NegativeZero, FormatF,
    ::testing::Values(FCase{-0.0001, 6, 3, "-0.000"}, FCase{-0.0, 5, 1, " -0.0"},
                      FCase{-0.4, 3, 0, "-0."}, FCase{0.0, 5, 1, "  0.0"}));

INSTANTIATE_TEST_SUITE_P(
    LeadingZeroAndOverflow, FormatF,
    ::testing::Values(FCase{-0.5, 5, 3, "-.500"}, FCase{0.5, 3, 2, ".50"},
                      FCase{-0.5, 3, 2, "***"}, FCase{0.0, 2, 1, ".0"},
                      FCase{0.4, 1, 0, "*"},  // dropping the zero would leave no digit
                      FCase{0.4, 2, 0, "0."}, FCase{-0.4, 2, 0, "**"},
                      FCase{1200, 4, 0, "****"}, FCase{600, 4, 0, "600."},
                      FCase{-2e20, 10, 4, "**********"}, FCase{1e20, 10, 3, "**********"},
                      FCase{-999.9995, 9, 3, "-1000.000"}, FCase{-999.9995, 8, 3, "********"},
                      FCase{1.7976931348623157e308, 12, 2, "************"},
                      FCase{5e-324, 6, 3, " 0.000"}));

TEST(FormatF, NonFiniteFillsTheField) {
  EXPECT_EQ(format_f(std::numeric_limits<double>::quiet_NaN(), 7, 2), "*******");
  EXPECT_EQ(format_f(std::numeric_limits<double>::infinity(), 4, 0), "****");
  EXPECT_EQ(format_f(-std::numeric_limits<double>::infinity(), 10, 3), "**********");
}

TEST(FormatI, RightAlignedOrStars) {
  EXPECT_EQ(format_i(7, 8), "       7");
  EXPECT_EQ(format_i(-42, 5), "  -42");
  EXPECT_EQ(format_i(1234, 3), "***");
  EXPECT_EQ(format_i(-100, 3), "***");
  EXPECT_EQ(format_i(999, 3), "999");
  EXPECT_EQ(format_i(0, 1), "0");
}

}  // namespace
}  // namespace lumi
