// Text on canvases through the raster display: font specs and faces, caption size and width,
// rotation about the anchor, Cyrillic, and text-mode cells over their background.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "platform/raster/font_spec.h"
#include "platform/raster/raster_display.h"
#include "platform/test_display.h"

namespace lumi {
namespace {

using test::TestDisplay;

constexpr std::string_view kCaption24 = "t'Times New Roman Cyr'h24w7";
constexpr Rgb kGreen = 0x00FF00;
constexpr Rgb kBlue = 0xFF0000;
constexpr Rgb kWhite = 0xFFFFFF;

struct InkBox {
  int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
  int pixels = 0;
  int width() const { return right - left + 1; }
  int height() const { return bottom - top + 1; }
};

// Where a colour lies on a canvas.
InkBox ink(const Canvas& canvas, Rgb rgb) {
  InkBox box;
  const Image image = canvas.snapshot();
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.rgb(x, y) != rgb) continue;
      ++box.pixels;
      box.left = std::min(box.left, x);
      box.right = std::max(box.right, x);
      box.top = std::min(box.top, y);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_GT(display_.initialize_fonts(), 0)
        << (display_.errors.empty() ? "" : display_.errors[0]);
    display_.open(1, 800, 600);
    display_.set_text_color_rgb(kGreen);
    display_.set_color_rgb(kBlue);
  }
  const Canvas& canvas() { return *display_.canvas(1); }
  // Draws text with a font spec and rotation at (x, y) on a cleared window.
  InkBox caption(std::string_view spec, std::string_view text, int x, int y, int rotation = 0) {
    display_.set_window_config(1, 800, 600);
    EXPECT_GE(display_.set_font(spec), 0) << spec;
    display_.set_text_rotation(rotation);
    display_.move_to(x, y);
    display_.draw_text(text);
    return ink(canvas(), kGreen);
  }

  TestDisplay display_;
};

TEST(FontSpecTest, ReadsFaceHeightWidthAndStyle) {
  EXPECT_EQ(parse_font_spec("t'Times New Roman Cyr'h24w7"),
            (FontSpec{"Times New Roman Cyr", 24, 7, false, false}));
  EXPECT_EQ(parse_font_spec("h120w40et'Arial'i"), (FontSpec{"Arial", 120, 40, true, true}));
  EXPECT_EQ(parse_font_spec("t''h9"), (FontSpec{"", 9, 0, false, false}));
  for (std::string_view bad : {"t'Times New Roman", "tTimes", "t'Arial'h", "t'Arial'hw7",
                               "t'Arial'h0", "t'Arial'h1001", "t'Arial'h99999999999999"}) {
    EXPECT_FALSE(parse_font_spec(bad)) << bad;
  }
}

TEST_F(TextTest, FontsAreFoundOnceAndUnknownFacesRefused) {
  EXPECT_TRUE(display_.errors.empty());
  EXPECT_EQ(display_.initialize_fonts(), display_.initialize_fonts());
  const int font = display_.set_font(kCaption24);
  EXPECT_GE(font, 0);
  EXPECT_EQ(display_.set_font(kCaption24), font);
  EXPECT_NE(display_.set_font("t'Times New Roman Cyr'h36w10"), font);
  const int plain = display_.set_font("t'Times New Roman'h24w7");
  EXPECT_GE(plain, 0);
  EXPECT_EQ(display_.set_font("t'No Such Face Anywhere'h24w7"), -1);
  EXPECT_EQ(display_.set_font("t'No Such Face Anywhere Cyr'h24w7"), -1);
  EXPECT_EQ(display_.set_font("t'Times New Roman Cyr"), -1);
  // A refused spec leaves the window's font as it was.
  EXPECT_EQ(canvas().font(), plain);
}

TEST_F(TextTest, CaptionFillsItsCellAtTheAnchor) {
  const InkBox box = caption(kCaption24, "Hgjy Ось", 100, 50);
  ASSERT_GT(box.pixels, 50);
  EXPECT_GE(box.top, 50);             // the anchor is the top of the cell
  EXPECT_LE(box.bottom, 50 + 24);     // and the descenders end within it
  EXPECT_GE(box.height(), 18);        // capitals and descenders fill most of it
  EXPECT_GE(box.left, 99);
  EXPECT_LE(box.left, 103);
  EXPECT_EQ(ink(canvas(), kBlue).pixels, 0);  // graphic text takes the text colour
}

TEST_F(TextTest, WidthIsTheAverageCharacterWidth) {
  // Ordinary lower-case text with spaces averages w pixels a character; doubling w doubles it.
  const std::string text = "the quick brown fox jumps over the lazy dog and then rests a while";
  const double n = double(text.size());
  const InkBox narrow = caption(kCaption24, text, 0, 100);
  EXPECT_NEAR(narrow.width() / n, 7.0, 1.0);
  const InkBox wide = caption("t'Times New Roman Cyr'h24w14", text, 0, 100);
  EXPECT_NEAR(double(wide.width()) / narrow.width(), 2.0, 0.3);  // hinting rounds advances
  EXPECT_NEAR(wide.height(), narrow.height(), 1);
  const InkBox tall = caption("t'Times New Roman Cyr'h36w10", "H", 0, 100);
  const InkBox small = caption("t'Times New Roman Cyr'h12w4", "H", 0, 100);
  EXPECT_NEAR(double(tall.height()) / small.height(), 3.0, 0.5);
}

TEST_F(TextTest, RotationTurnsTheTextAboutItsAnchor) {
  const InkBox upright = caption(kCaption24, "Ось Y, мм", 300, 300);
  const Image flat = canvas().snapshot();
  const InkBox turned = caption(kCaption24, "Ось Y, мм", 300, 300, 900);
  EXPECT_GT(turned.height(), 2 * turned.width());
  // Reading upwards from the anchor, glyph tops to the left: the cell lies right of and above it.
  EXPECT_GE(turned.left, 300);
  EXPECT_LE(turned.right, 300 + 24);
  EXPECT_LE(turned.bottom, 300);
  // Exactly the upright text turned a quarter counter-clockwise about the anchor corner.
  const Image up = canvas().snapshot();
  EXPECT_EQ(turned.pixels, upright.pixels);
  for (int y = upright.top; y <= upright.bottom; ++y) {
    for (int x = upright.left; x <= upright.right; ++x) {
      const int tx = 300 + (y - 300), ty = 300 - (x - 300) - 1;
      ASSERT_EQ(flat.rgb(x, y), up.rgb(tx, ty)) << x << "," << y;
    }
  }
  // Angles count modulo a full turn.
  const InkBox again = caption(kCaption24, "Ось Y, мм", 300, 300, 900 + 3600);
  EXPECT_EQ(again.left, turned.left);
  EXPECT_EQ(again.top, turned.top);
  const InkBox slanted = caption(kCaption24, "Ось Y, мм", 300, 300, 450);
  EXPECT_GT(slanted.pixels, 0);
  EXPECT_LT(slanted.bottom, 300 + 24);
  EXPECT_NEAR(slanted.width(), slanted.height(), 0.25 * slanted.width());
}

TEST_F(TextTest, CyrillicHasItsOwnGlyphs) {
  // A code point the face lacks draws its placeholder box; Cyrillic letters must not.
  const Image missing = (caption(kCaption24, "\uE000", 10, 10), canvas().snapshot());
  for (std::string_view letter : {"Ж", "Ф", "ы", "я"}) {
    const InkBox box = caption(kCaption24, letter, 10, 10);
    EXPECT_GT(box.pixels, 10) << letter;
    EXPECT_NE(canvas().snapshot().pixels, missing.pixels) << letter;
  }
  const InkBox word = caption(kCaption24, "Фокальная плоскость", 10, 10);
  EXPECT_GT(word.width(), 19 * 4);
}

TEST_F(TextTest, MalformedUtf8DrawsReplacementCharacters) {
  const Image expected = (caption(kCaption24, "A\uFFFD\uFFFD", 10, 10), canvas().snapshot());
  for (std::string_view bad : {"A\xE2\x82", "A\xC0\xAF", "A\xED\xA0"}) {
    caption(kCaption24, bad, 10, 10);
    EXPECT_EQ(canvas().snapshot().pixels, expected.pixels);
  }
}

TEST_F(TextTest, FarAwayTextDrawsNothingAndDoesNotOverflow) {
  for (int rotation : {0, 900, 450}) {
    EXPECT_EQ(caption(kCaption24, "Ось", INT_MAX, INT_MAX, rotation).pixels, 0);
    EXPECT_EQ(caption(kCaption24, "Ось", INT_MIN, INT_MIN, rotation).pixels, 0);
  }
  display_.set_text_position(INT_MAX, INT_MIN);
  display_.write_text("status");
  EXPECT_EQ(ink(canvas(), kBlue).pixels, 0);
}

TEST_F(TextTest, TextCellsOverwriteTheirBackground) {
  display_.set_color_rgb(kWhite);
  display_.draw_rectangle(kRectFilled, 0, 0, 799, 599);
  display_.set_color_rgb(kGreen);
  display_.set_background_color_rgb(kBlue);
  display_.set_text_position(2, 3);
  display_.write_text("AЖ");
  // Cells of 8 by 16 pixels: row 2, columns 3 and 4.
  const InkBox green = ink(canvas(), kGreen), blue = ink(canvas(), kBlue);
  EXPECT_GT(green.pixels, 10);
  EXPECT_EQ(blue.left, 16);
  EXPECT_EQ(blue.top, 16);
  EXPECT_EQ(blue.right, 31);
  EXPECT_EQ(blue.bottom, 31);
  EXPECT_EQ(green.pixels + blue.pixels, 16 * 16);
  EXPECT_EQ(ink(canvas(), kWhite).pixels, 800 * 600 - 16 * 16);

  // The next text follows on the same row; rewriting in place with blanks clears the cells.
  display_.write_text("B");
  EXPECT_EQ(ink(canvas(), kBlue).right, 39);
  display_.set_text_position(2, 3);
  display_.write_text("   ");
  EXPECT_EQ(ink(canvas(), kGreen).pixels, 0);
  EXPECT_EQ(ink(canvas(), kBlue).pixels, 3 * 8 * 16);
}

TEST_F(TextTest, TextBeforeAnyFontUsesTheCellFace) {
  display_.move_to(10, 10);
  display_.draw_text("Ok");
  const InkBox box = ink(canvas(), kGreen);
  EXPECT_GT(box.pixels, 5);
  EXPECT_GE(box.top, 10);
  EXPECT_LE(box.bottom, 10 + 16);
}

}  // namespace
}  // namespace lumi
