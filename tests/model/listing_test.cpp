// The scheme listing: its frame, which codes get a line, and the exact columns of each kind.
#include "model/listing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <utility>

#include "model/cp1251.h"
#include "support/scratch_dir.h"

namespace lumi {
namespace {

constexpr const char* kHeader =
    "    №  Название  Элемента   Диаметр     Длина   Глубина        Xo        Yo        Fi";
const std::string kRule(85, '-');

void set(Scheme& scheme, int k, float code, std::initializer_list<std::pair<int, float>> slots) {
  scheme.count = std::max(scheme.count, k);
  scheme.element(k).slot(1) = code;
  for (const auto& [s, v] : slots) scheme.element(k).slot(s) = v;
}

TEST(Listing, SourceAndFocalPlane) {
  Scheme scheme;
  set(scheme, 1, 11, {{3, 2}, {4, 1}, {5, 0}, {6, -0.25f}, {7, 0}});
  set(scheme, 2, 62, {{3, 4}, {4, 4}, {5, 8}, {6, 0}, {7, 180}, {8, -1}, {9, 1}, {10, 0.5f}});
  const std::vector<std::string> expected = {
      "",
      kHeader,
      kRule,
      "    1 Источник  излучения               2.000     1.000     0.000    -0.250     0.000",
      "    2 Фокальная плоскость               4.000     4.000     8.000     0.000   180.000"
      " Смещ1,Смещ2,Шаг=  -1.00   1.00   0.50",
      "",
  };
  EXPECT_EQ(scheme_listing_lines(scheme), expected);
}

TEST(Listing, CircularKindsAndTheirRadii) {
  Scheme scheme;
  set(scheme, 1, 32, {{3, 50}, {4, 10}, {5, -2}, {6, 180}, {7, -200}});
  set(scheme, 2, 41, {{3, 25}, {4, 20}, {5, 0}, {6, 0}});
  set(scheme, 3, 42, {{3, 30}, {4, 30}, {5, 1}, {6, 0}, {7, 123.456f}, {8, -1234.5f}});
  const auto lines = scheme_listing_lines(scheme);
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[3],
            "    1 Сферическое зеркало    50.000                        10.000    -2.000   180.000"
            " R=*******");
  EXPECT_EQ(lines[4],
            "    2   Идеальная   линза    25.000                        20.000     0.000     0.000");
  EXPECT_EQ(lines[5],
            "    3 Сферическая   линза    30.000                        30.000     1.000     0.000"
            " R1= 123.46 R2=*******");
}

TEST(Listing, GratingLineCountNeedsFiveColumnsFor1200) {
  Scheme scheme;
  set(scheme, 1, 51, {{3, 10}, {4, 10}, {5, 0}, {6, 0}, {7, 45}, {8, 1200}, {9, 1}, {10, -5}});
  set(scheme, 2, 51, {{3, 10}, {4, 10}, {5, 0}, {6, 0}, {7, 45}, {8, 600}, {9, 1}, {10, 0}});
  const auto lines = scheme_listing_lines(scheme);
  ASSERT_EQ(lines.size(), 6u);
  const std::string common =
      " Дифракционн.решетка              10.000    10.000     0.000     0.000    45.000";
  EXPECT_EQ(lines[3], "    1" + common + " Nштр=**** FIвр=  -5.00");
  EXPECT_EQ(lines[4], "    2" + common + " Nштр=600. FIвр=   0.00");
}

TEST(Listing, OnlyPositiveListedCodesGetALine) {
  Scheme scheme;
  const float codes[] = {11, -11, 21, 22, 23, 31, -32, 41, 42, 44, 51, 61, 22.5f, -62, 62};
  int k = 0;
  for (float code : codes) set(scheme, ++k, code, {{3, 1}, {4, 1}});
  const auto lines = scheme_listing_lines(scheme);
  std::vector<int> listed;
  for (std::size_t i = 3; i + 1 < lines.size(); ++i) listed.push_back(std::stoi(lines[i].substr(0, 5)));
  EXPECT_EQ(listed, (std::vector<int>{1, 4, 6, 8, 9, 11, 15}));
}

TEST(Listing, AppendsToTheLog) {
  const test::ScratchDir dir("lumi-listing");
  const auto path = dir / "log.dat";
  DiagnosticsLog log(path, [](std::string_view) {});
  log.restart(std::vector<std::string>{"echo"});
  Scheme scheme;
  set(scheme, 1, 11, {});
  append_scheme_listing(scheme, log);
  std::ifstream in(path, std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string expected = "echo\n\n" + utf8_to_cp1251(kHeader) + "\n" + kRule + "\n";
  expected += utf8_to_cp1251(scheme_listing_lines(scheme)[3]) + "\n\n";
  EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace lumi
