// Reading scheme files: comment and zero-skipping rules, line ends, field shapes, the refusals
// with their messages, installing into the scheme state and the echo lines.
#include "model/scheme_reader.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <string>
#include <system_error>

#include "model/numeric_field.h"
#include "model/scheme_error.h"
#include "support/scratch_dir.h"

namespace lumi {
namespace {

std::string join(std::initializer_list<std::string> lines, const std::string& end = "\n") {
  std::string text;
  for (const auto& line : lines) text += line + end;
  return text;
}

// The message of the SchemeError that parsing `text` throws, or "" when it is accepted.
std::string refusal(const std::string& text) {
  try {
    parse_scheme(text, "scheme.ops");
  } catch (const SchemeError& e) {
    return e.what();
  }
  return "";
}

const ElementRecord& element(const SchemeFile& f, int k) {
  return f.elements[static_cast<std::size_t>(k - 1)];
}

// A source with a parallel beam and a focal plane: the smallest complete scheme.
const std::string kSmall = join({
    "  -10   10   -5    5",
    "        11        10",
    "2", "1", "0", "0", "0", "3", "1", "0.5", "0.5", "1",
    "        62         8",
    "4", "4", "8", "0", "0", "-1", "1", "0.5",
});

TEST(SchemeReader, ReadsHeaderElementsAndParameters) {
  const SchemeFile f = parse_scheme(kSmall, "scheme.ops");
  EXPECT_EQ(f.x_min, -10.0f);
  EXPECT_EQ(f.x_max, 10.0f);
  EXPECT_EQ(f.y_min, -5.0f);
  EXPECT_EQ(f.y_max, 5.0f);
  EXPECT_EQ(f.header_line, 1);
  ASSERT_EQ(f.count, 2);
  EXPECT_EQ(element(f, 1).code(), 11.0f);
  EXPECT_EQ(element(f, 1).slot(2), 10.0f);
  EXPECT_EQ(element(f, 1).slot(3), 2.0f);
  EXPECT_EQ(element(f, 1).slot(10), 0.5f);
  EXPECT_EQ(element(f, 1).slot(12), 1.0f);
  EXPECT_EQ(element(f, 1).slot(13), 0.0f);  // not in the file
  EXPECT_EQ(element(f, 2).code(), 62.0f);
  EXPECT_EQ(element(f, 2).slot(10), 0.5f);
  EXPECT_EQ(f.lines[0], 2);
  EXPECT_EQ(f.lines[1], 13);
}

TEST(SchemeReader, CommentLinesAreSkippedAnywhere) {
  const std::string text = join({
      "C scheme title", "c lower case", "! bang", "\xD1\xF5\xE5\xEC\xE0",  // "Схема" in 1251
      "  -10   10   -5    5",
      "\xF1 small es",
      "        61         2",
      "Comment between parameters",
      "7.5",
      "!",
      "8.5",
  });
  const SchemeFile f = parse_scheme(text, "scheme.ops");
  EXPECT_EQ(f.header_line, 5);
  ASSERT_EQ(f.count, 1);
  EXPECT_EQ(f.lines[0], 7);
  EXPECT_EQ(element(f, 1).slot(3), 7.5f);
  EXPECT_EQ(element(f, 1).slot(4), 8.5f);
}

TEST(SchemeReader, Utf8FileWithCyrillicCommentsIsConverted) {
  const std::string text = join({
      "Схема с линзой",
      "  -10   10   -5    5",
      "схема: источник",
      "        61         1",
      "  3.25              комментарий за колонкой 20",
  });
  const SchemeFile f = parse_scheme("\xEF\xBB\xBF" + text, "scheme.ops");
  ASSERT_EQ(f.count, 1);
  EXPECT_EQ(element(f, 1).slot(3), 3.25f);
}

TEST(SchemeReader, ZeroRulesSkipHeadersAndElementLinesButNotParameters) {
  const std::string text = join({
      "",
      "    0    0    0  0.0",
      "    0   10    0    5",  // some fields 0: this is the header
      "",
      "         0         0",
      "        21         3",
      "",   // blank parameter reads 0
      "0",  // zero parameter is a value, not skipped
      "4",
      "       -62         1",  // switched off: does not end the scheme
      "9",
      "        62         1",
      "6",
      "garbage after the end: never read",
  });
  const SchemeFile f = parse_scheme(text, "scheme.ops");
  EXPECT_EQ(f.header_line, 3);
  EXPECT_EQ(f.x_min, 0.0f);
  EXPECT_EQ(f.x_max, 10.0f);
  ASSERT_EQ(f.count, 3);
  EXPECT_EQ(f.lines[0], 6);
  EXPECT_EQ(element(f, 1).slot(3), 0.0f);
  EXPECT_EQ(element(f, 1).slot(4), 0.0f);
  EXPECT_EQ(element(f, 1).slot(5), 4.0f);
  EXPECT_EQ(element(f, 2).code(), -62.0f);
  EXPECT_EQ(element(f, 3).slot(3), 6.0f);
}

TEST(SchemeReader, ParameterCountIsTruncated) {
  const std::string text = join({"    0   10    0    5", "        61       5.9",
                                 "1", "2", "3", "4", "5", "this line is not read"});
  const SchemeFile f = parse_scheme(text, "scheme.ops");
  EXPECT_EQ(element(f, 1).slot(7), 5.0f);
  EXPECT_EQ(element(f, 1).slot(8), 0.0f);
}

TEST(SchemeReader, NegativeCountMeansNoParameters) {
  const SchemeFile f = parse_scheme(join({"    0   10    0    5", "        61        -3"}), "s");
  EXPECT_EQ(f.count, 1);
  EXPECT_EQ(element(f, 1).slot(2), -3.0f);
}

TEST(SchemeReader, LineEndsLfCrlfAndCrReadAlike) {
  const std::string lf = join({"    0   10    0    5", "C", "        61         1", "2.5"});
  for (const std::string end : {"\r\n", "\r"}) {
    const std::string text = join({"    0   10    0    5", "C", "        61         1", "2.5"}, end);
    const SchemeFile f = parse_scheme(text, "scheme.ops");
    EXPECT_EQ(f.lines[0], 3);
    EXPECT_EQ(element(f, 1).slot(3), 2.5f);
  }
  // A CR is a line end, never a character of a field, and the last line needs no end.
  const SchemeFile f = parse_scheme("    0   10    0    5\r\r        61         1\r2.5", "s");
  EXPECT_EQ(f.lines[0], 3);
  EXPECT_EQ(element(f, 1).slot(3), 2.5f);
  EXPECT_EQ(refusal("    0   10    0    5\r\n\r\n        61         1\r\n 7\r"), "");
}

TEST(SchemeReader, LinesAreCutAt200Columns) {
  const std::string long_line = "    0   10    0    5" + std::string(180, ' ') + "C";
  const SchemeFile f = parse_scheme(join({long_line, "        61         0"}), "s");
  EXPECT_EQ(f.x_max, 10.0f);
}

struct FieldCase {
  const char* text;
  float value;
};

class NumericFieldAccepts : public ::testing::TestWithParam<FieldCase> {};

TEST_P(NumericFieldAccepts, Value) {
  const FieldValue v = read_numeric_field(GetParam().text);
  ASSERT_EQ(v.status, FieldStatus::kNumber) << GetParam().text;
  EXPECT_EQ(v.value, GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, NumericFieldAccepts,
    ::testing::Values(FieldCase{"", 0.0f}, FieldCase{"      ", 0.0f}, FieldCase{"42", 42.0f},
                      FieldCase{"  -3.5  ", -3.5f}, FieldCase{"+.5", 0.5f}, FieldCase{"5.", 5.0f},
                      FieldCase{"1 2 . 5", 12.5f}, FieldCase{"1.5E3", 1500.0f},
                      FieldCase{"1.5e+3", 1500.0f}, FieldCase{"1.5 d 2", 150.0f},
                      FieldCase{"1D-3", 1e-3f}, FieldCase{"1.5+3", 1500.0f},
                      FieldCase{"1.5-3", 1.5e-3f}, FieldCase{"1E 5", 1e5f},
                      FieldCase{"-", 0.0f}, FieldCase{"+", 0.0f}, FieldCase{".", 0.0f},
                      FieldCase{"0.1", 0.1f},  // correctly rounded to single precision
                      FieldCase{"16777217", 16777216.0f},  // tie, to even
                      FieldCase{"3.4028235e38", FLT_MAX}, FieldCase{"1e-50", 0.0f},
                      FieldCase{"7e-46", 0.0f}, FieldCase{"1.4e-45", 1.4e-45f},
                      FieldCase{"00000000000000000001", 1.0f}));

TEST(NumericField, SignOfZeroIsKept) {
  EXPECT_TRUE(std::signbit(read_numeric_field("-0").value));
  EXPECT_TRUE(std::signbit(read_numeric_field("-1e-60").value));
  EXPECT_TRUE(std::signbit(read_numeric_field("-.").value));
  // A sign with nothing after it is no number written: it reads as +0
  EXPECT_FALSE(std::signbit(read_numeric_field("-").value));
  EXPECT_FALSE(std::signbit(read_numeric_field(" - ").value));
}

TEST(NumericField, RefusesOtherShapes) {
  for (const char* text : {"1.2.3", "1e", "1.5E+", "1+", "1.5+", "5-", "++1", "E5", ".E5", "e",
                           "12abc", "1,5", "0x10", "inf", "nan", "\t7", "1.5e3.0", "1.5Q2"}) {
    EXPECT_EQ(read_numeric_field(text).status, FieldStatus::kNotANumber) << text;
  }
  for (const char* text : {"1e39", "-3.40282357e38", "1e999999", "9999999999999999999999999999999999999999"}) {
    EXPECT_EQ(read_numeric_field(text).status, FieldStatus::kTooLarge) << text;
  }
}

TEST(SchemeReader, RefusesAFieldThatIsNotANumber) {
  EXPECT_EQ(refusal(join({"    0   10    0    5", "        11         3", "1", "2", "1.2.3"})),
            "scheme.ops, строка 5, колонки 1-20: \"1.2.3\" — не число (параметр в ячейке 5 "
            "элемента 1)");
  EXPECT_EQ(refusal(join({"    0   1x    0    5"})),
            "scheme.ops, строка 1, колонки 6-10: \"1x\" — не число (x максимум заголовка)");
  EXPECT_EQ(refusal(join({"    0   10    0    5", "C", "        6l         3"})),
            "scheme.ops, строка 3, колонки 1-10: \"6l\" — не число (код типа элемента 1)");
  EXPECT_EQ(refusal(join({"    0   10    0    5", "        61     три"})),
            "scheme.ops, строка 2, колонки 11-20: \"три\" — не число (число параметров "
            "элемента 1)");
  EXPECT_EQ(refusal(join({"    0   10    0    5", "        61         1", "  \t7"})),
            "scheme.ops, строка 3, колонки 1-20: \"?7\" — не число (параметр в ячейке 3 "
            "элемента 1)");
}

TEST(SchemeReader, RefusesANumberBeyondSinglePrecision) {
  EXPECT_EQ(refusal(join({"    0   10    0    5", "        61         1", "  -1e39"})),
            "scheme.ops, строка 3, колонки 1-20: \"-1e39\" — число вне диапазона одинарной "
            "точности (параметр в ячейке 3 элемента 1)");
}

TEST(SchemeReader, RefusesAFileThatEndsBeforeItsEndElement) {
  const std::string prefix = "scheme.ops: файл кончился раньше конечного элемента (61 или 62), ";
  EXPECT_EQ(refusal(""), "scheme.ops: файл пуст");
  EXPECT_EQ(refusal("\n"), prefix + "при чтении заголовка схемы");
  EXPECT_EQ(refusal(join({"", "    0    0    0    0", "C only a comment"})),
            prefix + "при чтении заголовка схемы");
  EXPECT_EQ(refusal(join({"    0   10    0    5", "        11         0", "", ""})),
            prefix + "при чтении строки элемента 2");
  EXPECT_EQ(refusal(join({"    0   10    0    5", "        62         3", "1", "C"})),
            prefix + "при чтении параметра в ячейке 4 элемента 1");
}

TEST(SchemeReader, FiftyElementsFitAndTheFiftyFirstIsRefused) {
  std::string fifty = "    0   10    0    5\n";
  for (int k = 1; k < 50; ++k) fifty += "        21         0\n";
  EXPECT_EQ(parse_scheme(fifty + "        62         0\n", "s").count, 50);
  EXPECT_EQ(refusal(fifty + "        21         0\n" + "\n" + "        62         0\n"),
            "scheme.ops, строка 53: больше 50 элементов (элемент 51 не помещается в схему)");
}

TEST(SchemeReader, ParameterCountAbove198IsRefused) {
  std::string text = "    0   10    0    5\n        61     198.9\n";
  for (int s = 3; s <= 200; ++s) text += std::to_string(s) + "\n";
  const SchemeFile f = parse_scheme(text, "s");
  EXPECT_EQ(element(f, 1).slot(200), 200.0f);
  EXPECT_EQ(refusal("    0   10    0    5\n        61       199\n"),
            "scheme.ops, строка 2, колонки 11-20: \"199\" — больше 198 параметров (элемент 1)");
}

class SchemeFileTest : public ::testing::Test {
 protected:
  test::ScratchDir dir_{"lumi-reader"};
};

TEST_F(SchemeFileTest, ReadsAFileAndNamesItByItsPath) {
  const std::string path = (dir_ / "схема.ops").string();
  std::ofstream(path, std::ios::binary) << kSmall << "  1.2.3";
  EXPECT_EQ(read_scheme_file(path).count, 2);
  std::ofstream(path, std::ios::binary) << "    0   10    0    5\n        61         1\n1.2.3\n";
  try {
    read_scheme_file(path);
    FAIL() << "accepted";
  } catch (const SchemeError& e) {
    EXPECT_EQ(std::string(e.what()).rfind(path + ", строка 3, колонки 1-20: ", 0), 0u) << e.what();
  }
}

TEST_F(SchemeFileTest, UnreadableFilesAreRefusedWithTheReason) {
  const auto message = [](const std::string& path) -> std::string {
    try {
      read_scheme_file(path);
    } catch (const SchemeError& e) {
      return e.what();
    }
    return "";
  };
  const std::string missing = (dir_ / "missing.ops").string();
  EXPECT_EQ(message(missing),
            missing + ": не удалось прочитать файл: нет такого файла или папки");
  EXPECT_EQ(message(dir_.path().string()),
            dir_.path().string() + ": не удалось прочитать файл: это папка, а не файл");
}

TEST(InstallScheme, CopiesOnlyTheSlotsTheFileGave) {
  Scheme scheme;
  for (int k = 1; k <= 3; ++k) {
    for (int s = 1; s <= kSlotCount; ++s) scheme.element(k).slot(s) = 1000.0f + s;
  }
  scheme.count = 3;
  const SchemeFile f = parse_scheme(
      join({"   -1    1   -2    2", "        21       2.7", "5", "6", "        62        -1"}), "s");
  install_scheme(f, "/data/a.ops", scheme);
  EXPECT_EQ(scheme.count, 2);
  EXPECT_EQ(scheme.file_name, "/data/a.ops");
  EXPECT_EQ(scheme.x_min, -1.0f);
  EXPECT_EQ(scheme.y_max, 2.0f);
  EXPECT_EQ(scheme.element(1).slot(1), 21.0f);
  EXPECT_EQ(scheme.element(1).slot(2), 2.7f);
  EXPECT_EQ(scheme.element(1).slot(4), 6.0f);
  EXPECT_EQ(scheme.element(1).slot(5), 1005.0f);  // leftover of the previous scheme
  EXPECT_EQ(scheme.element(2).slot(2), -1.0f);
  EXPECT_EQ(scheme.element(2).slot(3), 1003.0f);
  EXPECT_EQ(scheme.element(3).slot(1), 1001.0f);  // beyond the new count
}

TEST(SchemeEcho, HeaderElementAndParameterLines) {
  const SchemeFile f = parse_scheme(
      join({"  -10 12.5   -5 1e20", "        61       4.5", "-0.0001", "123456.7", "-",
            "-0"}),
      "s");
  const std::vector<std::string> expected = {
      "   -10.000    12.500    -5.000**********",
      "    1    61.000     4.500",
      "    1    3    -0.000",
      "    1    4123456.703",
      "    1    5     0.000",
      "    1    6    -0.000",
  };
  EXPECT_EQ(scheme_echo_lines(f), expected);
}

}  // namespace
}  // namespace lumi
