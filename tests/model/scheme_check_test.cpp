// Whole-scheme checks: every refusal with the element, slot and value it names, and the exact
// limits that are still accepted.
#include "model/scheme_check.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <string>
#include <utility>

#include "model/scheme_error.h"

namespace lumi {
namespace {

using Slots = std::initializer_list<std::pair<int, float>>;

ElementRecord record(float code, float count, Slots slots) {
  ElementRecord r;
  r.slot(1) = code;
  r.slot(2) = count;
  for (const auto& [s, v] : slots) r.slot(s) = v;
  return r;
}

ElementRecord source(float n1 = 10, float n2 = 10, float n_lambda = 1) {
  return record(11, 10, {{3, 2}, {4, 1}, {8, n1}, {9, n2}, {10, 0.5f}, {11, 0.5f}, {12, n_lambda}});
}

ElementRecord focal_plane(float d1 = -1, float d2 = 1, float h = 0.5f, float code = 62) {
  return record(code, 8, {{3, 4}, {4, 4}, {5, 8}, {8, d1}, {9, d2}, {10, h}});
}

// Header (line 1) and elements on lines 10, 20, 30, ...
SchemeFile scheme(std::initializer_list<ElementRecord> elements) {
  SchemeFile f;
  f.x_min = -10, f.x_max = 10, f.y_min = -5, f.y_max = 5;
  f.header_line = 1;
  for (const ElementRecord& e : elements) {
    f.elements[static_cast<std::size_t>(f.count)] = e;
    f.lines[static_cast<std::size_t>(f.count)] = 10 * (f.count + 1);
    ++f.count;
  }
  return f;
}

std::string refusal(const SchemeFile& f) {
  try {
    check_scheme(f, "s.ops");
  } catch (const SchemeError& e) {
    return e.what();
  }
  return "";
}

TEST(SchemeCheck, AcceptsASchemeOfEveryKind) {
  const SchemeFile f = scheme({
      source(),
      record(21, 4, {{3, 10}}), record(-23, 4, {{3, 2}}), record(22, 5, {{3, 4}, {4, 2}}),
      record(31, 5, {{3, 4}, {4, 2}}), record(32, 6, {{3, 20}, {7, -10}, {8, 20}}),
      record(41, 5, {{3, 5}, {7, 100}}), record(42, 10, {{3, 20}, {7, 10}, {8, -10}}),
      record(44, 9, {{3, 4}, {9, 2}, {10, -2}}), record(51, 8, {{3, 4}, {4, 2}, {8, 600}}),
      record(61, 0, {}), focal_plane(),
  });
  EXPECT_EQ(refusal(f), "");
}

TEST(SchemeCheck, HeaderMustSpanARectangle) {
  SchemeFile f = scheme({source(), focal_plane()});
  f.x_max = -10;
  EXPECT_EQ(refusal(f), "s.ops, строка 1: заголовок схемы: x минимум -10 должен быть меньше "
                        "x максимума -10");
  f.x_max = 10;
  f.y_min = std::numeric_limits<float>::quiet_NaN();
  EXPECT_NE(refusal(f).find("y минимум"), std::string::npos);
}

TEST(SchemeCheck, FirstElementMustBeTheSource) {
  EXPECT_EQ(refusal(scheme({focal_plane()})),
            "s.ops, строка 10: элемент 1 (фокальная плоскость), ячейка 1 (код типа) = 62: первым "
            "элементом схемы должен быть источник (код 11 или -11)");
  ElementRecord off = source();
  off.slot(1) = -11;
  EXPECT_EQ(refusal(scheme({off, focal_plane()})), "");
}

TEST(SchemeCheck, RayCountLimitIsInclusive) {
  EXPECT_EQ(refusal(scheme({source(1000, 1000, 1), focal_plane()})), "");
  EXPECT_EQ(refusal(scheme({source(1000, 1000, 2.9f), focal_plane()})),
            "s.ops, строка 10: элемент 1 (источник): N1 1000 × N2 1000 × Nλ 2 (ячейки 8, 9, 12) "
            "дают больше 1000000 лучей (2000000)");
  ElementRecord off = source(1e9f, 1e9f, 1e9f);
  off.slot(1) = -11;
  EXPECT_EQ(refusal(scheme({off, focal_plane()})), "");  // a switched-off source makes no rays
}

TEST(SchemeCheck, FanBeamMultipliesDirectionsOnlyForExactly16) {
  ElementRecord fan = source(100, 100, 1);
  fan.slot(15) = 10;
  fan.slot(18) = 10;
  fan.slot(2) = 16.5f;  // not exactly 16: a parallel beam
  EXPECT_EQ(source_ray_count(fan), 10000);
  fan.slot(2) = 16;
  EXPECT_EQ(source_ray_count(fan), 1000000);
  EXPECT_EQ(refusal(scheme({fan, focal_plane()})), "");
  fan.slot(18) = 11;
  EXPECT_NE(refusal(scheme({fan, focal_plane()})).find("NA 10 × NE 11 × N1 100"),
            std::string::npos);
}

TEST(SchemeCheck, RayCountHasNoOverflowAndZeroFactorsGiveNone) {
  ElementRecord fan = source(3e9f, 3e9f, 3e9f);
  fan.slot(2) = 16;
  fan.slot(15) = 3e9f;
  fan.slot(18) = 3e9f;
  EXPECT_EQ(source_ray_count(fan), std::numeric_limits<long long>::max());
  EXPECT_FALSE(refusal(scheme({fan, focal_plane()})).empty());
  EXPECT_EQ(source_ray_count(source(1e9f, 1e9f, 0.9f)), 0);
  EXPECT_EQ(source_ray_count(source(-5, -5, 1)), 0);
  EXPECT_EQ(source_ray_count(source(3.9f, 2, 1)), 6);
  ElementRecord nan_count = source();
  nan_count.slot(9) = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(refusal(scheme({nan_count, focal_plane()})),
            "s.ops, строка 10: элемент 1 (источник), ячейка 9 (N2) = nan: значение должно быть "
            "конечным числом");
}

struct SizeCase {
  float code;
  int slot;
  const char* name;
};

class SizeMustBePositive : public ::testing::TestWithParam<SizeCase> {};

TEST_P(SizeMustBePositive, EvenWhenSwitchedOff) {
  const SizeCase& c = GetParam();
  for (float code : {c.code, -c.code}) {
    for (float bad : {0.0f, -1.0f, std::numeric_limits<float>::infinity()}) {
      ElementRecord e = record(code, 9, {{3, 4}, {4, 4}});
      e.slot(c.slot) = bad;
      const std::string message = refusal(scheme({source(), e, focal_plane()}));
      const std::string where = "s.ops, строка 20: элемент 2 (" +
                                std::string(kind_name(static_cast<int>(c.code))) + "), ячейка " +
                                std::to_string(c.slot) + " (" + c.name + ") = ";
      EXPECT_EQ(message.rfind(where, 0), 0u) << message;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Views, SizeMustBePositive,
    ::testing::Values(SizeCase{21, 3, "D"}, SizeCase{23, 3, "D"}, SizeCase{32, 3, "D"},
                      SizeCase{41, 3, "D"}, SizeCase{42, 3, "D"}, SizeCase{22, 3, "W"},
                      SizeCase{22, 4, "H"}, SizeCase{31, 3, "W"}, SizeCase{31, 4, "H"},
                      SizeCase{51, 3, "W"}, SizeCase{51, 4, "H"}, SizeCase{62, 3, "a"},
                      SizeCase{62, 4, "b"}));

TEST(SchemeCheck, SizeMessageNamesSlotAndValue) {
  EXPECT_EQ(refusal(scheme({source(), record(-31, 5, {{3, 4}, {4, -0.5f}}), focal_plane()})),
            "s.ops, строка 20: элемент 2 (плоское зеркало), ячейка 4 (H) = -0.5: размер должен "
            "быть больше нуля");
}

TEST(SchemeCheck, SphericalMirrorDiameterAndHoleWithinTheSphere) {
  const auto mirror = [](float count, float d_outer, float r, float hole) {
    return refusal(scheme({source(), record(32, count, {{3, d_outer}, {7, r}, {8, hole}}),
                           focal_plane()}));
  };
  EXPECT_EQ(mirror(5, 20, 10, 0), "");      // D = 2|R| exactly
  EXPECT_EQ(mirror(5, 20, -10, 0), "");
  EXPECT_EQ(mirror(5, 100, 0, 0), "");      // flat
  EXPECT_EQ(mirror(5, 20, 10, 500), "");    // count 5: slot 8 is no hole
  EXPECT_EQ(mirror(6, 20, 10, 20), "");
  EXPECT_EQ(mirror(-5, 20.01f, 10, 0),
            "s.ops, строка 20: элемент 2 (сферическое зеркало), ячейка 7 (R) = 10: радиус "
            "кривизны меньше половины размера D = 20.01 (ячейка 3)");
  EXPECT_NE(mirror(5, 20, -9.99f, 0), "");
  EXPECT_EQ(mirror(6.5f, 10, -10, 20.5f),
            "s.ops, строка 20: элемент 2 (сферическое зеркало), ячейка 7 (R) = -10: радиус "
            "кривизны меньше половины размера d = 20.5 (ячейка 8)");
}

TEST(SchemeCheck, SphericalLensSurfacesSpanTheDiameter) {
  const auto lens = [](float r1, float r2) {
    return refusal(scheme({source(), record(-42, 8, {{3, 20}, {7, r1}, {8, r2}, {9, 5}}),
                           focal_plane()}));
  };
  EXPECT_EQ(lens(10, -10), "");
  EXPECT_EQ(lens(0, 0), "");
  EXPECT_NE(lens(9.5f, 0).find("ячейка 7 (R1) = 9.5"), std::string::npos);
  EXPECT_NE(lens(0, -9.5f).find("ячейка 8 (R2) = -9.5"), std::string::npos);
}

TEST(SchemeCheck, CylindricalLensRadiiAtLeastHalfTheWidth) {
  const auto lens = [](float r1, float r2) {
    return refusal(
        scheme({source(), record(44, 9, {{3, 4}, {9, r1}, {10, r2}}), focal_plane()}));
  };
  EXPECT_EQ(lens(2, -2), "");
  EXPECT_EQ(lens(0, 0), "");
  EXPECT_EQ(lens(1.99f, 0),
            "s.ops, строка 20: элемент 2 (цилиндрическая линза), ячейка 9 (R1) = 1.99: радиус "
            "кривизны меньше половины размера a = 4 (ячейка 3)");
  EXPECT_NE(lens(0, -1.5f).find("ячейка 10 (R2) = -1.5"), std::string::npos);
}

TEST(SchemeCheck, ShiftCountFollowsTheSweep) {
  EXPECT_EQ(focal_plane_shift_count(focal_plane(-1, 1, 0.5f)), 5);
  EXPECT_EQ(focal_plane_shift_count(focal_plane(-1, 1, 0)), 2);  // h = 1.99998
  EXPECT_EQ(focal_plane_shift_count(focal_plane(0.3f, 0.3f, 0)), 1);
  EXPECT_LE(focal_plane_shift_count(focal_plane(1, -1, 0.5f)), 0);
  EXPECT_EQ(focal_plane_shift_count(focal_plane(1, -1, -0.5f)), 5);
  // Single precision decides the truncation: the first quotient is 7.99999978 in double, the
  // second 6.9999995 in single precision against an exact 7.
  EXPECT_EQ(focal_plane_shift_count(focal_plane(0, 0.7f, 0.1f)), 8);
  EXPECT_EQ(focal_plane_shift_count(focal_plane(0, 0.9f, 0.15f)), 6);
}

TEST(SchemeCheck, ShiftLimitIsInclusive) {
  EXPECT_EQ(refusal(scheme({source(), focal_plane(0, 999, 1)})), "");
  EXPECT_EQ(refusal(scheme({source(), focal_plane(0, 1000, 1)})),
            "s.ops, строка 20: элемент 2 (фокальная плоскость): смещения от d1 = 0 до d2 = 1000 "
            "с шагом h = 1 (ячейки 8, 9, 10) дают больше 1000 смещений (1001)");
  EXPECT_EQ(refusal(scheme({source(), focal_plane(0, 1, 1e-30f, -62)})), "");  // switched off
  EXPECT_FALSE(refusal(scheme({source(), focal_plane(0, 1, 1e-44f)})).empty());
  // d2 − d1 overflows: h becomes infinite and the quotient NaN.
  EXPECT_FALSE(refusal(scheme({source(), focal_plane(-3e38f, 3e38f, 0)})).empty());
  EXPECT_NE(refusal(scheme({source(), focal_plane(0, 1, std::nanf(""))})).find("ячейка 10 (h)"),
            std::string::npos);
}

TEST(SchemeCheck, LeftoverSlotsOfTheCurrentSchemeAreChecked) {
  // The file gives the cylindrical lens only 1 parameter; slots 9 and 10 stay as they are.
  const SchemeFile f = scheme({source(), record(44, 1, {{3, 4}}), focal_plane()});
  Scheme current;
  current.element(2).slot(9) = 1.0f;
  EXPECT_EQ(refusal(f), "");
  try {
    check_scheme(f, "s.ops", current);
    FAIL() << "accepted";
  } catch (const SchemeError& e) {
    EXPECT_NE(std::string(e.what()).find("ячейка 9 (R1) = 1:"), std::string::npos) << e.what();
  }
  current.element(2).slot(9) = 2.0f;
  EXPECT_NO_THROW(check_scheme(f, "s.ops", current));
}

}  // namespace
}  // namespace lumi
