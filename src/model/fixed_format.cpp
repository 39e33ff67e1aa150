// Fortran-style Fw.d and Iw output fields. The digits come from std::to_chars, which rounds the
// exact binary value with ties to even, keeps the sign of a negative zero result and does not
// depend on the locale (a Russian locale would otherwise print a decimal comma).
#include "model/fixed_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace lumi {

namespace {

std::size_t stars(std::span<char> field) {
  std::fill(field.begin(), field.end(), '*');
  return field.size();
}

std::size_t right_aligned(std::span<char> field, std::string_view text) {
  const std::size_t blanks = field.size() - text.size();
  std::fill_n(field.begin(), blanks, ' ');
  std::copy(text.begin(), text.end(), field.begin() + static_cast<std::ptrdiff_t>(blanks));
  return field.size();
}

bool has_digit(std::string_view text) {
  return text.find_first_of("0123456789") != std::string_view::npos;
}

// The value in plain fixed notation with `decimals` digits after the point (the point always
// present, as Fortran prints it) when it takes at most `room` characters, else nothing.
std::string_view fixed_text(std::span<char> buffer, std::size_t room, double value,
                            int decimals) {
  char* const last = buffer.data() + std::min(room, buffer.size());
  const auto result = std::to_chars(buffer.data(), last, value, std::chars_format::fixed,
                                    decimals);
  if (result.ec != std::errc()) return {};
  std::size_t size = static_cast<std::size_t>(result.ptr - buffer.data());
  if (decimals == 0) {
    if (size == room) return {};
    buffer[size++] = '.';
  }
  return {buffer.data(), size};
}

// Fw.d into a field of exactly its width, with `scratch` room for the text.
std::size_t fixed_field(std::span<char> field, std::span<char> scratch, double value,
                        int decimals) {
  const std::size_t width = field.size();
  if (!std::isfinite(value) || decimals < 0) return stars(field);
  // The shortest text of this many decimals is "." and the decimals; the longest that can still
  // fit has one column more, for the leading zero that may be dropped.
  if (static_cast<std::size_t>(decimals) + 1 > width) return stars(field);
  std::string_view text = fixed_text(scratch, width + 1, value, decimals);
  if (text.empty()) return stars(field);

  // Fortran drops the optional leading zero only when the field would otherwise overflow.
  if (text.size() == width + 1) {
    const std::size_t zero = text[0] == '-' ? 1 : 0;
    if (text.compare(zero, 2, "0.") != 0) return stars(field);
    char* const begin = scratch.data();
    std::copy(begin + zero + 1, begin + text.size(), begin + zero);
    text = {begin, width};
    if (!has_digit(text)) return stars(field);
  }
  return right_aligned(field, text);
}

// Byte length of the first `characters` UTF-8 characters of `text` (all of it when shorter), and
// how many characters that is.
std::pair<std::size_t, int> utf8_prefix(std::string_view text, int characters) {
  std::size_t size = 0;
  int count = 0;
  while (size < text.size() && count < characters) {
    ++size;
    while (size < text.size() && (static_cast<unsigned char>(text[size]) & 0xC0u) == 0x80u) {
      ++size;
    }
    ++count;
  }
  return {size, count};
}

}  // namespace

std::size_t format_f(std::span<char> out, double value, int width, int decimals) {
  if (width <= 0 || out.size() < static_cast<std::size_t>(width)) return 0;
  const std::span<char> field = out.first(static_cast<std::size_t>(width));
  std::array<char, 128> scratch;
  if (field.size() + 1 <= scratch.size()) return fixed_field(field, scratch, value, decimals);
  std::string wide(field.size() + 1, ' ');  // wider than any field the program writes
  return fixed_field(field, wide, value, decimals);
}

std::size_t format_i(std::span<char> out, long long value, int width) {
  if (width <= 0 || out.size() < static_cast<std::size_t>(width)) return 0;
  const std::span<char> field = out.first(static_cast<std::size_t>(width));
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  const std::string_view text(digits, static_cast<std::size_t>(result.ptr - digits));
  if (text.size() > field.size()) return stars(field);
  return right_aligned(field, text);
}

std::string format_f(double value, int width, int decimals) {
  std::string field(static_cast<std::size_t>(std::max(width, 0)), ' ');
  format_f(field, value, width, decimals);
  return field;
}

std::string format_i(long long value, int width) {
  std::string field(static_cast<std::size_t>(std::max(width, 0)), ' ');
  format_i(field, value, width);
  return field;
}

FixedText& FixedText::operator<<(std::string_view text) {
  if (text.size() <= kCapacity - size_) {
    std::copy(text.begin(), text.end(), text_.begin() + static_cast<std::ptrdiff_t>(size_));
    size_ += text.size();
  }
  return *this;
}

FixedText& FixedText::f(double value, int width, int decimals) {
  size_ += format_f(std::span(text_).subspan(size_), value, width, decimals);
  return *this;
}

FixedText& FixedText::i(long long value, int width) {
  size_ += format_i(std::span(text_).subspan(size_), value, width);
  return *this;
}

FixedText& FixedText::fix_width(int characters) {
  const auto [size, count] = utf8_prefix(view(), characters);
  size_ = size;
  for (int c = count; c < characters && size_ < kCapacity; ++c) text_[size_++] = ' ';
  return *this;
}

}  // namespace lumi
