// Mouse events of a child window: codes, key states, the event mask, and the mapping from the
// widget to canvas pixels when the picture is scrolled.
#include <QApplication>
#include <QMdiSubWindow>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <mutex>

#include "desktop_fixture.h"
#include "platform/qt/mouse_input.h"

namespace lumi {
namespace {

TEST(DesktopMouseInput, KeyStateHasOneBitPerButtonAndModifier) {
  EXPECT_EQ(mouse_key_state(Qt::LeftButton, {}), 1);
  EXPECT_EQ(mouse_key_state(Qt::RightButton, {}), 2);
  EXPECT_EQ(mouse_key_state(Qt::LeftButton, Qt::ShiftModifier), 5);
  EXPECT_EQ(mouse_key_state(Qt::NoButton, Qt::ControlModifier), 8);
  EXPECT_EQ(mouse_key_state(Qt::MiddleButton, {}), 16);
  EXPECT_EQ(mouse_key_state(Qt::LeftButton | Qt::RightButton, Qt::AltModifier), 3);
}

TEST(DesktopMouseInput, EventCodesOfPressesReleasesClicksAndMoves) {
  EXPECT_EQ(mouse_event_code(QEvent::MouseButtonPress, Qt::LeftButton), 1);
  EXPECT_EQ(mouse_event_code(QEvent::MouseButtonRelease, Qt::LeftButton), 2);
  EXPECT_EQ(mouse_event_code(QEvent::MouseButtonDblClick, Qt::LeftButton), 4);
  EXPECT_EQ(mouse_event_code(QEvent::MouseButtonPress, Qt::RightButton), 8);
  EXPECT_EQ(mouse_event_code(QEvent::MouseButtonRelease, Qt::RightButton), 16);
  EXPECT_EQ(mouse_event_code(QEvent::MouseButtonDblClick, Qt::RightButton), 32);
  EXPECT_EQ(mouse_event_code(QEvent::MouseMove, Qt::NoButton), 64);
  EXPECT_EQ(mouse_event_code(QEvent::MouseButtonPress, Qt::MiddleButton), 0);
}

struct Seen {
  int window, event, keys, x, y;
  bool operator==(const Seen&) const = default;
};

void PrintTo(const Seen& s, std::ostream* out) {
  *out << "{window " << s.window << ", event " << s.event << ", keys " << s.keys << ", " << s.x
       << ", " << s.y << "}";
}

// The handler gets canvas pixels, whatever part of the picture is scrolled into view, and only
// the events of its mask; it is dropped when its window closes.
TEST_F(DesktopTest, DesktopMouseEventsReachTheHandlerInCanvasPixels) {
  std::mutex mutex;
  std::vector<Seen> seen;
  std::atomic<bool> close{false};
  start_body([&] {
    open_drawing_window(1, 800, 600);
    platform().register_mouse_handler(1, 91, [&](int w, int e, int k, int x, int y) {
      std::lock_guard lock(mutex);
      seen.push_back({w, e, k, x, y});
    });
    while (!close) platform().idle();
    platform().close_window(1);
    return 0;
  });
  ASSERT_TRUE(wait_for_mouse_handler(1));
  ASSERT_TRUE(reveal(1, QPoint(700, 500)));
  ASSERT_TRUE(reveal(1, QPoint(690, 495)));
  CanvasView* view = frame().view(1);

  mouse(QTest::MouseMove, view, QPoint(700, 500));
  mouse(QTest::MousePress, view, QPoint(701, 502), Qt::RightButton, Qt::ControlModifier);
  mouse(QTest::MouseRelease, view, QPoint(701, 502), Qt::RightButton, Qt::ControlModifier);
  // The second press of a double click comes as a double click (4), which is not in the mask.
  mouse(QTest::MouseDClick, view, QPoint(690, 495), Qt::LeftButton);
  {
    std::lock_guard lock(mutex);
    // The window system moves the pointer to each new place before pressing there.
    const std::vector<Seen> expected{{1, 64, 0, 700, 500},
                                     {1, 64, 8, 701, 502},
                                     {1, 8, 2 + 8, 701, 502},
                                     {1, 16, 8, 701, 502},
                                     {1, 64, 0, 690, 495},
                                     {1, 1, 1, 690, 495},
                                     {1, 2, 0, 690, 495},
                                     {1, 2, 0, 690, 495}};
    EXPECT_EQ(seen, expected);
  }
  close = true;
  ASSERT_TRUE(wait_until([&] { return !platform().mouse_handler_registered(1); }));
}

}  // namespace
}  // namespace lumi
