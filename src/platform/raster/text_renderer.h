// Text on canvases: graphic text in faces chosen by spec strings, rotated about its anchor, and
// text-mode output on a fixed grid of character cells. Glyphs come from FreeType, faces from
// fontconfig; faces and rendered glyphs are kept for the whole run, since the same captions are
// drawn again and again. Used from the drawing thread only.
//
// Sizes. A spec "h24w7" asks for a character cell 24 pixels high (the face's ascent + descent)
// whose characters average 7 pixels wide (the frequency-weighted average width of the fonts these
// specs were written for, see face_scale.h). The vertical and horizontal em sizes are derived
// from those two metrics of the face itself, so narrow widths condense the glyphs as they would
// on the system that defined these specs, without turning them into slivers.
//
// Anchor. Graphic text hangs from the current position: it is the top-left corner of the text's
// cell, and the baseline lies `ascent` pixels below it, both turned with the text. A positive
// rotation turns the text counter-clockwise: 900 reads from bottom to top, with the anchor at the
// lower-left end of the text and the glyph tops facing left.
//
// Upright glyphs of ASCII and the Russian alphabet are rendered when a face is loaded, so drawing
// the program's own captions later allocates nothing.
//
// Glyphs are rendered without anti-aliasing (hinted for one-bit output), so text keeps the exact
// colours of the palette and stays sharp on black at small sizes.
//
// Text mode. Cells are 8 pixels wide and 16 high, row 1 column 1 at the top-left corner, in a
// monospace face (DejaVu Sans Mono, else the system's monospace face) sized to fill them.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/raster/canvas.h"

namespace lumi {

class TextRenderer {
 public:
  static constexpr int kCellWidth = 8;
  static constexpr int kCellHeight = 16;
  static constexpr int kCellFont = 0;  // the text-mode face; also graphic text before any set_font

  struct Metrics {
    int height = 0;  // cell height, pixels
    int ascent = 0;  // pixels above the baseline
    std::string family;
    double em_x = 0.0, em_y = 0.0;  // the face's horizontal and vertical em size, pixels
  };

  TextRenderer();
  ~TextRenderer();
  TextRenderer(const TextRenderer&) = delete;
  TextRenderer& operator=(const TextRenderer&) = delete;

  // Loads the text-mode face and checks that the caption face of the windows exists. Returns the
  // number of faces the system knows, or 0 with the reason in error(). Later calls repeat the
  // first answer.
  int initialize();
  const std::string& error() const { return error_; }

  // The font index of a spec string, loading the face at the first request; -1 when the spec is
  // malformed or its face cannot be found.
  int font_index(std::string_view spec);
  std::optional<Metrics> metrics(int font) const;
  // The metrics of the face draw_text uses for a canvas font index (the text-mode face for index
  // 0 and unknown ones), and how far the pen moves along the baseline over the text, in pixels.
  std::optional<Metrics> drawn_metrics(int font);
  double advance(int font, std::string_view utf8);

  // Graphic text at the canvas's current position, in its font, rotation and text colour.
  void draw_text(Canvas& canvas, std::string_view utf8);
  // Text-mode output at the canvas's text cell, in its line colour over cells filled with its
  // background colour; the text cell moves past the text.
  void write_text(Canvas& canvas, std::string_view utf8);

 private:
  struct Glyph;
  struct Font;

  Font* load_font(const std::string& family, int height, int width, bool bold, bool italic,
                  bool monospace);
  Font* cell_font();
  Font* drawing_font(int index);
  const Glyph& glyph(Font& font, char32_t code, int rotation);
  void prerender(Font& font);
  static void turn_quarter(Glyph& glyph);
  void start_masks(const Canvas& canvas);
  void place_masks(std::int64_t left, std::int64_t top, const Glyph& glyph);

  struct Library;
  std::unique_ptr<Library> library_;
  std::vector<std::unique_ptr<Font>> fonts_;  // by font index; slot 0 the text-mode face
  std::map<std::string, int, std::less<>> index_by_spec_;  // answers given, -1 included
  bool cell_font_tried_ = false;
  std::optional<int> initialized_;
  std::string error_;
  std::vector<InkMask> masks_;  // reused by every call
  int canvas_width_ = 0, canvas_height_ = 0;
  std::vector<char32_t> codes_;
};

}  // namespace lumi
