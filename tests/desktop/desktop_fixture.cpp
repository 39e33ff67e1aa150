// The desktop test fixture.
#include "desktop_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QScrollArea>
#include <QTest>

#include "platform/qt/settings.h"
#include "shell/main_loop.h"

namespace lumi {

std::string example(const char* name) { return std::string(LUMI_EXAMPLES_DIR) + "/" + name; }

std::string diagnostics_log_text() {
  QFile log("диагностика.dat");
  return log.open(QIODevice::ReadOnly) ? log.readAll().toStdString() : std::string();
}

void mouse(QTest::MouseAction action, QWidget* widget, QPoint pos, Qt::MouseButton button,
           Qt::KeyboardModifiers modifiers) {
  QWidget* top = widget->window();
  QTest::mouseEvent(action, top->windowHandle(), button, modifiers, widget->mapTo(top, pos));
}

void DesktopTest::SetUp() {
  ASSERT_TRUE(dir_.isValid());
  // Settings of the tests' own (desktop_main), emptied: no recent files, no remembered folder.
  program_settings().clear();
  previous_dir_ = QDir::currentPath();
  QDir::setCurrent(dir_.path());
}

void DesktopTest::TearDown() {
  if (platform_) {
    EXPECT_TRUE(platform_->stop(std::chrono::seconds(10)));
  }
  program_.reset();
  platform_.reset();
  QDir::setCurrent(previous_dir_);
}

void DesktopTest::make_platform(std::optional<std::string> first_scheme,
                                std::deque<std::optional<std::string>> answers) {
  answers_ = std::move(answers);
  platform_ = std::make_unique<QtPlatform>(std::move(first_scheme));
  platform_->set_file_chooser([this](const OpenFileRequest& request, QWidget*) {
    requests_.push_back(request);
    logs_at_requests_.push_back(diagnostics_log_text());
    if (answers_.empty()) return std::optional<std::string>();
    std::optional<std::string> answer = answers_.front();
    answers_.pop_front();
    return answer;
  });
  QObject::connect(&frame(), &FrameWindow::ended, [this](int status) { ended_ = status; });
  program_ = std::make_unique<Program>(*platform_);
  initial_settings(*platform_, program_->scheme);
}

void DesktopTest::start_program(std::optional<std::string> first_scheme,
                                std::deque<std::optional<std::string>> answers) {
  make_platform(std::move(first_scheme), std::move(answers));
  platform_->start([this] { return main_program(*program_); });
}

void DesktopTest::start_body(std::function<int()> body) {
  make_platform();
  platform_->start(std::move(body));
}

void DesktopTest::open_drawing_window(int window, int width, int height) {
  platform_->open_child_window(window, std::to_string(window));
  platform_->set_window_config(window, width, height);
  platform_->set_active_window(window);
}

bool DesktopTest::wait_until(const std::function<bool()>& condition, int milliseconds) {
  return QTest::qWaitFor(condition, milliseconds);
}

QString shown_text(const QAction* action) {
  return QString(action->text()).remove(QRegularExpression(QStringLiteral("&(?!&)")));
}

QAction* DesktopTest::action(const QString& text) const {
  for (QAction* entry : platform_->frame().menuBar()->actions()) {
    if (shown_text(entry) == text) return entry;
    if (!entry->menu()) continue;
    for (QAction* item : entry->menu()->actions()) {
      if (shown_text(item) == text) return item;
    }
  }
  return nullptr;
}

std::map<int, QString> DesktopTest::captions() const {
  std::map<int, QString> result;
  FrameWindow& f = platform_->frame();
  for (QMdiSubWindow* sub : f.mdi_area()->subWindowList()) {
    result[f.window_number(sub)] = sub->windowTitle();
  }
  return result;
}

bool DesktopTest::wait_for_mouse_handler(int window) {
  return wait_until([&] { return platform_->mouse_handler_registered(window); }) && catch_up();
}

// Posts from the program thread reach the GUI in order: a marker posted now runs after them.
bool DesktopTest::catch_up() {
  auto caught_up = std::make_shared<bool>(false);
  QMetaObject::invokeMethod(&frame(), [caught_up] { *caught_up = true; }, Qt::QueuedConnection);
  return wait_until([caught_up] { return *caught_up; });
}

// In the MDI area's top-left corner, small, in front and scrolled to `p`.
bool DesktopTest::reveal(int window, QPoint p) {
  QMdiSubWindow* sub = frame().sub_window(window);
  CanvasView* view = frame().view(window);
  if (!sub || !view) return false;
  sub->resize(240, 180);
  frame().focus_window(window);
  auto* scroll = static_cast<QScrollArea*>(sub->widget());
  // The scroll bars (the picture's and the MDI area's) follow the new size through posted layout
  // events: the point must stay put on the screen between two looks.
  QPoint last_seen(-1, -1);
  const bool shown = wait_until([&] {
    if (sub->pos() != QPoint(0, 0)) sub->move(0, 0);
    scroll->ensureVisible(p.x(), p.y(), 20, 20);
    const QPoint on_screen = view->mapToGlobal(p);
    const bool settled = on_screen == last_seen && view->visibleRegion().contains(p);
    last_seen = on_screen;
    if (!settled) QTest::qWait(20);
    return settled;
  });
  if (!shown) {
    const QRect seen = view->visibleRegion().boundingRect();
    ADD_FAILURE() << "window " << window << " sub-window at " << sub->x() << "," << sub->y()
                  << " size " << sub->width() << "x" << sub->height() << ", visible part "
                  << seen.x() << "," << seen.y() << " " << seen.width() << "x" << seen.height()
                  << ", view " << view->width() << "x" << view->height() << ", viewport "
                  << scroll->viewport()->width() << "x" << scroll->viewport()->height()
                  << ", sub visible " << sub->isVisible() << " minimized " << sub->isMinimized()
                  << " maximized " << sub->isMaximized();
  }
  return shown;
}

std::unique_ptr<Scheme> DesktopTest::drawn_anchors() const {
  auto anchors = std::make_unique<Scheme>();
  if (const std::optional<SchemeLayout> layout = platform_->scheme_layout()) {
    anchors->count = layout->count;
    anchors->picks = layout->picks;
  }
  return anchors;
}

QPoint DesktopTest::reveal_anchor(int k) {
  const PointF anchor = drawn_anchors()->pick(k);
  const PixelPoint p = program_->graphics.world_to_pixel(1, 1, anchor.x, anchor.y);
  EXPECT_TRUE(reveal(1, {p.x, p.y}));
  return {p.x, p.y};
}

std::vector<int> DesktopTest::stacking_order() const {
  std::vector<int> order;
  FrameWindow& f = platform_->frame();
  for (QMdiSubWindow* sub : f.mdi_area()->subWindowList(QMdiArea::StackingOrder)) {
    order.push_back(f.window_number(sub));
  }
  return order;
}

}  // namespace lumi
