// Numeric input fields of scheme files. The text is checked against the Fortran shape here and
// then converted by std::from_chars, which rounds correctly and does not depend on the locale.
#include "model/numeric_field.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace lumi {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

class Scanner {
 public:
  explicit Scanner(std::string_view text) : text_(text) {}

  bool at_end() const { return pos_ == text_.size(); }
  bool take(std::string_view any_of) {
    if (at_end() || any_of.find(text_[pos_]) == std::string_view::npos) return false;
    ++pos_;
    return true;
  }
  char last() const { return text_[pos_ - 1]; }
  std::string_view digits() {
    const std::size_t start = pos_;
    while (!at_end() && is_digit(text_[pos_])) ++pos_;
    return text_.substr(start, pos_ - start);
  }

 private:
  std::string_view text_;
  std::size_t pos_ = 0;
};

// The decimal exponent of the leading significant digit of int_digits.frac_digits × 10^exponent,
// which tells an overflow from an underflow when from_chars reports the value out of range.
long long leading_power(std::string_view int_digits, std::string_view frac_digits,
                        bool exponent_negative, std::string_view exponent_digits) {
  long long exponent = 0;
  for (char c : exponent_digits) exponent = std::min(exponent * 10 + (c - '0'), 1'000'000'000LL);
  if (exponent_negative) exponent = -exponent;
  const std::size_t first = int_digits.find_first_not_of('0');
  if (first != std::string_view::npos) {
    return exponent + static_cast<long long>(int_digits.size() - first) - 1;
  }
  const std::size_t frac_first = frac_digits.find_first_not_of('0');
  return exponent - static_cast<long long>(frac_first) - 1;
}

}  // namespace

std::string_view refusal_reason(FieldStatus status) {
  return status == FieldStatus::kTooLarge ? "число вне диапазона одинарной точности" : "не число";
}

FieldValue read_numeric_field(std::string_view field) {
  std::string text;
  for (char c : field) {
    if (c != ' ') text += c;
  }

  // Shape: [sign] digits [. digits] [(E|e|D|d) [sign] digits | sign digits]
  Scanner scan(text);
  const bool negative = scan.take("+-") && scan.last() == '-';
  const std::string_view int_digits = scan.digits();
  const bool point = scan.take(".");
  const std::string_view frac_digits = point ? scan.digits() : std::string_view{};
  if (int_digits.empty() && frac_digits.empty()) {
    if (!scan.at_end()) return {FieldStatus::kNotANumber, 0.0f};
    return {FieldStatus::kNumber, negative && point ? -0.0f : 0.0f};
  }
  const bool letter = scan.take("EeDd");
  const bool exponent_sign = scan.take("+-");
  const bool exponent_negative = exponent_sign && scan.last() == '-';
  std::string_view exponent_digits;
  if (letter || exponent_sign) {
    exponent_digits = scan.digits();
    if (exponent_digits.empty()) return {FieldStatus::kNotANumber, 0.0f};
  }
  if (!scan.at_end()) return {FieldStatus::kNotANumber, 0.0f};

  const bool zero = int_digits.find_first_not_of('0') == std::string_view::npos &&
                    frac_digits.find_first_not_of('0') == std::string_view::npos;
  if (zero) return {FieldStatus::kNumber, negative ? -0.0f : 0.0f};

  // Convert the canonical form.
  std::string canonical = negative ? "-" : "";
  canonical.append(int_digits.empty() ? "0" : int_digits);
  canonical += '.';
  canonical.append(frac_digits);
  canonical += exponent_negative ? "e-" : "e";
  canonical.append(exponent_digits.empty() ? "0" : exponent_digits);
  float value = 0.0f;
  const auto result = std::from_chars(canonical.data(), canonical.data() + canonical.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    if (leading_power(int_digits, frac_digits, exponent_negative, exponent_digits) >= 0) {
      return {FieldStatus::kTooLarge, 0.0f};
    }
    return {FieldStatus::kNumber, negative ? -0.0f : 0.0f};
  }
  if (result.ec != std::errc() || result.ptr != canonical.data() + canonical.size()) {
    return {FieldStatus::kNotANumber, 0.0f};
  }
  return {FieldStatus::kNumber, value};
}

}  // namespace lumi
