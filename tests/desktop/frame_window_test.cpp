// The frame window and the platform's operations: menus, about box, pause, windows by number,
// cascade, selection and copy, and stopping the program thread wherever it waits.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressBar>
#include <QTest>
#include <QTimer>
#include <atomic>

#include "desktop_fixture.h"
#include "platform/qt/trace_status.h"
#include "shell/main_loop.h"

namespace lumi {
namespace {

// The texts as the menus show them: without the separators and the marks of the Alt keys.
QStringList texts(const QList<QAction*>& actions) {
  QStringList result;
  for (const QAction* a : actions) {
    if (!a->isSeparator()) result << shown_text(a);
  }
  return result;
}

TEST_F(DesktopTest, DesktopMenuBarHoldsTheProgramMenusInOrder) {
  make_platform();
  QMenuBar* bar = frame().menuBar();
  // The program's own menus and items come after, or between, those of the scheme program.
  EXPECT_EQ(texts(bar->actions()),
            QStringList({"Файл", "Edit", "Window", "Пауза", "Инструкция", "Схема"}));
  EXPECT_EQ(texts(action("Файл")->menu()->actions()),
            QStringList({"Открыть", "Сохранить", "Сохранить как…", "Недавние файлы", "Выход"}));
  EXPECT_EQ(texts(action("Edit")->menu()->actions()),
            QStringList({"Выделить все окно", "Выделить часть окна", "Copy (в буфер)", "Отменить",
                         "Повторить"}));
  // The program's own items come first, in their order; the views' fitting follows them.
  EXPECT_EQ(texts(action("Window")->menu()->actions()),
            QStringList({"Cascade", "Tile", "По размеру окна", "Все окна по размеру окна"}));
  EXPECT_EQ(texts(action("Пауза")->menu()->actions()), QStringList({"winstate"}));
  // The about box is a command of the bar itself, not a menu.
  EXPECT_EQ(action("Инструкция")->menu(), nullptr);
  for (QAction* a : bar->actions()) EXPECT_TRUE(a->isEnabled()) << a->text().toStdString();
}

TEST_F(DesktopTest, DesktopPauseLabelFollowsThePauseState) {
  make_platform();
  QAction* pause = frame().pause_action();
  ASSERT_NE(pause, nullptr);
  ASSERT_TRUE(wait_until([&] { return pause->text() != "winstate"; }));
  EXPECT_EQ(pause->text(), "&Pause\tCtrl+S");
  pause->trigger();
  EXPECT_TRUE(platform().paused());
  EXPECT_EQ(pause->text(), "&Resume\tCtrl+Q");
  pause->trigger();
  EXPECT_FALSE(platform().paused());
  EXPECT_EQ(pause->text(), "&Pause\tCtrl+S");
}

TEST_F(DesktopTest, DesktopAboutBoxShowsTheFourLinesOfTheAboutText) {
  start_body([this] {
    platform().set_about_text(about_text("/tmp/README.md"));
    return 0;
  });
  ASSERT_TRUE(wait_until([&] { return !frame().about_text().isEmpty(); }));
  QString shown;
  QString title;
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    shown = box->text();
    title = box->windowTitle();
    box->accept();
  });
  action("Инструкция")->trigger();
  const QStringList lines = shown.split('\n');
  ASSERT_EQ(lines.size(), 4) << shown.toStdString();
  EXPECT_EQ(lines[0], "Инструкция в файле lumirastra2.pdf");
  EXPECT_EQ(lines[1], " ");
  EXPECT_EQ(lines[2], " Если у Вас его нет, загляните на");
  EXPECT_EQ(lines[3], "    /tmp/README.md");
  // The name and version stand in the title, outside the four lines.
  EXPECT_EQ(title, "О программе LumiRastra " LUMI_PROJECT_VERSION);
}

// The program thread opens, sizes, retitles, focuses and closes windows; the MDI area follows
// in the same order and shows each canvas at one pixel per pixel.
TEST_F(DesktopTest, DesktopSubWindowsFollowTheWindowOperations) {
  std::atomic<bool> posted{false};
  std::atomic<bool> go_on{false};
  start_body([&] {
    platform().open_child_window(1, "1  Схема");
    platform().set_window_config(1, 320, 200);
    platform().open_child_window(2, "  2  Зеркало");
    platform().set_window_config(2, 160, 120);
    platform().open_child_window(3, "  3  Линза");
    platform().close_window(7);  // never opened: ignored
    platform().focus_window(2);
    posted = true;
    while (!go_on) platform().idle();
    platform().close_window(3);
    platform().open_child_window(2, "  2  Зеркало снова");
    return 0;
  });
  ASSERT_TRUE(wait_until([&] { return posted.load(); }) && catch_up());
  EXPECT_EQ(captions(), (std::map<int, QString>{
                            {1, "1  Схема"}, {2, "  2  Зеркало"}, {3, "  3  Линза"}}));
  EXPECT_EQ(stacking_order().back(), 2);
  EXPECT_EQ(frame().view(1)->size(), QSize(320, 200));
  EXPECT_EQ(frame().view(2)->size(), QSize(160, 120));

  go_on = true;
  ASSERT_TRUE(wait_until([&] { return ended_.has_value(); }));
  QTest::qWait(50);
  EXPECT_EQ(captions(), (std::map<int, QString>{{1, "1  Схема"}, {2, "  2  Зеркало снова"}}));
  EXPECT_EQ(*ended_, 0);
}

TEST_F(DesktopTest, DesktopStatusBarTellsTheTracingProgress) {
  start_body([this] {
    platform().report_progress({3, 7, 0, 0});
    platform().report_progress({4, 7, 2, 9});
    return 0;
  });
  ASSERT_TRUE(wait_until([&] { return ended_.has_value(); }));
  QTest::qWait(50);
  EXPECT_EQ(frame().progress_label()->text(), "Трассировка: элемент 4 из 7, смещение 2 из 9");
  // Beside it the bar: three elements and one shift of nine of the fourth done, of seven.
  const QProgressBar* bar = frame().trace_status().bar();
  EXPECT_TRUE(bar->isVisibleTo(&frame()));
  EXPECT_EQ(bar->value(), (3 * 9 + 1) * bar->maximum() / (7 * 9));
}

// Cascade lays the windows out as a staircase in stacking order: each stands lower and further
// right than the one behind it, and the steps reach across the free area.
TEST_F(DesktopTest, DesktopCascadeMakesAStaircaseInStackingOrder) {
  start_body([&] {
    for (int w = 1; w <= 4; ++w) {
      platform().open_child_window(w, "окно " + std::to_string(w));
      platform().set_window_config(w, 200, 150);
    }
    platform().focus_window(1);
    platform().click_menu_command(kCommandCascade);
    return 0;
  });
  ASSERT_TRUE(wait_until([&] { return ended_.has_value(); }));
  QTest::qWait(50);
  const std::vector<int> order = stacking_order();
  ASSERT_EQ(order, (std::vector<int>{2, 3, 4, 1}));
  const QSize area = frame().mdi_area()->viewport()->size();
  QRect previous;
  for (int w : order) {
    const QRect r = frame().sub_window(w)->geometry();
    EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(r)) << w;
    if (!previous.isNull()) {
      EXPECT_GT(r.left(), previous.left()) << w;
      EXPECT_GT(r.top(), previous.top()) << w;
      EXPECT_GT(r.bottom(), previous.bottom()) << w;
    }
    previous = r;
  }
  EXPECT_GT(previous.right(), area.width() * 3 / 4);
}

TEST_F(DesktopTest, DesktopCopyPutsTheSelectedPictureOnTheClipboard) {
  start_body([&] {
    open_drawing_window(1, 120, 90);
    platform().set_color_rgb(0x0000FF);  // red
    platform().draw_rectangle(kRectFilled, 10, 20, 29, 39);
    return 0;
  });
  ASSERT_TRUE(wait_until([&] { return ended_.has_value() && frame().view(1); }));
  CanvasView* view = frame().view(1);
  ASSERT_TRUE(wait_until([&] { return view->picture().pixel(15, 25) == qRgb(255, 0, 0); }));
  frame().mdi_area()->setActiveSubWindow(frame().sub_window(1));

  action("Выделить все окно")->trigger();
  action("Copy (в буфер)")->trigger();
  QImage copied = QApplication::clipboard()->image();
  EXPECT_EQ(copied.size(), QSize(120, 90));
  EXPECT_EQ(copied.pixel(15, 25), qRgb(255, 0, 0));

  // A part, dragged with the rubber band; the mouse handler sees none of it.
  action("Выделить часть окна")->trigger();
  EXPECT_TRUE(view->selecting_part());
  mouse(QTest::MousePress, view, QPoint(10, 20), Qt::LeftButton);
  mouse(QTest::MouseMove, view, QPoint(20, 30));
  mouse(QTest::MouseRelease, view, QPoint(29, 39), Qt::LeftButton);
  ASSERT_TRUE(view->selection().has_value());
  action("Copy (в буфер)")->trigger();
  copied = QApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), QSize(20, 20));
  EXPECT_EQ(copied.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(copied.pixel(19, 19), qRgb(255, 0, 0));
  EXPECT_FALSE(view->selection().has_value());
}

// Pause holds the program thread at its next drawing call; resuming lets it draw.
TEST_F(DesktopTest, DesktopPauseHoldsDrawingUntilResumed) {
  std::atomic<int> stage{0};
  start_body([&] {
    open_drawing_window(1, 50, 50);
    stage = 1;
    while (stage == 1) platform().idle();
    platform().set_pixel_rgb(5, 5, 0xFFFFFF);
    stage = 3;
    return 0;
  });
  ASSERT_TRUE(wait_until([&] { return stage == 1; }));
  frame().pause_action()->trigger();
  stage = 2;
  QTest::qWait(200);
  EXPECT_EQ(stage, 2);
  EXPECT_EQ(platform().canvas(1)->pixel(5, 5), 0u);
  frame().pause_action()->trigger();
  ASSERT_TRUE(wait_until([&] { return stage == 3; }));
  EXPECT_EQ(platform().canvas(1)->pixel(5, 5), 0xFFFFFFu);
}

// "Выход" ends the run with status 0 wherever the program thread is: paused, idle, or waiting
// for an answer of the GUI thread.
TEST_F(DesktopTest, DesktopExitStopsAPausedProgramThread) {
  std::atomic<int> lines{0};
  start_body([&] {
    open_drawing_window(1, 50, 50);
    for (;;) {
      platform().line_to(lines % 50, 10);
      ++lines;
    }
    return 1;
  });
  ASSERT_TRUE(wait_until([&] { return lines > 0; }));
  frame().pause_action()->trigger();
  QTest::qWait(50);
  const int paused_at = lines;
  QTest::qWait(100);
  EXPECT_EQ(lines, paused_at);
  action("Выход")->trigger();
  EXPECT_TRUE(platform().stop(std::chrono::seconds(5)));
  ASSERT_TRUE(wait_until([&] { return ended_.has_value(); }));
  EXPECT_EQ(*ended_, 0);
  EXPECT_EQ(lines, paused_at);
}

TEST_F(DesktopTest, DesktopExitStopsAnIdleProgramThread) {
  start_body([&] {
    for (;;) platform().idle();
    return 1;
  });
  QTest::qWait(50);
  action("Выход")->trigger();
  EXPECT_TRUE(platform().stop(std::chrono::seconds(5)));
  EXPECT_FALSE(platform().program_running());
}

}  // namespace
}  // namespace lumi
