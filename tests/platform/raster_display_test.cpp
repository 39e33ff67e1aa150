// Windows of the raster display: numbers, titles, sizes, the active and the front window, and
// drawing that follows the active window.
#include "platform/raster/raster_display.h"

#include <gtest/gtest.h>

#include "platform/test_display.h"

namespace lumi {
namespace {

using test::TestDisplay;

TEST(RasterDisplayTest, WindowsLiveFromOpenToClose) {
  TestDisplay display;
  EXPECT_FALSE(display.set_active_window(3));
  EXPECT_FALSE(display.set_window_config(3, 640, 480));  // not opened
  display.open_child_window(3, " 3  Источник ");
  EXPECT_EQ(display.title(3), " 3  Источник ");
  EXPECT_EQ(display.canvas(3), nullptr);  // not sized yet
  ASSERT_TRUE(display.set_window_config(3, 640, 480));
  ASSERT_NE(display.canvas(3), nullptr);
  EXPECT_EQ(display.canvas(3)->width(), 640);
  EXPECT_EQ(display.canvas(3)->height(), 480);

  const auto held = display.canvas(3);
  display.close_window(3);
  EXPECT_EQ(display.title(3), std::nullopt);
  EXPECT_EQ(display.canvas(3), nullptr);
  EXPECT_EQ(held->width(), 640);  // a canvas held by a viewer outlives its window
  display.close_window(3);        // unopened: ignored
  display.close_window(0);
}

TEST(RasterDisplayTest, NumbersOutsideTheRangeAreRefused) {
  TestDisplay display;
  for (int window : {0, -1, 101}) {
    display.open_child_window(window, "x");
    EXPECT_FALSE(display.set_window_config(window, 10, 10));
    EXPECT_FALSE(display.set_active_window(window));
    EXPECT_FALSE(display.focus_window(window));
    EXPECT_EQ(display.canvas(window), nullptr);
  }
  EXPECT_TRUE(display.window_order().empty());
  display.open_child_window(100, "last");
  EXPECT_TRUE(display.set_window_config(100, 1, 1));
  EXPECT_FALSE(display.set_window_config(100, 0, 10));
  EXPECT_FALSE(display.set_window_config(100, 10, Canvas::kMaxSide + 1));
}

TEST(RasterDisplayTest, DrawingGoesToTheActiveWindowOnly) {
  TestDisplay display;
  display.line_to(5, 5);  // nothing active: ignored
  display.open(1, 20, 20);
  display.open(2, 20, 20);
  EXPECT_EQ(display.active_window(), 2);
  display.set_color_rgb(0x00FF00);
  display.move_to(0, 0);
  display.line_to(19, 0);
  ASSERT_TRUE(display.set_active_window(1));
  display.move_to(0, 1);
  display.line_to(19, 1);  // window 1 keeps its own colour: white by default
  display.draw_rectangle(kRectFilled, 0, 10, 1, 11);
  display.set_pixel_rgb(5, 5, 0x0000FF);
  const auto one = display.canvas(1), two = display.canvas(2);
  EXPECT_EQ(two->pixel(19, 0), 0x00FF00u);
  EXPECT_EQ(two->pixel(19, 1), 0u);
  EXPECT_EQ(one->pixel(19, 0), 0u);
  EXPECT_EQ(one->pixel(19, 1), 0xFFFFFFu);
  EXPECT_EQ(one->pixel(1, 11), 0xFFFFFFu);
  EXPECT_EQ(one->pixel(5, 5), 0x0000FFu);

  display.close_window(1);
  EXPECT_EQ(display.active_window(), 0);
  display.set_pixel_rgb(6, 6, 0x0000FF);  // nothing active any more
  EXPECT_EQ(two->pixel(6, 6), 0u);
}

TEST(RasterDisplayTest, ResizingClearsToBlackAndKeepsTheActiveCanvas) {
  TestDisplay display;
  display.open(4, 10, 10);
  display.draw_rectangle(kRectFilled, 0, 0, 9, 9);
  ASSERT_TRUE(display.set_window_config(4, 30, 20));
  const auto canvas = display.canvas(4);
  EXPECT_EQ(canvas->width(), 30);
  EXPECT_EQ(canvas->pixel(5, 5), 0u);
  display.set_pixel_rgb(29, 19, 0x00FF00);
  EXPECT_EQ(canvas->pixel(29, 19), 0x00FF00u);
}

TEST(RasterDisplayTest, NewAndFocusedWindowsComeToTheFront) {
  TestDisplay display;
  EXPECT_EQ(display.front_window(), 0);
  display.open_child_window(1, "scheme");
  display.open_child_window(2, "two");
  display.open_child_window(3, "three");
  EXPECT_EQ(display.window_order(), (std::vector<int>{3, 2, 1}));
  EXPECT_TRUE(display.focus_window(1));
  EXPECT_EQ(display.window_order(), (std::vector<int>{1, 3, 2}));
  EXPECT_EQ(display.front_window(), 1);
  EXPECT_FALSE(display.focus_window(7));
  display.close_window(1);
  EXPECT_EQ(display.front_window(), 3);
  // Activating a window for drawing does not reorder the windows.
  EXPECT_TRUE(display.set_active_window(2));
  EXPECT_EQ(display.front_window(), 3);
}

TEST(RasterDisplayTest, FrameAndMenuCommandsAreRecorded) {
  TestDisplay display;
  const std::uint64_t before = display.window_changes();
  display.set_frame_window(kFramePlace, 10, 20, 700, 900);
  const FrameWindowState frame = display.frame_window();
  EXPECT_EQ(frame.state, kFramePlace);
  EXPECT_EQ(frame.x, 10);
  EXPECT_EQ(frame.y, 20);
  EXPECT_EQ(frame.height, 700);
  EXPECT_EQ(frame.width, 900);
  EXPECT_GT(display.window_changes(), before);
  display.click_menu_command(kCommandCascade);
  EXPECT_EQ(display.menu_commands(), std::vector<int>{kCommandCascade});
}

}  // namespace
}  // namespace lumi
