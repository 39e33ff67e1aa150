// A desktop run for tests: the Qt platform with a scripted open dialog, run in a temporary
// working directory, with helpers to wait for the GUI and to find menus and windows.
#pragma once

#include <gtest/gtest.h>

#include <QPoint>
#include <QString>
#include <QTest>
#include <QStringList>
#include <QTemporaryDir>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/qt/canvas_view.h"
#include "platform/qt/frame_window.h"
#include "platform/qt/qt_platform.h"
#include "shell/program.h"

class QAction;

namespace lumi {

std::string example(const char* name);  // a bundled scheme
// A menu entry's text as shown: without the mark of its Alt key.
QString shown_text(const QAction* action);

// The diagnostics log in the working directory, as it stands; empty when there is none.
std::string diagnostics_log_text();

// Mouse actions through the window system, as the user makes them: delivered to whatever widget
// lies under `pos` (a point of `widget`), which must be on the screen.
void mouse(QTest::MouseAction action, QWidget* widget, QPoint pos,
           Qt::MouseButton button = Qt::NoButton, Qt::KeyboardModifiers modifiers = {});

class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The platform, with initial_settings done; the dialog answers are given in order, then it is
  // cancelled.
  void make_platform(std::optional<std::string> first_scheme = std::nullopt,
                     std::deque<std::optional<std::string>> answers = {});
  // The real main loop on the program thread.
  void start_program(std::optional<std::string> first_scheme,
                     std::deque<std::optional<std::string>> answers = {});
  // Any body on the program thread, for the platform's operations alone.
  void start_body(std::function<int()> body);

  // On the program thread: window `window` of this size, made active for drawing.
  void open_drawing_window(int window, int width, int height);

  QtPlatform& platform() { return *platform_; }
  FrameWindow& frame() { return platform_->frame(); }
  Program& program() { return *program_; }

  static bool wait_until(const std::function<bool()>& condition, int milliseconds = 20000);
  // The menu bar entry or menu item with this text.
  QAction* action(const QString& text) const;
  // The captions of the MDI sub-windows, by window number.
  std::map<int, QString> captions() const;
  // Waits until the GUI has carried out every window operation posted so far.
  bool catch_up();
  // Waits until `window` has a mouse handler and the GUI has carried out every window operation
  // made before.
  bool wait_for_mouse_handler(int window);
  // The traced scheme follows the mouse.
  bool wait_for_interactive() { return wait_for_mouse_handler(1); }
  // Makes a window's sub-window small, brings it forward and scrolls its picture until the canvas
  // pixel `p` is on the screen. False when it never got there.
  bool reveal(int window, QPoint p);
  // Where element k's anchor lies in window 1, in canvas pixels, revealed.
  QPoint reveal_anchor(int k);
  // The element count and anchors the program handed over when the scheme last followed the
  // mouse (the program thread keeps writing its own pick table).
  std::unique_ptr<Scheme> drawn_anchors() const;
  // Window numbers of the MDI sub-windows, the back one first.
  std::vector<int> stacking_order() const;

  std::vector<OpenFileRequest> requests_;  // what the open dialog was asked, in order
  // The diagnostics log as each request found it: the pass before has ended, the next not begun
  std::vector<std::string> logs_at_requests_;
  std::deque<std::optional<std::string>> answers_;
  std::optional<int> ended_;  // the status of FrameWindow::ended

 private:
  QTemporaryDir dir_;
  QString previous_dir_;
  std::unique_ptr<QtPlatform> platform_;
  std::unique_ptr<Program> program_;
};

}  // namespace lumi
