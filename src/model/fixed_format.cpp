// Fortran-style Fw.d and Iw output fields. The digits come from std::to_chars, which rounds the
// exact binary value with ties to even, keeps the sign of a negative zero result and does not
// depend on the locale (a Russian locale would otherwise print a decimal comma).
#include "model/fixed_format.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

namespace lumi {

namespace {

std::string stars(int width) { return std::string(static_cast<std::size_t>(width), '*'); }

std::string right_aligned(std::string_view text, int width) {
  std::string field(static_cast<std::size_t>(width) - text.size(), ' ');
  field += text;
  return field;
}

// The value in plain fixed notation with `decimals` digits after the point; the point is always
// present, as Fortran prints it.
std::string fixed_text(double value, int decimals) {
  // The largest double has 309 integer digits.
  std::vector<char> buffer(static_cast<std::size_t>(decimals) + 320);
  auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                              std::chars_format::fixed, decimals);
  std::string text(buffer.data(), result.ptr);
  if (decimals == 0) text += '.';
  return text;
}

bool has_digit(std::string_view text) {
  return text.find_first_of("0123456789") != std::string_view::npos;
}

}  // namespace

std::string format_f(double value, int width, int decimals) {
  if (width <= 0) return {};
  if (!std::isfinite(value) || decimals < 0) return stars(width);

  std::string text = fixed_text(value, decimals);
  const auto fits = [&] { return text.size() <= static_cast<std::size_t>(width); };

  // Fortran drops the optional leading zero only when the field would otherwise overflow.
  if (!fits() && text.size() == static_cast<std::size_t>(width) + 1) {
    const std::size_t zero = text[0] == '-' ? 1 : 0;
    if (text.compare(zero, 2, "0.") == 0) {
      std::string shorter = text;
      shorter.erase(zero, 1);
      if (has_digit(shorter)) text = shorter;
    }
  }
  return fits() ? right_aligned(text, width) : stars(width);
}

std::string format_i(long long value, int width) {
  if (width <= 0) return {};
  const std::string text = std::to_string(value);
  if (text.size() > static_cast<std::size_t>(width)) return stars(width);
  return right_aligned(text, width);
}

}  // namespace lumi
