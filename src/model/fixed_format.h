// Fortran-style fixed fields for every number the program writes: Fw.d and Iw. Each field is also
// available written into a caller's buffer, and FixedText builds whole lines that way, for what is
// written while tracing, where nothing may be allocated.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace lumi {

// Fw.d: right-aligned in `width` columns with exactly `decimals` digits after the point (the point
// is printed when decimals is 0). Rounds the exact binary value, ties to even, and keeps the minus
// sign of a negative value that rounds to zero. When the text is one column too wide and starts
// with "0." or "-0.", the leading zero is dropped (if a digit remains); a value that still does not
// fit, or is not finite, fills the whole field with asterisks.
std::string format_f(double value, int width, int decimals);

// Iw: right-aligned in `width` columns; asterisks when it does not fit.
std::string format_i(long long value, int width);

// The same fields written to the start of `out`. Return the number of characters written: the
// width, or 0 when the width is not positive or `out` is shorter.
std::size_t format_f(std::span<char> out, double value, int width, int decimals);
std::size_t format_i(std::span<char> out, long long value, int width);

// A line of UTF-8 text built in place. What does not fit the capacity is cut off whole: a piece
// or field that does not fit is not written.
class FixedText {
 public:
  static constexpr std::size_t kCapacity = 240;

  FixedText() = default;
  explicit FixedText(std::string_view text) { *this << text; }

  FixedText& operator<<(std::string_view text);
  FixedText& f(double value, int width, int decimals);  // an Fw.d field
  FixedText& i(long long value, int width);             // an Iw field
  // Blanks up to `characters` UTF-8 characters; a longer text is cut there.
  FixedText& fix_width(int characters);

  std::string_view view() const { return {text_.data(), size_}; }
  operator std::string_view() const { return view(); }
  friend bool operator==(const FixedText& a, std::string_view b) { return a.view() == b; }

 private:
  std::array<char, kCapacity> text_{};
  std::size_t size_ = 0;
};

}  // namespace lumi
