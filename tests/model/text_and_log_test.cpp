// Code page 1251 conversion, the element names and the diagnostics log's write rules.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "model/cp1251.h"
#include "model/diagnostics_log.h"
#include "model/element.h"

namespace lumi {
namespace {

std::string file_bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Cp1251, ConvertsBothWays) {
  EXPECT_EQ(utf8_to_cp1251("Сс ёЁ №"), "\xD1\xF1 \xB8\xA8 \xB9");
  EXPECT_EQ(cp1251_to_utf8("\xC0\xFF"), "Ая");
  EXPECT_EQ(cp1251_to_utf8(utf8_to_cp1251("диагностика.dat")), "диагностика.dat");
}

// Writing goes by a table and reading through iconv: they must agree on every byte.
TEST(Cp1251, EveryByteOfTheCodePageComesBack) {
  for (int b = 0x01; b <= 0xFF; ++b) {
    const std::string byte(1, static_cast<char>(b));
    if (b == 0x98) continue;  // unassigned
    EXPECT_EQ(utf8_to_cp1251(cp1251_to_utf8(byte)), byte) << b;
  }
}

TEST(Cp1251, BufferTooShortGivesNothing) {
  char out[3];
  EXPECT_EQ(utf8_to_cp1251("Шаг", out), std::optional<std::size_t>(3));
  EXPECT_EQ(std::string(out, 3), "\xD8\xE0\xE3");
  EXPECT_EQ(utf8_to_cp1251("Шаги", out), std::nullopt);
}

TEST(Cp1251, UnconvertibleCharactersBecomeQuestionMarks) {
  EXPECT_EQ(utf8_to_cp1251("a€b✓c"), "a\x88" "b?c");  // the euro sign exists in 1251, the tick not
  EXPECT_EQ(utf8_to_cp1251("a\xFF" "b"), "a?b");        // malformed input
  EXPECT_EQ(utf8_to_cp1251("\xE2\x82" "b\xC0\x80"), "?b?"); // cut short, overlong
  EXPECT_EQ(cp1251_to_utf8("x\x98y"), "x?y");           // 0x98 is unassigned
}

TEST(Cp1251, ValidUtf8) {
  EXPECT_TRUE(is_valid_utf8(""));
  EXPECT_TRUE(is_valid_utf8("plain ascii"));
  EXPECT_TRUE(is_valid_utf8("С комментарием 𝄞"));
  EXPECT_FALSE(is_valid_utf8("\xD1 comment"));          // a code page 1251 letter
  EXPECT_FALSE(is_valid_utf8("\xC0\xAF"));              // overlong '/'
  EXPECT_FALSE(is_valid_utf8("\xED\xA0\x80"));          // surrogate
  EXPECT_FALSE(is_valid_utf8("\xF4\x90\x80\x80"));      // beyond U+10FFFF
  EXPECT_FALSE(is_valid_utf8("\xD0"));                  // cut short
}

TEST(Cp1251, FixedWidthCountsCharacters) {
  EXPECT_EQ(utf8_fixed_width("Фокальная", 5), "Фокал");
  EXPECT_EQ(utf8_fixed_width("Шаг", 5), "Шаг  ");
  EXPECT_EQ(utf8_fixed_width("abc", 0), "");
}

TEST(ElementNames, StatusNamesKeepTheirLeadingBlanks) {
  EXPECT_EQ(status_name(11), "    источник");
  EXPECT_EQ(status_name(22), "    прямоуг. диафрагма");
  EXPECT_EQ(status_name(51), "    плоская дифр.решетка");
  EXPECT_EQ(status_name(62), "    фокальная плоскость");
  EXPECT_TRUE(status_name(61).empty());
  EXPECT_TRUE(status_name(12).empty());
  for (int c : {11, 21, 22, 23, 31, 32, 41, 42, 44, 51, 62}) {
    EXPECT_FALSE(kind_name(c).empty()) << c;
  }
}

class LogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("lumi-log-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    std::filesystem::remove_all(dir_);
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::filesystem::path dir_;
  std::vector<std::string> warnings_;
  DiagnosticsLog::Warn warn_ = [this](std::string_view m) { warnings_.emplace_back(m); };
};

TEST_F(LogTest, RestartReplacesAndAppendAddsInCodePage1251) {
  const auto path = dir_ / std::string(kLogFileName);
  DiagnosticsLog log(path, warn_);
  log.restart(std::vector<std::string>{"старое"});
  log.restart(std::vector<std::string>{"Источник", ""});
  log.append(" Смещ");
  log.append(std::vector<std::string>{"a", "b"});
  EXPECT_EQ(file_bytes(path), "\xC8\xF1\xF2\xEE\xF7\xED\xE8\xEA\n\n \xD1\xEC\xE5\xF9\na\nb\n");
  EXPECT_TRUE(warnings_.empty());
}

TEST_F(LogTest, AppendCreatesAMissingFile) {
  const auto path = dir_ / "new.dat";
  DiagnosticsLog log(path, warn_);
  log.append("x");
  EXPECT_EQ(file_bytes(path), "x\n");
}

TEST_F(LogTest, FullDeviceWarnsOnceAndGoesOn) {
  DiagnosticsLog log("/dev/full", warn_);
  log.restart(std::vector<std::string>{"one"});
  log.append("two");
  log.append(std::vector<std::string>{"three"});
  ASSERT_EQ(warnings_.size(), 1u);
  EXPECT_NE(warnings_[0].find("/dev/full"), std::string::npos);
  EXPECT_NE(warnings_[0].find(": на диске не осталось места"), std::string::npos);
}

TEST_F(LogTest, UnopenableFileWarnsOnce) {
  DiagnosticsLog log(dir_ / "missing-folder" / "log.dat", warn_);
  log.append("one");
  log.append("two");
  EXPECT_EQ(warnings_.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "missing-folder"));
}

TEST(CountLine, TextCountInEightColumnsThenUnit) {
  EXPECT_EQ(count_line(" Источник: вышло", 300), " Источник: вышло     300  лучей");
  EXPECT_EQ(count_line(" x", 123456789, "  точек"), " x********  точек");
}

}  // namespace
}  // namespace lumi
