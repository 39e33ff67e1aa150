// Element windows, views, mapping, palette, line styles and captions, checked against the calls
// they make on a recording platform.
#include "graphics/graphics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "support/recording_platform.h"

namespace lumi {
namespace {

using Calls = std::vector<std::string>;

// A platform whose window and font operations fail a given number of times before succeeding.
class StubbornPlatform : public test::RecordingPlatform {
 public:
  int config_failures = 0, activate_failures = 0, focus_failures = 0, font_failures = 0;

  bool set_window_config(int window, int width, int height) override {
    RecordingPlatform::set_window_config(window, width, height);
    return config_failures-- <= 0;
  }
  bool set_active_window(int window) override {
    RecordingPlatform::set_active_window(window);
    return activate_failures-- <= 0;
  }
  bool focus_window(int window) override {
    RecordingPlatform::focus_window(window);
    return focus_failures-- <= 0;
  }
  int set_font(std::string_view spec) override {
    RecordingPlatform::set_font(spec);
    return font_failures-- <= 0 ? 0 : -1;
  }
};

// Window 1 of 640 by 480 pixels with view 1 at logical (10, 10), 220 by 160, showing x from -10
// to 10 and y from -5 to 5. Its pixel rectangle is columns 26 to 611, rows 26 to 452.
class GraphicsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g.open_element_window(1, 480, 640, "Окно");
    g.set_view_frame(1, 1, 10.0f, 10.0f, 220.0f, 160.0f);
    g.set_view_world(1, 1, -10.0f, 10.0f, -5.0f, 5.0f);
    p.calls.clear();
    p.segments.clear();
  }

  StubbornPlatform p;
  Graphics g{p};
};

TEST_F(GraphicsTest, OpenElementWindowSizesTheWindowAndLoadsThePalette) {
  StubbornPlatform q;
  q.config_failures = 5;
  Graphics h(q);
  h.open_element_window(7, 480, 640, "Диафрагма ");
  EXPECT_EQ(q.calls_starting(""),
            (Calls{"open_child_window 7 Диафрагма ", "set_window_config 7 640 480",
                   "set_window_config 7 640 480", "set_background_color_rgb 0"}));
  EXPECT_EQ(h.window(7).pixel_width, 640.0f);
  EXPECT_EQ(h.window(7).pixel_height, 480.0f);
  EXPECT_EQ(h.window(7).logical_width, 240.0f);
  EXPECT_EQ(h.window(7).logical_height, 180.0f);
  EXPECT_EQ(h.palette_rgb(8), 127u + 256u * 127u + 65536u * 127u);
  EXPECT_EQ(h.palette_rgb(10), 127u + 256u * 127u);
  EXPECT_EQ(h.palette_rgb(15), 0xFFFFFFu);
}

TEST_F(GraphicsTest, DefinedColoursLastAcrossLaterWindows) {
  g.define_color(5, 2.0f, 0.5f, -1.0f);
  EXPECT_EQ(g.palette(5).r, 1.0f);
  EXPECT_EQ(g.palette(5).g, 0.5f);
  EXPECT_EQ(g.palette(5).b, -1.0f);
  g.define_color(2, 0.25f, 1.0f, std::nanf(""));
  g.open_element_window(2, 480, 640, "Второе");
  EXPECT_EQ(g.palette(5).b, -1.0f);
  EXPECT_EQ(g.palette(2).r, 0.25f);
  EXPECT_EQ(g.palette(2).b, 1.0f);
  // A negative component contributes nothing instead of spilling into the other channels.
  EXPECT_EQ(g.palette_rgb(5), 255u + 256u * 127u);
}

TEST_F(GraphicsTest, SelectColourColoursLinesAndTextAndPointsReadThePaletteAtOnce) {
  g.select_color(3);
  EXPECT_EQ(g.current_color(), 3);
  g.draw_to(1, 1, 0.0f, 0.0f, kLine);
  g.draw_caption(1, 10.0f, 10.0f, 4.0f, 0.0f, "a");
  g.define_color(3, 0.5f, 0.5f, 0.5f);
  g.plot_point(1, 1, 0.0f, 0.0f);
  g.draw_to(1, 1, 5.0f, 0.0f, kLine);
  ASSERT_EQ(p.pixels.size(), 1u);
  EXPECT_EQ(p.pixels[0].color, 127u + 256u * 127u + 65536u * 127u);
  // Lines and text take a redefined entry only at the next select_color
  ASSERT_EQ(p.segments.size(), 2u);
  EXPECT_EQ(p.segments[0].color, 65280u);
  EXPECT_EQ(p.segments[1].color, 65280u);
  ASSERT_EQ(p.texts.size(), 1u);
  EXPECT_EQ(p.texts[0].color, 65280u);
  g.select_color(16);  // not a palette index
  EXPECT_EQ(g.current_color(), 3);
}

TEST_F(GraphicsTest, ViewFrameTruncatesEachEdgeAndDrawsFourSegments) {
  Graphics h(p);
  h.open_element_window(4, 480, 640, "");
  p.calls.clear();
  h.set_view_frame(4, 1, 10.0f, 10.0f, 220.0f, 160.0f);
  const ViewRecord& v = h.view(4, 1);
  EXPECT_EQ(v.pixel_left, 26.0f);
  EXPECT_EQ(v.pixel_bottom, 452.0f);
  EXPECT_EQ(v.pixel_width, 585.0f);
  EXPECT_EQ(v.pixel_height, 426.0f);
  EXPECT_EQ(v.logical_right, 230.0f);
  EXPECT_EQ(v.logical_top, 170.0f);
  EXPECT_EQ(p.calls_starting(""),
            (Calls{"set_active_window 4", "move_to 26 452", "line_to 26 26", "move_to 26 26",
                   "line_to 611 26", "move_to 611 26", "line_to 611 452", "move_to 611 452",
                   "line_to 26 452"}));
}

TEST_F(GraphicsTest, WorldPointsMapIntoTheViewAndClampOntoItsEdges) {
  const PixelPoint centre = g.world_to_pixel(1, 1, 0.0f, 0.0f);
  EXPECT_EQ(centre.x, 319);
  EXPECT_EQ(centre.y, 239);
  const PixelPoint corner = g.world_to_pixel(1, 1, -10.0f, 5.0f);
  EXPECT_EQ(corner.x, 26);
  EXPECT_EQ(corner.y, 26);
  const PixelPoint below_right = g.world_to_pixel(1, 1, 100.0f, -100.0f);
  EXPECT_EQ(below_right.x, 611);
  EXPECT_EQ(below_right.y, 452);
  const PixelPoint huge = g.world_to_pixel(1, 1, -3e38f, 3e38f);
  EXPECT_EQ(huge.x, 26);
  EXPECT_EQ(huge.y, 26);
}

TEST_F(GraphicsTest, PixelsMapBackAndClampToTheWorldRectangle) {
  float x = 0.0f, y = 0.0f;
  g.pixel_to_world(1, 1, 26, 452, x, y);
  EXPECT_EQ(x, -10.0f);
  EXPECT_EQ(y, -5.0f);
  g.pixel_to_world(1, 1, 0, 0, x, y);
  EXPECT_EQ(x, -10.0f);
  EXPECT_EQ(y, 5.0f);
  g.pixel_to_world(1, 1, 639, 479, x, y);
  EXPECT_EQ(x, 10.0f);
  EXPECT_EQ(y, -5.0f);
  g.pixel_to_world(1, 1, 319, 239, x, y);
  EXPECT_NEAR(x, 20.0f * 293.0f / 585.0f - 10.0f, 1e-5f);
  EXPECT_NEAR(y, -5.0f + 10.0f * 213.0f / 426.0f, 1e-5f);
}

TEST_F(GraphicsTest, EmptyWorldRangesAndNanCoordinatesStayOnTheView) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const PixelPoint p1 = g.world_to_pixel(1, 1, nan, nan);
  EXPECT_EQ(p1.x, 26);
  EXPECT_EQ(p1.y, 26);
  g.draw_to(1, 1, nan, nan, kLine);
  g.plot_point(1, 1, nan, -nan);
  ASSERT_EQ(p.segments.size(), 1u);
  EXPECT_EQ(p.segments[0].x1, 26);
  EXPECT_EQ(p.segments[0].y1, 26);
  ASSERT_EQ(p.pixels.size(), 1u);
  EXPECT_EQ(p.pixels[0].x, 26);
  EXPECT_EQ(p.pixels[0].y, 26);

  g.set_view_world(1, 1, 3.0f, 3.0f, 2.0f, 2.0f);
  const PixelPoint on = g.world_to_pixel(1, 1, 3.0f, 2.0f);
  EXPECT_EQ(on.x, 26);
  EXPECT_EQ(on.y, 26);
  const PixelPoint beyond = g.world_to_pixel(1, 1, 4.0f, 1.0f);
  EXPECT_EQ(beyond.x, 611);
  EXPECT_EQ(beyond.y, 452);
  float x = 0.0f, y = 0.0f;
  g.pixel_to_world(1, 1, 100, 100, x, y);
  EXPECT_EQ(x, 3.0f);
  EXPECT_EQ(y, 2.0f);

  // A view that was never framed has no pixels at all.
  g.set_view_world(1, 2, 2.0f, 3.0f, 4.0f, 5.0f);
  g.pixel_to_world(1, 2, 0, 0, x, y);
  EXPECT_EQ(x, 2.0f);
  EXPECT_EQ(y, 4.0f);
}

// The pixel segments drawn in window 1, as "x0 y0 x1 y1".
std::vector<std::string> lines_of(const test::RecordingPlatform& p) {
  std::vector<std::string> out;
  for (const test::RecordedSegment& s : p.segments) {
    out.push_back(std::to_string(s.x0) + " " + std::to_string(s.y0) + " " + std::to_string(s.x1) +
                  " " + std::to_string(s.y1));
  }
  return out;
}

TEST_F(GraphicsTest, DrawToLinesOnlyWithPenOneAndAlwaysMoves) {
  g.draw_to(1, 1, 0.0f, 0.0f, kLine);  // from where the frame ended
  g.draw_to(1, 1, 10.0f, 5.0f, 2);     // any other pen only moves
  g.draw_to(1, 1, 10.0f, -5.0f, kLine);
  g.draw_to_pixel(1, 5, 6, kMove);
  g.draw_to_pixel(1, 7, 8, kLine);
  g.draw_to(1, 1, 0.0f, 0.0f, kLine);  // a line's end is the current position
  g.draw_horizontal(1, 1, -10.0f, 10.0f, -5.0f);
  g.draw_vertical(1, 1, 10.0f, -5.0f, 5.0f);
  EXPECT_EQ(lines_of(p), (Calls{"26 452 319 239", "611 26 611 452", "5 6 7 8", "7 8 319 239",
                                "26 452 611 452", "611 452 611 26"}));
}

TEST_F(GraphicsTest, LineStylesResetToSolidFirst) {
  g.set_line_style(3);
  g.set_line_style(7);
  g.set_line_style(4);
  g.set_line_style(2);
  g.set_line_style(1);
  EXPECT_EQ(p.calls_starting(""),
            (Calls{"set_line_mask 65535", "set_line_mask 61680", "set_line_mask 65535",
                   "set_line_mask 65535", "set_line_mask 52428", "set_line_mask 65535",
                   "set_line_mask 65280", "set_line_mask 65535", "set_line_mask 65535"}));
}

TEST(CaptionFont, SizeTableExcludesLowerBounds) {
  EXPECT_EQ(caption_font_spec(4.0f), "t'Times New Roman Cyr'h12w4");
  EXPECT_EQ(caption_font_spec(10.0f / 3.0f), "t'Times New Roman Cyr'h12w4");
  EXPECT_EQ(caption_font_spec(2.0f), "t'Times New Roman Cyr'h4w3");
  EXPECT_EQ(caption_font_spec(0.0f), "t'Times New Roman Cyr'h4w3");
  EXPECT_EQ(caption_font_spec(7.0f), "t'Times New Roman Cyr'h24w7");
  EXPECT_EQ(caption_font_spec(8.0f), "t'Times New Roman Cyr'h24w7");
  EXPECT_EQ(caption_font_spec(10.0f), "t'Times New Roman Cyr'h28w8");
  EXPECT_EQ(caption_font_spec(10.5f), "t'Times New Roman Cyr'h36w10");
  EXPECT_EQ(caption_font_spec(20.0f), "t'Times New Roman Cyr'h52w18");
  EXPECT_EQ(caption_font_spec(100.0f / 3.0f), "t'Times New Roman Cyr'h96w30");
  EXPECT_EQ(caption_font_spec(34.0f), "t'Times New Roman Cyr'h120w40");
}

TEST_F(GraphicsTest, CaptionIsPlacedRotatedAndDrawnInTheCurrentColour) {
  g.select_color(4);
  p.calls.clear();
  g.draw_caption(1, 10.0f, 10.0f, 4.0f, 90.0f, "*E -3");
  EXPECT_EQ(p.calls_starting("set_font"), (Calls{"set_font t'Times New Roman Cyr'h12w4"}));
  EXPECT_EQ(p.calls_starting("set_text_rotation"),
            (Calls{"set_text_rotation 900", "set_text_rotation 0"}));
  ASSERT_EQ(p.texts.size(), 1u);
  EXPECT_EQ(p.texts[0].x, 26);
  EXPECT_EQ(p.texts[0].y, 453);
  EXPECT_EQ(p.texts[0].font, "t'Times New Roman Cyr'h12w4");
  EXPECT_EQ(p.texts[0].rotation, 900);
  EXPECT_EQ(p.texts[0].color, 16776960u);

  // A redefined palette entry reaches text at the caption's own selection of the colour.
  g.define_color(4, 1.0f, 0.0f, 0.0f);
  g.draw_caption(1, 10.0f, 10.0f, 4.0f, 0.0f, "x");
  ASSERT_EQ(p.texts.size(), 2u);
  EXPECT_EQ(p.texts[1].color, 255u);
}

TEST_F(GraphicsTest, RefusedFontIsRetriedUprightAndThenGivenUp) {
  p.font_failures = 1;
  g.draw_caption(1, 0.0f, 0.0f, 7.0f, 45.5f, "a");
  EXPECT_EQ(p.calls_starting("set_"),
            (Calls{"set_font t'Times New Roman Cyr'h24w7", "set_text_rotation 900",
                   "set_font t'Times New Roman Cyr'h24w7", "set_text_rotation 455",
                   "set_text_color_rgb 0", "set_text_rotation 0"}));
  EXPECT_EQ(p.texts.back().rotation, 455);
  EXPECT_TRUE(p.warnings.empty());

  p.font_failures = 1000;
  g.draw_caption(1, 0.0f, 0.0f, 7.0f, 0.0f, "b");
  EXPECT_LT(p.calls_starting("set_font").size(), 10u);
  EXPECT_EQ(p.warnings.size(), 1u);
  EXPECT_EQ(p.texts.back().text, "b");
}

TEST_F(GraphicsTest, WindowsAndColoursReachThePlatformOnlyWithDrawing) {
  g.select_window(1, 0);
  g.select_color(3);
  g.draw_to_pixel(1, 0, 0, kLine);
  // Passing through window 2 and colour 1 without drawing with them tells the platform nothing
  g.select_window(2, 0);
  g.select_color(5);
  g.select_window(1, 0);
  g.select_color(1);
  g.select_color(3);
  g.draw_to_pixel(1, 1, 1, kLine);
  EXPECT_EQ(p.calls_starting(""), (Calls{"set_color_rgb 65280", "line_to 0 0", "line_to 1 1"}));
  // Each window keeps the colour chosen while it was selected
  g.draw_to_pixel(2, 2, 2, kLine);
  ASSERT_EQ(p.segments.size(), 3u);
  EXPECT_EQ(p.segments[2].window, 2);
  EXPECT_EQ(p.segments[2].color, 16711680u);
  g.draw_to_pixel(2, 3, 3, kLine);
  EXPECT_EQ(p.calls_starting("set_active_window"), (Calls{"set_active_window 2"}));
  // A window brought to the front makes the selected one active first
  g.select_window(1, 3);
  EXPECT_EQ(p.calls.back(), "w1 focus_window 3");
  // Closing or opening a window leaves the platform's active window unknown
  g.close_window(1);
  p.calls.clear();
  g.draw_to_pixel(1, 0, 0, kLine);
  EXPECT_EQ(p.calls_starting("set_active_window"), (Calls{"set_active_window 1"}));
  g.open_element_window(3, 480, 640, "");
  p.calls.clear();
  g.draw_to_pixel(1, 0, 0, kLine);
  EXPECT_EQ(p.calls_starting("set_active_window"), (Calls{"set_active_window 1"}));
}

TEST_F(GraphicsTest, RepeatedLineOrPointIsLeftOutButTheLineStillMoves) {
  g.select_color(1);
  const auto line = [this](int x0, int y0, int x1, int y1) {
    g.draw_to_pixel(1, x0, y0, kMove);
    g.draw_to_pixel(1, x1, y1, kLine);
  };
  line(10, 10, 20, 10);
  line(10, 10, 20, 10);
  g.draw_to_pixel(1, 20, 30, kLine);  // continues from the line left out
  line(20, 10, 20, 30);
  EXPECT_EQ(lines_of(p), (Calls{"10 10 20 10", "20 10 20 30"}));

  // The same line again after anything else was drawn, in another colour or with another mask
  g.plot_point(1, 1, 0.0f, 0.0f);
  line(20, 10, 20, 30);
  g.select_color(3);
  line(20, 10, 20, 30);
  g.set_line_style(2);
  line(20, 10, 20, 30);
  EXPECT_EQ(p.segments.size(), 5u);
  // Drawing in another window changes nothing in this one
  g.draw_to_pixel(2, 20, 30, kLine);
  line(20, 10, 20, 30);
  EXPECT_EQ(p.segments.size(), 6u);

  // Points: the same pixel in the same colour once; another colour sets it again
  g.plot_point(1, 1, 1.0f, 1.0f);
  g.plot_point(1, 1, 1.0f, 1.0f);
  g.define_color(3, 1.0f, 1.0f, 1.0f);
  g.plot_point(1, 1, 1.0f, 1.0f);
  EXPECT_EQ(p.pixels.size(), 3u);
  EXPECT_EQ(p.pixels.back().color, 0xFFFFFFu);
}

// A segment in pixels is a move and a line: the same calls reach the platform, the same lines are
// left out, and later lines continue from where it leaves the pen.
TEST_F(GraphicsTest, PixelSegmentDrawsAsAMoveAndALine) {
  const auto drawing = [](bool as_segment) {
    StubbornPlatform platform;
    Graphics graphics{platform};
    graphics.open_element_window(1, 480, 640, "Окно");
    graphics.open_element_window(2, 480, 640, "Окно");
    graphics.select_window(1, 0);
    const auto segment = [&](int x0, int y0, int x1, int y1) {
      if (as_segment) {
        graphics.draw_pixel_segment(1, {x0, y0}, {x1, y1});
      } else {
        graphics.draw_to_pixel(1, x0, y0, kMove);
        graphics.draw_to_pixel(1, x1, y1, kLine);
      }
    };
    graphics.select_color(1);
    segment(10, 10, 20, 10);
    segment(10, 10, 20, 10);
    graphics.draw_to_pixel(1, 20, 30, kLine);
    segment(20, 10, 20, 30);
    segment(20, 10, 20, 30);
    segment(20, 30, 20, 10);  // the same pixels the other way
    graphics.select_color(3);
    segment(20, 30, 20, 10);
    graphics.plot_pixel(2, {5, 5});
    segment(20, 30, 20, 10);
    graphics.set_line_style(2);
    segment(20, 30, 20, 10);
    graphics.draw_to_pixel(1, 40, 40, kLine);
    return platform.calls;
  };
  const Calls moves_and_lines = drawing(false);
  EXPECT_EQ(drawing(true), moves_and_lines);
  EXPECT_GT(moves_and_lines.size(), 10u);
}

// What the program set in a window reaches the platform before the platform's windows change, and
// a colour chosen while no window is known goes straight to whichever the platform has.
TEST_F(GraphicsTest, OpeningAWindowPassesOnWhatWaitsAndLaterColoursGoStraightOn) {
  g.select_color(3);
  g.draw_to_pixel(1, 40, 40, kMove);
  g.open_element_window(2, 480, 640, "");
  EXPECT_EQ(p.calls_starting(""),
            (Calls{"set_color_rgb 65280", "set_text_color_rgb 65280", "move_to 40 40",
                   "open_child_window 2 ", "set_window_config 2 640 480",
                   "set_background_color_rgb 0"}));
  // The platform still has window 1 active: grey goes there, and stays
  g.select_color(8);
  g.select_window(1, 0);
  g.draw_to_pixel(1, 50, 50, kLine);
  ASSERT_EQ(p.segments.size(), 1u);
  EXPECT_EQ(p.segments[0].color, 8355711u);
  EXPECT_EQ(p.segments[0].x0, 40);
}

TEST_F(GraphicsTest, WindowSelectionRetriesABoundedNumberOfTimes) {
  p.activate_failures = 1;
  g.select_window(5, 0);
  g.draw_to_pixel(5, 1, 2, kLine);
  EXPECT_EQ(p.calls_starting(""),
            (Calls{"set_active_window 5", "set_active_window 5", "line_to 1 2"}));
  EXPECT_TRUE(p.warnings.empty());

  p.calls.clear();
  p.activate_failures = 1000;
  p.focus_failures = 1000;
  g.select_window(6, 6);
  const std::size_t tries = p.calls_starting("set_active_window").size();
  EXPECT_GT(tries, 1u);
  EXPECT_LT(tries, 10u);
  EXPECT_EQ(p.calls_starting("focus_window").size(), tries);
  EXPECT_EQ(p.warnings.size(), 2u);
  // The failed window is not taken for the active one.
  p.activate_failures = 0;
  g.select_window(6, 0);
  g.draw_to_pixel(6, 1, 2, kLine);
  EXPECT_EQ(p.calls_starting("set_active_window").size(), tries + 1);
}

}  // namespace
}  // namespace lumi
