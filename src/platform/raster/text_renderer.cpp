// Glyph rendering, caching and placement for graphic text and text-mode cells.
#include "platform/raster/text_renderer.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <climits>
#include <cmath>
#include <unordered_map>

#include "platform/raster/face_scale.h"
#include "platform/raster/font_resolver.h"
#include "platform/raster/font_spec.h"

namespace lumi {

namespace {

constexpr std::string_view kCellFace = "DejaVu Sans Mono";
constexpr std::string_view kCellFallbackFace = "monospace";
// The face the element windows label their axes with; without it they would show no text.
constexpr std::string_view kCaptionFace = "Times New Roman";
constexpr char32_t kReplacement = 0xFFFD;
constexpr std::size_t kReservedCharacters = 256;

// Decodes UTF-8; a byte that does not start a well-formed sequence becomes U+FFFD.
void decode_utf8(std::string_view text, std::vector<char32_t>& codes) {
  codes.clear();
  for (std::size_t i = 0; i < text.size();) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(i);
    const int length = lead < 0x80 ? 1 : lead >= 0xC2 && lead < 0xE0 ? 2
                                       : lead >= 0xE0 && lead < 0xF0 ? 3
                                       : lead >= 0xF0 && lead < 0xF5 ? 4
                                                                     : 0;
    char32_t code = length == 1 ? lead : lead & (0x7Fu >> length);
    bool ok = length > 0 && i + length <= text.size();
    for (int k = 1; ok && k < length; ++k) {
      ok = (byte(i + k) & 0xC0) == 0x80;
      code = code << 6 | (byte(i + k) & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF
    constexpr char32_t kShortest[] = {0, 0, 0x80, 0x800, 0x10000};
    ok = ok && code >= kShortest[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
    codes.push_back(ok ? code : kReplacement);
    i += ok ? length : 1;
  }
}

// Cosine and sine of an angle in tenths of a degree, exact at the right angles.
void turn(int tenths, double& cosine, double& sine) {
  switch (tenths) {
    case 0: cosine = 1, sine = 0; return;
    case 900: cosine = 0, sine = 1; return;
    case 1800: cosine = -1, sine = 0; return;
    case 2700: cosine = 0, sine = -1; return;
    default: {
      const double radians = tenths * (3.14159265358979323846 / 1800.0);
      cosine = std::cos(radians);
      sine = std::sin(radians);
    }
  }
}

int normalize_rotation(int tenths) {
  const int r = tenths % 3600;
  return r < 0 ? r + 3600 : r;
}

std::int64_t round_26_6(std::int64_t v) { return (v + 32) >> 6; }

}  // namespace

struct TextRenderer::Library {
  FT_Library ft = nullptr;
  Library() {
    if (FT_Init_FreeType(&ft) != 0) ft = nullptr;
  }
  ~Library() {
    if (ft) FT_Done_FreeType(ft);
  }
};

struct TextRenderer::Glyph {
  int left = 0, top = 0;  // bitmap corner from the pen position, pixels, y up
  int width = 0, height = 0;
  std::int64_t advance_x = 0, advance_y = 0;  // 26.6 pixels, turned with the text, y up
  std::vector<std::uint8_t> bits;              // one byte per pixel, 1 = ink
};

struct TextRenderer::Font {
  FT_Face face = nullptr;
  Metrics metrics;
  int rotation = 0;  // the transform now set on the face
  std::unordered_map<std::uint64_t, Glyph> glyphs;  // by code point and rotation

  ~Font() {
    if (face) FT_Done_Face(face);
  }
};

TextRenderer::TextRenderer() : library_(std::make_unique<Library>()) {
  fonts_.resize(1);
  // Room for any caption the program draws, so that drawing one does not allocate
  masks_.reserve(kReservedCharacters);
  codes_.reserve(kReservedCharacters);
}

TextRenderer::~TextRenderer() = default;

TextRenderer::Font* TextRenderer::load_font(const std::string& family, int height, int width,
                                            bool bold, bool italic, bool monospace) {
  if (!library_->ft) return nullptr;
  const std::optional<FaceFile> file = resolve_face({family, bold, italic, monospace});
  if (!file) return nullptr;
  auto font = std::make_unique<Font>();
  if (FT_New_Face(library_->ft, file->path.c_str(), file->index, &font->face) != 0) {
    font->face = nullptr;
    return nullptr;
  }
  const FaceScale scale = scale_for_cell(font->face, height, width);
  if (FT_Set_Char_Size(font->face, FT_F26Dot6(std::lround(scale.em_x * 64)),
                       FT_F26Dot6(std::lround(scale.em_y * 64)), 72, 72) != 0) {
    return nullptr;
  }
  font->metrics = {height, scale.ascent, file->family, scale.em_x, scale.em_y};
  prerender(*font);
  fonts_.push_back(std::move(font));
  return fonts_.back().get();
}

// The program's own texts drawn while tracing (the focal plane's caption) then find their glyphs
// cached, and drawing them allocates nothing.
void TextRenderer::prerender(Font& font) {
  for (char32_t code = 0x20; code < 0x7F; ++code) glyph(font, code, 0);
  for (char32_t code = 0x410; code <= 0x44F; ++code) glyph(font, code, 0);
  glyph(font, 0x401, 0);  // Ё
  glyph(font, 0x451, 0);  // ё
}

TextRenderer::Font* TextRenderer::cell_font() {
  if (!fonts_[kCellFont] && !cell_font_tried_) {
    cell_font_tried_ = true;
    for (std::string_view face : {kCellFace, kCellFallbackFace}) {
      if (load_font(std::string(face), kCellHeight, kCellWidth, false, false, true)) {
        fonts_[kCellFont] = std::move(fonts_.back());
        fonts_.pop_back();
        break;
      }
    }
  }
  return fonts_[kCellFont].get();
}

int TextRenderer::initialize() {
  if (initialized_) return *initialized_;
  if (!library_->ft) {
    error_ = "FreeType cannot be started";
  } else if (!cell_font()) {
    error_ = "no monospace font for text output (" + std::string(kCellFace) +
             " or fontconfig's monospace face); install fonts-dejavu-core";
  } else if (!resolve_face({kCaptionFace})) {
    error_ = "font \"" + std::string(kCaptionFace) +
             "\" or a metric equivalent is not installed (fonts-liberation provides one); "
             "window captions cannot be drawn";
  }
  initialized_ = error_.empty() ? count_system_faces() : 0;
  if (*initialized_ == 0 && error_.empty()) error_ = "fontconfig lists no fonts";
  return *initialized_;
}

int TextRenderer::font_index(std::string_view spec) {
  if (const auto known = index_by_spec_.find(spec); known != index_by_spec_.end()) {
    return known->second;
  }
  int index = -1;
  if (const std::optional<FontSpec> parsed = parse_font_spec(spec)) {
    if (load_font(parsed->face, parsed->height, parsed->width, parsed->bold, parsed->italic,
                  false)) {
      index = int(fonts_.size()) - 1;
    }
  }
  index_by_spec_.emplace(std::string(spec), index);
  return index;
}

std::optional<TextRenderer::Metrics> TextRenderer::metrics(int font) const {
  if (font < 0 || font >= int(fonts_.size()) || !fonts_[font]) return std::nullopt;
  return fonts_[font]->metrics;
}

// One quarter turn counter-clockwise: (x, y) -> (-y, x) with y up, bitmap and advance alike.
void TextRenderer::turn_quarter(Glyph& glyph) {
  std::vector<std::uint8_t> bits(glyph.bits.size());
  for (int r = 0; r < glyph.height; ++r) {
    for (int c = 0; c < glyph.width; ++c) {
      bits[std::size_t(glyph.width - 1 - c) * glyph.height + r] =
          glyph.bits[std::size_t(r) * glyph.width + c];
    }
  }
  glyph = {-glyph.top,          glyph.left + glyph.width, glyph.height, glyph.width,
           -glyph.advance_y,    glyph.advance_x,          std::move(bits)};
}

const TextRenderer::Glyph& TextRenderer::glyph(Font& font, char32_t code, int rotation) {
  const std::uint64_t key = std::uint64_t(code) << 12 | std::uint64_t(rotation);
  if (const auto cached = font.glyphs.find(key); cached != font.glyphs.end()) return cached->second;

  // Right angles turn the upright bitmap, so that vertical text is hinted as well as horizontal
  // text (the hinter works before FreeType's own transform).
  if (rotation % 900 == 0 && rotation != 0) {
    Glyph turned = glyph(font, code, rotation - 900);
    turn_quarter(turned);
    return font.glyphs.emplace(key, std::move(turned)).first->second;
  }
  Glyph& out = font.glyphs[key];
  FT_Face face = font.face;
  if (font.rotation != rotation) {
    double cosine = 1, sine = 0;
    turn(rotation, cosine, sine);
    FT_Matrix matrix{FT_Fixed(std::lround(cosine * 65536)), FT_Fixed(std::lround(-sine * 65536)),
                     FT_Fixed(std::lround(sine * 65536)), FT_Fixed(std::lround(cosine * 65536))};
    FT_Set_Transform(face, &matrix, nullptr);
    font.rotation = rotation;
  }
  const FT_UInt index = FT_Get_Char_Index(face, FT_ULong(code));
  if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0) return out;
  const FT_GlyphSlot slot = face->glyph;
  const FT_Bitmap& bitmap = slot->bitmap;
  out.advance_x = slot->advance.x;
  out.advance_y = slot->advance.y;
  if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO) return out;
  out.left = slot->bitmap_left;
  out.top = slot->bitmap_top;
  out.width = int(bitmap.width);
  out.height = int(bitmap.rows);
  out.bits.resize(std::size_t(out.width) * out.height);
  for (int y = 0; y < out.height; ++y) {
    const unsigned char* row = bitmap.buffer + std::ptrdiff_t(y) * bitmap.pitch;
    for (int x = 0; x < out.width; ++x) {
      out.bits[std::size_t(y) * out.width + x] = row[x >> 3] >> (7 - (x & 7)) & 1;
    }
  }
  return out;
}

void TextRenderer::start_masks(const Canvas& canvas) {
  masks_.clear();
  canvas_width_ = canvas.width();
  canvas_height_ = canvas.height();
}

// Queues a glyph whose bitmap corner is at (left, top) on the canvas, unless it misses the canvas
// (which also keeps far-away positions from overflowing the canvas's int coordinates).
void TextRenderer::place_masks(std::int64_t left, std::int64_t top, const Glyph& glyph) {
  if (glyph.bits.empty() || left >= canvas_width_ || top >= canvas_height_ ||
      left + glyph.width <= 0 || top + glyph.height <= 0) {
    return;
  }
  masks_.push_back({int(left), int(top), glyph.width, glyph.height, glyph.bits.data()});
}

TextRenderer::Font* TextRenderer::drawing_font(int index) {
  return index == kCellFont || index < 0 || index >= int(fonts_.size()) ? cell_font()
                                                                        : fonts_[index].get();
}

std::optional<TextRenderer::Metrics> TextRenderer::drawn_metrics(int index) {
  const Font* font = drawing_font(index);
  if (!font) return std::nullopt;
  return font->metrics;
}

double TextRenderer::advance(int index, std::string_view utf8) {
  Font* font = drawing_font(index);
  if (!font) return 0.0;
  decode_utf8(utf8, codes_);
  std::int64_t pen_x = 0;  // 26.6
  for (char32_t code : codes_) {
    if (code >= 0x20) pen_x += glyph(*font, code, 0).advance_x;
  }
  return static_cast<double>(pen_x) / 64.0;
}

void TextRenderer::draw_text(Canvas& canvas, std::string_view utf8) {
  Font* font = drawing_font(canvas.font());
  if (!font) return;
  const int rotation = normalize_rotation(canvas.text_rotation());
  double cosine = 1, sine = 0;
  turn(rotation, cosine, sine);

  // Baseline origin: `ascent` below the anchor in the text's own frame
  const std::int64_t origin_x = std::llround(canvas.x() + font->metrics.ascent * sine);
  const std::int64_t origin_y = std::llround(canvas.y() + font->metrics.ascent * cosine);
  decode_utf8(utf8, codes_);
  start_masks(canvas);
  std::int64_t pen_x = 0, pen_y = 0;  // 26.6, y up
  for (char32_t code : codes_) {
    if (code < 0x20) continue;
    const Glyph& g = glyph(*font, code, rotation);
    place_masks(origin_x + round_26_6(pen_x) + g.left,
                origin_y - round_26_6(pen_y) - g.top, g);
    pen_x += g.advance_x;
    pen_y += g.advance_y;
  }
  canvas.draw_ink(masks_, canvas.text_color(), nullptr);
}

void TextRenderer::write_text(Canvas& canvas, std::string_view utf8) {
  Font* font = cell_font();
  decode_utf8(utf8, codes_);
  const std::int64_t count = std::int64_t(codes_.size());
  const std::int64_t cell_left = (std::int64_t(canvas.text_column()) - 1) * kCellWidth;
  const std::int64_t cell_top = (std::int64_t(canvas.text_row()) - 1) * kCellHeight;
  start_masks(canvas);
  for (std::int64_t i = 0; font && i < count; ++i) {
    if (codes_[i] < 0x20) continue;
    const Glyph& g = glyph(*font, codes_[i], 0);
    place_masks(cell_left + i * kCellWidth + g.left,
                cell_top + font->metrics.ascent - g.top, g);
  }
  // The cells' box, kept within int range; the canvas clips it
  const auto bound = [](std::int64_t v) {
    return int(std::clamp<std::int64_t>(v, -1, Canvas::kMaxSide + 1));
  };
  const PixelBox cells{bound(cell_left), bound(cell_top),
                       bound(cell_left + count * kCellWidth - 1),
                       bound(cell_top + kCellHeight - 1)};
  canvas.draw_ink(masks_, canvas.line_color(), count > 0 ? &cells : nullptr);
  canvas.set_text_cell(canvas.text_row(), int(std::clamp<std::int64_t>(
                                              canvas.text_column() + count, INT_MIN, INT_MAX)));
}

}  // namespace lumi
