// Parsing of font spec strings.
#include "platform/raster/font_spec.h"

#include <cctype>

namespace lumi {

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The decimal number at `i`, advancing past it; nothing when there is none or it is too large.
std::optional<int> read_number(std::string_view spec, std::size_t& i) {
  if (i >= spec.size() || !is_digit(spec[i])) return std::nullopt;
  long value = 0;
  for (; i < spec.size() && is_digit(spec[i]); ++i) {
    value = value * 10 + (spec[i] - '0');
    if (value > kMaxFontPixels) return std::nullopt;
  }
  return int(value);
}

}  // namespace

std::optional<FontSpec> parse_font_spec(std::string_view spec) {
  FontSpec font;
  std::size_t i = 0;
  while (i < spec.size()) {
    const char option = char(std::tolower(static_cast<unsigned char>(spec[i++])));
    if (option == 't') {
      if (i >= spec.size() || spec[i] != '\'') return std::nullopt;
      const std::size_t close = spec.find('\'', i + 1);
      if (close == std::string_view::npos) return std::nullopt;
      font.face = std::string(spec.substr(i + 1, close - i - 1));
      i = close + 1;
    } else if (option == 'h' || option == 'w') {
      const std::optional<int> value = read_number(spec, i);
      if (!value) return std::nullopt;
      (option == 'h' ? font.height : font.width) = *value;
    } else if (option == 'e') {
      font.bold = true;
    } else if (option == 'i') {
      font.italic = true;
    }
  }
  if (font.height < 1) return std::nullopt;
  return font;
}

}  // namespace lumi
