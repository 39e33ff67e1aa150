// Interactive selection: the nearest anchor, the status line, bringing windows forward and the
// highlighted outlines.
#include <algorithm>

#include "graphics/graphics.h"
#include "shell/interactive.h"
#include "shell_fixture.h"

namespace lumi::test {
namespace {

constexpr Rgb kGreen = 65280;
constexpr Rgb kWhite = 16777215;
constexpr Rgb kGrey = 8355711;  // palette 8: 0.5 * 255 truncates to 127
constexpr Rgb kDarkGreen = 32512;  // palette 11: (0, 0.5, 0) scaled by 255 and truncated

class InteractiveTest : public ShellTest {
 protected:
  InteractiveTest() {
    Scheme& s = program->scheme;
    // Three flat mirrors across the x axis, anchors at x = -5, 0, 5; the third is switched off.
    s.count = 4;
    for (int k = 1; k <= 3; ++k) {
      ElementRecord& e = s.element(k);
      e.slot(1) = k == 3 ? -31.0f : 31.0f;
      e.slot(2) = 5;
      e.slot(3) = 2.0f;                // W
      e.slot(4) = 2.0f;                // H
      e.slot(5) = -10.0f + 5.0f * k;   // Xo
      e.slot(6) = 0.0f;                // Yo
      e.slot(7) = 0.0f;                // Fi
      s.pick(k) = {e.slot(5), e.slot(6)};
    }
    s.element(4).slot(1) = 61.0f;  // the end element, anchored far away
    s.element(4).slot(2) = 0.0f;
    s.pick(4) = {100.0f, 100.0f};
    program->graphics.open_element_window(1, 600, 800, "1");
    program->graphics.set_view_frame(1, 1, 10, 10, 220, 160);
    program->graphics.set_view_world(1, 1, -10, 110, -10, 110);
    platform.calls.clear();
    platform.segments.clear();
  }

  // Moves the pointer and runs one step.
  bool step_at(float x, float y, int keys = 0) {
    program->scheme.input.pointer_x = x;
    program->scheme.input.pointer_y = y;
    program->scheme.input.pointer_keys = keys;
    Workspace ws = program->workspace();
    return interactive_step(ws, program->interactive);
  }

  std::vector<Rgb> outline_colors() {
    std::vector<Rgb> colors;
    for (const RecordedSegment& s : platform.segments) colors.push_back(s.color);
    platform.segments.clear();
    return colors;
  }

  int focus_count(int window) {
    const std::vector<std::string> calls = platform.calls_starting("focus_window");
    return static_cast<int>(
        std::count(calls.begin(), calls.end(), "focus_window " + std::to_string(window)));
  }
};

TEST(NearestElement, EqualDistancesPickTheLowerNumber) {
  Scheme s;
  s.count = 3;
  s.pick(1) = {-1, 0};
  s.pick(2) = {1, 0};
  s.pick(3) = {0, 5};
  EXPECT_EQ(nearest_element(s, 0, 0, 0), 1);
  EXPECT_EQ(nearest_element(s, 0.5f, 0, 0), 2);
  s.pick(1) = {1e30f, 0};
  s.pick(2) = {1e30f, 0};
  s.pick(3) = {1e30f, 0};
  EXPECT_EQ(nearest_element(s, 0, 0, 2), 2);  // nothing below 1e25: keeps the former selection
}

TEST_F(InteractiveTest, FirstStepSelectsWithoutDrawingThenUnchangedPointerDoesNothing) {
  EXPECT_TRUE(step_at(0, 0));
  EXPECT_EQ(program->interactive.status, 1);
  EXPECT_EQ(program->interactive.selected, 2);
  EXPECT_EQ(program->interactive.previous, 0);
  EXPECT_TRUE(platform.calls.empty());
  EXPECT_FALSE(step_at(0, 0));
  EXPECT_TRUE(platform.calls.empty());
}

TEST_F(InteractiveTest, StatusLineNamesTheElementInGreen) {
  step_at(0, 0);
  step_at(0.5f, 0);
  const std::vector<std::string> texts = platform.calls_starting("write_text");
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0], "write_text    2    плоское зеркало" + std::string(17, ' '));
  EXPECT_NE(std::find(platform.calls.begin(), platform.calls.end(), "w1 set_color_rgb 65280"),
            platform.calls.end());
  EXPECT_EQ(platform.calls_starting("set_text_position"),
            std::vector<std::string>{"set_text_position 1 1"});
}

TEST_F(InteractiveTest, MovingWithinOneAreaRedrawsNoOutline) {
  step_at(0, 0);
  step_at(0.5f, 0);
  EXPECT_EQ(outline_colors(), std::vector<Rgb>{kGreen});  // first highlight of element 2
  step_at(0.7f, 0.2f);
  EXPECT_TRUE(outline_colors().empty());
  EXPECT_EQ(platform.calls_starting("write_text").size(), 2u);
}

TEST_F(InteractiveTest, HighlightMovesAndSwitchedOffElementsUseTheirColours) {
  step_at(0, 0);
  step_at(5, 0);  // element 3, switched off: dark green
  EXPECT_EQ(outline_colors(), std::vector<Rgb>{kDarkGreen});
  step_at(-5, 0);  // element 1 highlighted, element 3 restored in grey
  EXPECT_EQ(outline_colors(), (std::vector<Rgb>{kGreen, kGrey}));
  step_at(0, 0);  // element 2 highlighted, element 1 restored in white
  EXPECT_EQ(outline_colors(), (std::vector<Rgb>{kGreen, kWhite}));
}

TEST_F(InteractiveTest, DraggingWithTheLeftButtonBringsEachNewElementForwardOnce) {
  step_at(0, 0);
  step_at(0.1f, 0, 1);  // press on element 2
  step_at(0.2f, 0, 1);  // drag within element 2
  step_at(5, 0, 1);     // into element 3
  step_at(5.1f, 0, 1);
  EXPECT_EQ(focus_count(2), 1);
  EXPECT_EQ(focus_count(3), 1);
  EXPECT_EQ(focus_count(1), 2);  // the focus goes back to the scheme window each time
}

TEST_F(InteractiveTest, ShiftClickBringsNoWindowForward) {
  step_at(0, 0);
  step_at(0.1f, 0, 1 | 4);
  step_at(5, 0, 1 | 4);
  EXPECT_TRUE(platform.calls_starting("focus_window").empty());
}

TEST_F(InteractiveTest, EndElementKeepsTheStatusTextAndDrawsNoOutline) {
  step_at(0, 0);
  step_at(0.5f, 0);
  outline_colors();
  step_at(100, 100);  // the end element (61)
  const std::vector<std::string> texts = platform.calls_starting("write_text");
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[1], texts[0]);
  EXPECT_EQ(outline_colors(), std::vector<Rgb>{kWhite});  // element 2 restored only
}

TEST_F(InteractiveTest, OpenRequestClosesTheWindowsAndClearsTheKeys) {
  step_at(0, 0, 1);
  program->scheme.input.open_request = 1;
  EXPECT_TRUE(step_at(0, 0, 1));
  EXPECT_EQ(program->interactive.status, 2);
  EXPECT_EQ(program->scheme.count, 0);
  EXPECT_EQ(program->scheme.input.open_request.load(), 0);
  EXPECT_EQ(program->scheme.input.pointer_keys.load(), 0);
  EXPECT_EQ(platform.calls_starting("close_window"),
            (std::vector<std::string>{"close_window 1", "close_window 2", "close_window 3",
                                      "close_window 4"}));
}

TEST_F(InteractiveTest, MouseHandlerStoresTheClampedWorldPoint) {
  mouse_handler(program->graphics, program->scheme.input, -500, -500, 9);
  EXPECT_EQ(program->scheme.input.pointer_x.load(), -10.0f);
  EXPECT_EQ(program->scheme.input.pointer_y.load(), 110.0f);
  EXPECT_EQ(program->scheme.input.pointer_keys.load(), 9);
}

}  // namespace
}  // namespace lumi::test
