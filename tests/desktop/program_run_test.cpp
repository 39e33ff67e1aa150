// The real main loop on the desktop platform with the bundled schemes: a scheme named on the
// command line, the mouse over the scheme window, "Открыть", refused files and "Выход".
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMdiSubWindow>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include "desktop_fixture.h"
#include "platform/qt/trace_status.h"
#include "shell/main_loop.h"

namespace lumi {
namespace {

constexpr int kMirror = 2;  // the spherical mirror of newton-telescope.ops

// Pixels of the colour of the status line in the first text row of window 1.
int status_line_pixels(const Canvas& canvas) {
  int count = 0;
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 400; ++x) count += canvas.pixel(x, y) == 65280u;
  }
  return count;
}

TEST_F(DesktopTest, DesktopOpensTheSchemeNamedOnTheCommandLine) {
  start_program(example("newton-telescope.ops"));
  ASSERT_TRUE(wait_for_interactive());
  QTest::qWait(100);
  const std::map<int, QString> shown = captions();
  ASSERT_EQ(shown.size(), 4u);
  for (const auto& [window, caption] : shown) {
    // The window's title without the blanks that pad it.
    const std::string title = platform().title(window).value_or("?");
    EXPECT_EQ(caption.toStdString(), title.substr(0, title.find_last_not_of(' ') + 1)) << window;
    EXPECT_FALSE(caption.endsWith(' ')) << window;
    EXPECT_EQ(frame().view(window)->size(),
              QSize(platform().canvas(window)->width(), platform().canvas(window)->height()));
  }
  EXPECT_TRUE(shown.at(1).startsWith("1  Оптическая схема, файл ")) << shown.at(1).toStdString();
  EXPECT_TRUE(shown.at(1).contains("newton-telescope.ops"));
  EXPECT_TRUE(requests_.empty());  // the command line answered the first dialog
  EXPECT_TRUE(frame().isMaximized());
  EXPECT_TRUE(QFile::exists("диагностика.dat"));
}

TEST_F(DesktopTest, DesktopMouseOverTheSchemeNamesAndClickBringsTheElementForward) {
  start_program(example("newton-telescope.ops"));
  ASSERT_TRUE(wait_for_interactive());
  const std::shared_ptr<Canvas> scheme = platform().canvas(1);
  CanvasView* view = frame().view(1);
  const QPoint mirror = reveal_anchor(kMirror);
  ASSERT_NE(stacking_order().end()[-2], kMirror);
  EXPECT_EQ(status_line_pixels(*scheme), 0);

  mouse(QTest::MouseMove, view, mirror + QPoint(3, 3));
  mouse(QTest::MouseMove, view, mirror);
  ASSERT_TRUE(wait_until([&] { return status_line_pixels(*scheme) > 0; }));

  mouse(QTest::MousePress, view, mirror, Qt::LeftButton);
  ASSERT_TRUE(wait_until([&] { return stacking_order().end()[-2] == kMirror; }));
  EXPECT_EQ(stacking_order().back(), 1);  // the focus went back to the scheme window
  mouse(QTest::MouseRelease, view, mirror, Qt::LeftButton);
}

TEST_F(DesktopTest, DesktopShiftClickBringsNoWindowForward) {
  start_program(example("newton-telescope.ops"));
  ASSERT_TRUE(wait_for_interactive());
  CanvasView* view = frame().view(1);
  const QPoint mirror = reveal_anchor(kMirror);
  const std::vector<int> before = stacking_order();
  mouse(QTest::MouseMove, view, mirror);
  mouse(QTest::MousePress, view, mirror, Qt::LeftButton, Qt::ShiftModifier);
  QTest::qWait(300);
  EXPECT_EQ(stacking_order(), before);
  mouse(QTest::MouseRelease, view, mirror, Qt::LeftButton, Qt::ShiftModifier);
}

TEST_F(DesktopTest, DesktopOpenInTheInteractivePhaseClosesTheWindowsAndAsksForAFile) {
  start_program(example("newton-telescope.ops"));
  ASSERT_TRUE(wait_for_interactive());
  action("Открыть")->trigger();
  ASSERT_TRUE(wait_until([&] { return !requests_.empty(); }));
  EXPECT_TRUE(captions().empty());
  const OpenFileRequest& request = requests_.front();
  EXPECT_EQ(request.title, "Чтение файла цели");
  ASSERT_EQ(request.filters.size(), 2u);
  EXPECT_EQ(request.filters[0].name, "Файлы с оптическими схемами (*.ops)");
  EXPECT_EQ(request.filters[1].name, "Все файлы");
  EXPECT_FALSE(request.start_in_current_directory);  // the command line had the first call
  // The dialog was cancelled: the run ends with status 0.
  ASSERT_TRUE(wait_until([&] { return ended_.has_value(); }));
  EXPECT_EQ(*ended_, 0);
  EXPECT_TRUE(platform().stop(std::chrono::seconds(5)));
}

TEST_F(DesktopTest, DesktopRefusedFileIsShownInAMessageBoxAndTheDialogComesBack) {
  // The box runs its own event loop: a timer inside it reads and closes it.
  QString message;
  QTimer closer;
  QObject::connect(&closer, &QTimer::timeout, [&] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      message = box->text();
      box->accept();
    }
  });
  closer.start(20);
  start_program(std::nullopt, {"нет-такого-файла.ops", example("singlet.ops")});
  ASSERT_TRUE(wait_until([&] { return !message.isEmpty(); }));
  EXPECT_TRUE(message.contains("нет-такого-файла.ops")) << message.toStdString();
  // The system's reason in Russian, as the rest of the message.
  EXPECT_TRUE(message.endsWith("не удалось прочитать файл: нет такого файла или папки"))
      << message.toStdString();
  ASSERT_TRUE(wait_for_interactive());
  ASSERT_EQ(requests_.size(), 2u);
  EXPECT_TRUE(requests_[0].start_in_current_directory);
  EXPECT_FALSE(requests_[1].start_in_current_directory);
  EXPECT_FALSE(captions().empty());
}

// The telescope with a million rays and 21 focus shifts, and twenty wide diaphragms that every
// ray passes before the focal plane: the pass takes a good while to reach its last element, which
// writes its last log line only when its whole sweep is done.
std::string long_scheme() {
  QFile in(QString::fromStdString(example("newton-telescope.ops")));
  EXPECT_TRUE(in.open(QIODevice::ReadOnly));
  QByteArray text = in.readAll();
  text.replace("                  21   N1", "                1000   N1");
  text.replace("                  21   N2", "                1000   N2");
  text.replace("                 -4.   ", "                -10.   ");
  text.replace("                  4.   ", "                 10.   ");
  const QByteArray diaphragm = "        21         4   outer diaphragm\n"
                               "               1000.   D\n"
                               "                300.   Xo\n"
                               "                100.   Yo\n"
                               "                 90.   Fi\n";
  text.replace("        62         8", diaphragm.repeated(20) + "        62         8");
  QFile out("long.ops");
  EXPECT_TRUE(out.open(QIODevice::WriteOnly));
  out.write(text);
  return "long.ops";
}

// "Открыть" chosen from the GUI thread while the program thread traces; then a stream of mouse
// events over the next scheme. Run under ThreadSanitizer too.
TEST_F(DesktopTest, DesktopOpenWhileTracingStopsThePassThenTheMouseStreamIsFollowed) {
  const std::string scheme = long_scheme();
  start_program(scheme, {example("singlet.ops")});
  ASSERT_TRUE(wait_until([&] { return captions().size() >= 4; }));
  action("Открыть")->trigger();
  ASSERT_TRUE(wait_until([&] { return !requests_.empty(); }));
  // The last line of the focal plane's sweep was never written: the pass stopped before it. The
  // log is read as the request found it, before the next scheme's pass rewrites it.
  ASSERT_FALSE(logs_at_requests_.empty());
  EXPECT_FALSE(logs_at_requests_[0].empty());
  EXPECT_EQ(logs_at_requests_[0].find("\xF2\xEE\xF7\xE5\xEA"), std::string::npos);  // "точек"

  ASSERT_TRUE(wait_for_interactive());
  CanvasView* view = frame().view(1);
  const QPoint start = reveal_anchor(1);
  for (int i = 0; i < 200; ++i) {
    mouse(QTest::MouseMove, view, start + QPoint(i % 40, i % 25));
    if (i % 50 == 0) QTest::qWait(5);
  }
  mouse(QTest::MousePress, view, start, Qt::LeftButton);
  mouse(QTest::MouseRelease, view, start, Qt::LeftButton);
  const std::shared_ptr<Canvas> canvas = platform().canvas(1);
  EXPECT_TRUE(wait_until([&] { return status_line_pixels(*canvas) > 0; }));
}

// "Открыть" during a paused trace is acknowledged at once, with a busy cursor, but takes effect
// only when the pause is lifted: then the dialog comes and the cursor is the user's again.
TEST_F(DesktopTest, DesktopOpenDuringAPausedTraceIsAcknowledgedAtOnceAndActsOnResume) {
  start_program(long_scheme());
  ASSERT_TRUE(wait_until([&] { return captions().size() >= 4; }));
  frame().pause_action()->trigger();
  action("Открыть")->trigger();
  const TraceStatus& status = frame().trace_status();
  EXPECT_TRUE(status.notice()->text().startsWith("Открыть: после снятия паузы"))
      << status.notice()->text().toStdString();
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
  QTest::qWait(300);
  EXPECT_TRUE(requests_.empty());  // still paused: the pass has not looked at the request

  frame().pause_action()->trigger();
  ASSERT_TRUE(wait_until([&] { return !requests_.empty(); }));
  ASSERT_TRUE(catch_up());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_TRUE(status.notice()->text().isEmpty());
}

TEST_F(DesktopTest, DesktopExitWhileTracingEndsTheRun) {
  start_program(example("all-elements.ops"));
  ASSERT_TRUE(wait_until([&] { return !captions().empty(); }));
  action("Выход")->trigger();
  EXPECT_TRUE(platform().stop(std::chrono::seconds(5)));
  ASSERT_TRUE(wait_until([&] { return ended_.has_value(); }));
  EXPECT_EQ(*ended_, 0);
}

}  // namespace
}  // namespace lumi
