// Axes of a view: label texts and positions, scale captions, marks, grids and the frame, checked
// against what reaches a recording platform.
#include "graphics/axes.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "support/recording_platform.h"

namespace lumi {
namespace {

using Texts = std::vector<std::string>;

// Window 2 of 640 by 480 pixels with view 1 at logical (10, 10), 220 by 160; its pixel rectangle
// is columns 26 to 611, rows 26 to 452.
class AxesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g.open_element_window(2, 480, 640, "Элемент");
    g.set_view_frame(2, 1, 10.0f, 10.0f, 220.0f, 160.0f);
    p.calls.clear();
    p.segments.clear();
  }

  void axes(float x_min, float x_max, float y_min, float y_max, float x_step, float y_step) {
    g.set_view_world(2, 1, x_min, x_max, y_min, y_max);
    draw_axes(g, 2, 1, x_step, 0.0f, 0, y_step, 0.0f, 0);
  }

  Texts drawn() const {
    Texts out;
    for (const auto& t : p.texts) out.push_back(t.text);
    return out;
  }

  test::RecordingPlatform p;
  Graphics g{p};
};

TEST(AxisText, NumbersFollowTheMagnitudeAndScale) {
  EXPECT_EQ(axis_number_text(-2.5f, 2.5f, 0), " -2.50");
  EXPECT_EQ(axis_number_text(1.25f, 2.5f, 0), "  1.25");
  EXPECT_EQ(axis_number_text(0.0f, 2.5f, 0), "    0.");
  EXPECT_EQ(axis_number_text(5.0f, 2.5f, 0), "    5.");
  EXPECT_EQ(axis_number_text(12.5f, 50.0f, 0), "  12.5");
  EXPECT_EQ(axis_number_text(12.7f, 500.0f, 0), "   13.");
  EXPECT_EQ(axis_number_text(-0.05f, 0.05f, 3), "-50.00");
  EXPECT_EQ(axis_number_text(0.0f, 0.05f, 3), "  0.00");
  EXPECT_EQ(axis_number_text(1250.0f, 5000.0f, -2), " 12.50");
  EXPECT_EQ(axis_number_text(1234567.5f, 500.0f, 0), "******");
  // Far beyond the range of int: the whole-number test must still hold.
  EXPECT_EQ(axis_number_text(3e38f, 3e38f, -37), " 30.00");
  EXPECT_EQ(axis_number_text(std::numeric_limits<float>::quiet_NaN(), 1.0f, 0), "******");
}

TEST(AxisText, ScaleCaptions) {
  EXPECT_EQ(axis_scale_caption(3), "*E -3");
  EXPECT_EQ(axis_scale_caption(-2), "*E+ 2");
  EXPECT_EQ(axis_scale_caption(12), "*E-12");
}

TEST_F(AxesTest, XLabelsBlankATrailingZeroAndSitUnderTheView) {
  axes(-2.5f, 2.5f, 0.0f, 1.0f, 1.25f, 0.0f);
  EXPECT_EQ(drawn(), (Texts{" -2.5 ", " -1.25", "    0.", "  1.25", "  2.5 "}));
  ASSERT_EQ(p.texts.size(), 5u);
  EXPECT_EQ(p.texts[0].x, 2);
  EXPECT_EQ(p.texts[0].y, 450);
  EXPECT_EQ(p.texts[2].x, 296);
  EXPECT_EQ(p.texts[4].x, 589);
  EXPECT_EQ(p.texts[0].rotation, 0);
  EXPECT_EQ(p.texts[0].font, "t'Times New Roman Cyr'h24w7");
  // A major mark under each label, 4 pixels each way.
  ASSERT_EQ(p.segments.size(), 10u);
  EXPECT_EQ(p.segments[0].x0, 22);
  EXPECT_EQ(p.segments[0].x1, 30);
  EXPECT_EQ(p.segments[0].y0, 452);
  EXPECT_EQ(p.segments[1].x0, 26);
  EXPECT_EQ(p.segments[1].y0, 448);
  EXPECT_EQ(p.segments[1].y1, 456);
  EXPECT_EQ(p.segments[9].x0, 611);
}

TEST_F(AxesTest, YLabelsShowFiveColumnsTurnedUpright) {
  axes(0.0f, 1.0f, -2.5f, 2.5f, 0.0f, 1.25f);
  EXPECT_EQ(drawn(), (Texts{" -2.5", " -1.2", "    0", "  1.2", "  2.5"}));
  ASSERT_EQ(p.texts.size(), 5u);
  EXPECT_EQ(p.texts[0].x, 2);
  EXPECT_EQ(p.texts[0].y, 474);
  EXPECT_EQ(p.texts[2].y, 261);
  EXPECT_EQ(p.texts[0].rotation, 900);
  ASSERT_EQ(p.segments.size(), 10u);
  EXPECT_EQ(p.segments[0].x0, 22);
  EXPECT_EQ(p.segments[0].y0, 452);
  EXPECT_EQ(p.segments[9].y0, 22);
}

TEST_F(AxesTest, SmallRangesAreScaledUpWithACaption) {
  axes(-0.05f, 0.05f, -0.05f, 0.05f, 0.025f, 0.025f);
  EXPECT_EQ(drawn(), (Texts{"*E -3", "-50.0 ", "-25.0 ", "  0.0 ", " 25.0 ", " 50.0 ", "*E -3",
                            "-50.0", "-25.0", "  0.0", " 25.0", " 50.0"}));
  EXPECT_EQ(p.texts[0].x, 568);
  EXPECT_EQ(p.texts[0].y, 453);
  EXPECT_EQ(p.texts[6].x, 10);
  EXPECT_EQ(p.texts[6].y, 74);
  EXPECT_EQ(p.texts[6].rotation, 900);
}

TEST_F(AxesTest, LargeRangesAreScaledDownWithACaption) {
  axes(0.0f, 5000.0f, 0.0f, 1.0f, 1250.0f, 0.0f);
  EXPECT_EQ(drawn(), (Texts{"*E+ 2", "  0.0 ", " 12.5 ", " 25.0 ", " 37.5 ", " 50.0 "}));
}

TEST_F(AxesTest, MagnitudeOfExactlyATenthScalesByAHundred) {
  axes(-0.1f, 0.1f, 0.0f, 1.0f, 0.05f, 0.0f);
  ASSERT_GE(p.texts.size(), 2u);
  EXPECT_EQ(p.texts[0].text, "*E -2");
  EXPECT_EQ(p.texts[1].text, "-10.0 ");
}

TEST_F(AxesTest, MarginAddsALabelBeyondTheRangeWithItsMarkOnTheEdge) {
  axes(0.0f, 100.0f, 0.0f, 1.0f, 1.0f, 0.0f);
  ASSERT_EQ(p.texts.size(), 102u);
  EXPECT_EQ(p.texts[100].text, "  100.");
  EXPECT_EQ(p.texts[101].text, "  101.");
  EXPECT_EQ(p.segments.back().x0, 611);
  EXPECT_EQ(p.segments[p.segments.size() - 2].x0, 607);
}

TEST_F(AxesTest, OneLabelDrawsCaptionThenSolidMark) {
  axes(0.0f, 1.0f, 0.0f, 1.0f, 2.0f, 0.0f);
  EXPECT_EQ(p.calls_starting(""),
            (std::vector<std::string>{
                "set_font t'Times New Roman Cyr'h24w7", "set_text_rotation 0",
                "set_text_color_rgb 0", "move_to 2 450", "draw_text     0.",
                "set_text_rotation 0", "set_line_mask 65535", "set_line_mask 65535",
                "set_color_rgb 0", "move_to 22 452", "line_to 30 452", "move_to 26 448",
                "line_to 26 456"}));
}

TEST_F(AxesTest, GridsInShortDashesThenASolidFrame) {
  g.set_view_world(2, 1, -2.5f, 2.5f, 0.0f, 1.0f);
  draw_axes(g, 2, 1, 0.0f, 1.25f, 0, 0.0f, 0.5f, 0);
  EXPECT_TRUE(p.texts.empty());
  ASSERT_EQ(p.segments.size(), 5u + 3u + 4u);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(p.segments[i].mask, 0xF0F0) << i;
  EXPECT_EQ(p.segments[2].x0, 319);
  EXPECT_EQ(p.segments[5].y0, 452);
  EXPECT_EQ(p.segments[7].y0, 26);
  for (int i = 8; i < 12; ++i) EXPECT_EQ(p.segments[i].mask, 0xFFFF) << i;
  const auto& frame = p.segments;
  EXPECT_EQ(frame[8].x0, 26);
  EXPECT_EQ(frame[9].x0, 611);
  EXPECT_EQ(frame[10].y0, 452);
  EXPECT_EQ(frame[11].y0, 26);
}

TEST_F(AxesTest, NoYGridMeansNoFrameAndDashesStay) {
  g.set_view_world(2, 1, -2.5f, 2.5f, 0.0f, 1.0f);
  draw_axes(g, 2, 1, 1.25f, 1.25f, 0, 0.0f, 0.0f, 0);
  EXPECT_EQ(p.texts.size(), 5u);
  EXPECT_EQ(p.segments.size(), 10u + 5u);
  EXPECT_EQ(p.calls_starting("set_line_mask").back(), "set_line_mask 61680");
}

TEST_F(AxesTest, MarkArmsFollowTheWindowSize) {
  g.set_view_world(2, 1, -10.0f, 10.0f, -5.0f, 5.0f);
  draw_mark(g, 2, 1, 0.0f, 0.0f, 3.5f);
  ASSERT_EQ(p.segments.size(), 2u);
  EXPECT_EQ(p.segments[0].x0, 315);
  EXPECT_EQ(p.segments[0].x1, 323);
  EXPECT_EQ(p.segments[1].y0, 235);
  EXPECT_EQ(p.segments[1].y1, 243);

  g.open_element_window(1, 600, 800, "Схема");
  g.set_view_frame(1, 1, 10.0f, 10.0f, 220.0f, 160.0f);
  g.set_view_world(1, 1, -10.0f, 10.0f, -5.0f, 5.0f);
  p.segments.clear();
  draw_mark(g, 1, 1, -10.0f, -5.0f, 3.5f);
  const test::RecordedSegment& across = p.segments[p.segments.size() - 2];
  EXPECT_EQ(across.x1 - across.x0, 10);
}

TEST_F(AxesTest, SubdivisionsAddSmallerMarksInsideTheRange) {
  g.set_view_world(2, 1, 0.0f, 2.0f, 0.0f, 1.0f);
  draw_axes(g, 2, 1, 1.0f, 0.0f, 2, 0.0f, 0.0f, 0);
  ASSERT_EQ(p.segments.size(), 3u * 2u + 2u * 2u);
  EXPECT_EQ(p.segments[2].x1 - p.segments[2].x0, 6);  // the mark half way to 1
  EXPECT_EQ(p.segments[2].x0 + 3, 172);
}

TEST_F(AxesTest, EmptyAndUndefinedRangesDrawOnTheView) {
  axes(0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 1.0f);
  EXPECT_EQ(drawn(), (Texts{"*E***", "******", "*E***", "*****"}));
  p.texts.clear();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  g.set_view_world(2, 1, nan, 1.0f, 0.0f, nan);
  draw_axes(g, 2, 1, 1.0f, 1.0f, 0, 1.0f, 1.0f, 0);
  EXPECT_TRUE(p.texts.empty());
  for (const auto& s : p.segments) {
    for (int x : {s.x0, s.x1}) EXPECT_TRUE(x >= 22 && x <= 615) << x;
    for (int y : {s.y0, s.y1}) EXPECT_TRUE(y >= 22 && y <= 456) << y;
  }
  // Steps far below the range cannot make the routine run for ever.
  p.segments.clear();
  g.set_view_world(2, 1, 0.0f, 1e30f, 0.0f, 1.0f);
  draw_axes(g, 2, 1, 0.0f, 1.0f, 0, 0.0f, 0.0f, 0);
  EXPECT_LE(p.segments.size(), 10000u);
}

}  // namespace
}  // namespace lumi
