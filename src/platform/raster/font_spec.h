// Font spec strings such as "t'Times New Roman Cyr'h24w7": a face name in quotes after t, the
// character cell height after h (ascent + descent, pixels) and the average character width after
// w (pixels; 0 or absent keeps the face's own proportions). e asks for bold, i for italic; other
// option letters are accepted and ignored.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace lumi {

struct FontSpec {
  std::string face;  // empty: the default serif face
  int height = 16;
  int width = 0;
  bool bold = false;
  bool italic = false;

  bool operator==(const FontSpec&) const = default;
};

inline constexpr int kMaxFontPixels = 1000;

// Nothing when the spec is malformed (an unclosed quote, a size out of 1..kMaxFontPixels).
std::optional<FontSpec> parse_font_spec(std::string_view spec);

}  // namespace lumi
