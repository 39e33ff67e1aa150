// The frame window: menus, the MDI sub-windows of the numbered windows, the status bar and the
// built-in commands.
#include "platform/qt/frame_window.h"

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <algorithm>

#include "platform/qt/canvas_view.h"
#include "platform/qt/qt_platform.h"

namespace lumi {

namespace {

// Changed canvases are shown again this often.
constexpr int kRepaintMilliseconds = 30;
constexpr int kWarningMilliseconds = 10000;
// The smallest window the cascade makes.
constexpr int kMinCascadeWidth = 200;
constexpr int kMinCascadeHeight = 150;
// Time a window manager gets to maximise the frame.
constexpr int kMaximiseCheckMilliseconds = 500;

const QString kPauseLabel = QStringLiteral("&Pause\tCtrl+S");
const QString kResumeLabel = QStringLiteral("&Resume\tCtrl+Q");

// A numbered window. The program closes its windows itself, by number; the user only moves,
// resizes, minimises and maximises them.
class ChildWindow : public QMdiSubWindow {
 public:
  static constexpr Qt::WindowFlags kFlags = Qt::SubWindow | Qt::CustomizeWindowHint |
                                            Qt::WindowTitleHint | Qt::WindowMinMaxButtonsHint;

 protected:
  void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

// The picture wants its full size; when the sub-window is smaller it scrolls.
class PictureScroll : public QScrollArea {
 public:
  QSize sizeHint() const override {
    const int frame = 2 * frameWidth();
    return widget() ? widget()->size() + QSize(frame, frame) : QScrollArea::sizeHint();
  }
};

QString progress_text(const TraceProgress& p) {
  QString text = QStringLiteral("Трассировка: элемент %1 из %2").arg(p.element).arg(p.elements);
  if (p.shifts > 0) text += QStringLiteral(", смещение %1 из %2").arg(p.shift).arg(p.shifts);
  return text;
}

}  // namespace

FrameWindow::FrameWindow(QtPlatform& platform)
    : platform_(platform), mdi_(new QMdiArea(this)), timer_(new QTimer(this)),
      progress_(new QLabel(this)), paused_(new QLabel(QStringLiteral("Пауза"), this)) {
  setWindowTitle(QStringLiteral("LumiRastra"));
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi_);
  statusBar()->addWidget(progress_, 1);
  statusBar()->addPermanentWidget(paused_);
  paused_->hide();
  connect(timer_, &QTimer::timeout, this, &FrameWindow::refresh);
  timer_->start(kRepaintMilliseconds);
}

FrameWindow::~FrameWindow() = default;

// Menus ----------------------------------------------------------------------------------------

// The first item of a menu number is its title: a drop-down menu, or a command of its own on the
// menu bar. A later item turns a command title into a plain drop-down title.
QAction* FrameWindow::menu_action(int menu, const QString& text, bool command) {
  auto found = menus_.find(menu);
  if (found == menus_.end()) {
    MenuSlot slot;
    if (command) {
      slot.bar_action = menuBar()->addAction(text);
    } else {
      slot.menu = menuBar()->addMenu(text);
    }
    menus_[menu] = slot;
    return slot.menu ? slot.menu->menuAction() : slot.bar_action;
  }
  MenuSlot& slot = found->second;
  if (!slot.menu) {
    slot.menu = new QMenu(slot.bar_action->text(), menuBar());
    menuBar()->insertMenu(slot.bar_action, slot.menu);
    menuBar()->removeAction(slot.bar_action);
    slot.bar_action->deleteLater();
    slot.bar_action = nullptr;
  }
  return slot.menu->addAction(text);
}

QMenu* FrameWindow::menu(int number) const {
  const auto found = menus_.find(number);
  return found == menus_.end() ? nullptr : found->second.menu;
}

void FrameWindow::add_menu_item(MenuItem item) {
  const bool title = !menus_.contains(item.menu);
  QAction* action = menu_action(item.menu, QString::fromStdString(item.text),
                                item.command != MenuCommand::kNone);
  action->setEnabled((item.flags & kMenuEnabled) != 0);
  if (!title || item.command != MenuCommand::kNone) connect_command(action, item);
}

void FrameWindow::connect_command(QAction* action, const MenuItem& item) {
  auto on = [this, action](auto slot) { connect(action, &QAction::triggered, this, slot); };
  switch (item.command) {
    case MenuCommand::kNone: break;
    case MenuCommand::kHandler:
      on([this, handler = item.handler] {
        if (handler) handler();
        platform_.wake();
      });
      break;
    case MenuCommand::kExit: on([this] { exit_program(); }); break;
    case MenuCommand::kSelectWhole: on([this] { select_whole_window(); }); break;
    case MenuCommand::kSelectPart: on([this] { select_part_of_window(); }); break;
    case MenuCommand::kCopy: on([this] { copy_selection(); }); break;
    case MenuCommand::kCascade: on([this] { cascade(); }); break;
    case MenuCommand::kTile: on([this] { tile(); }); break;
    case MenuCommand::kPauseResume:
      pause_action_ = action;
      on([this] { toggle_pause(); });
      break;
    case MenuCommand::kAbout: on([this] { show_about(); }); break;
  }
}

void FrameWindow::set_about_text(const QString& text) { about_text_ = text; }

void FrameWindow::show_about() {
  QString text = about_text_;
  text.replace(QChar('\r'), QChar('\n'));
  QMessageBox::about(this, QStringLiteral("О программе"), text);
}

void FrameWindow::update_pause_label() {
  if (!pause_action_) return;
  const bool paused = platform_.paused();
  pause_action_->setText(paused ? kResumeLabel : kPauseLabel);
  pause_action_->setShortcut(QKeySequence(paused ? QStringLiteral("Ctrl+Q")
                                                 : QStringLiteral("Ctrl+S")));
  paused_->setVisible(paused);
  pause_label_updated_ = true;
}

void FrameWindow::toggle_pause() {
  platform_.set_paused(!platform_.paused());
  update_pause_label();
}

void FrameWindow::exit_program() {
  platform_.request_stop();
  program_ended(0);
}

void FrameWindow::run_posted() { platform_.run_posted(); }

void FrameWindow::closeEvent(QCloseEvent* event) {
  exit_program();
  event->accept();
}

// Numbered windows -----------------------------------------------------------------------------

QMdiSubWindow* FrameWindow::sub_window(int window) const {
  auto found = children_.find(window);
  return found == children_.end() ? nullptr : found->second.sub;
}

CanvasView* FrameWindow::view(int window) const {
  auto found = children_.find(window);
  return found == children_.end() ? nullptr : found->second.view;
}

int FrameWindow::window_number(const QMdiSubWindow* sub) const {
  for (const auto& [window, child] : children_) {
    if (child.sub == sub) return window;
  }
  return 0;
}

void FrameWindow::open_window(int window, const QString& title) {
  if (QMdiSubWindow* sub = sub_window(window)) {
    sub->setWindowTitle(title);
    focus_window(window);
    return;
  }
  auto* view = new CanvasView(window, [this, window](int event, int keys, int x, int y) {
    platform_.deliver_mouse(window, event, keys, x, y);
  });
  auto* scroll = new PictureScroll;
  scroll->setBackgroundRole(QPalette::Dark);
  scroll->setWidget(view);
  auto* sub = new ChildWindow;
  sub->setWidget(scroll);
  sub->setWindowTitle(title);
  mdi_->addSubWindow(sub);
  sub->setWindowFlags(ChildWindow::kFlags);
  children_[window] = {sub, view};
  sub->show();
}


void FrameWindow::configure_window(int window) {
  auto found = children_.find(window);
  if (found == children_.end()) return;
  found->second.view->refresh(platform_.canvas(window));
  // The whole canvas; the MDI area scrolls when the frame is smaller.
  found->second.sub->resize(found->second.sub->sizeHint());
}

void FrameWindow::close_window(int window) {
  auto found = children_.find(window);
  if (found == children_.end()) return;
  QMdiSubWindow* sub = found->second.sub;
  children_.erase(found);
  if (selected_window_ == window) selected_window_ = 0;
  mdi_->removeSubWindow(sub);
  delete sub;
}

void FrameWindow::focus_window(int window) {
  QMdiSubWindow* sub = sub_window(window);
  if (!sub) return;
  if (sub->isMinimized()) sub->showNormal();
  sub->raise();
  mdi_->setActiveSubWindow(sub);
}

void FrameWindow::apply_frame(const FrameWindowState& frame) {
  const Qt::WindowStates others = windowState() & ~(Qt::WindowMaximized | Qt::WindowMinimized);
  if (frame.state == kFrameMaximise) {
    setWindowState(others | Qt::WindowMaximized);
    QTimer::singleShot(kMaximiseCheckMilliseconds, this, [this] { fill_screen_if_not_maximised(); });
  } else if (frame.state == kFramePlace) {
    setWindowState(others);
    move(frame.x, frame.y);
    resize(frame.width, frame.height);
  }
}

// Without a window manager (a bare X server) the maximised state changes nothing on the screen:
// the frame then takes the screen's free area itself.
void FrameWindow::fill_screen_if_not_maximised() {
  if (!isMaximized() || !screen()) return;
  const QRect area = screen()->availableGeometry();
  if (frameGeometry().width() * 10 < area.width() * 9 ||
      frameGeometry().height() * 10 < area.height() * 9) {
    setGeometry(area);
  }
}

// The MDI area's size, or the size it will have once a requested maximise is done: the program
// arranges its windows right after maximising the frame, before the window system has resized it.
QSize FrameWindow::arrangement_area() const {
  const QSize area = mdi_->viewport()->size();
  if (!isMaximized() || !screen()) return area;
  const QSize chrome = frameGeometry().size() - area;
  return area.expandedTo(screen()->availableGeometry().size() - chrome);
}

// A staircase from the top-left corner in stacking order, the back window first, so that each
// window stands in front of the one before. The steps are as long as the area allows (at least a
// title bar), so the windows behind show as much as they can. Each window keeps its full size
// where there is room; where there is not, all are cut to what the staircase leaves, so that each
// still stands out from the one before (the pictures then scroll).
void FrameWindow::cascade() {
  QList<QMdiSubWindow*> subs;
  for (QMdiSubWindow* sub : mdi_->subWindowList(QMdiArea::StackingOrder)) {
    if (sub->isVisible() && !sub->isMinimized()) subs << sub;
  }
  if (subs.isEmpty()) return;
  for (QMdiSubWindow* sub : subs) {
    if (sub->isMaximized()) sub->showNormal();
  }
  const QSize area = arrangement_area();
  QSize largest;
  for (QMdiSubWindow* sub : subs) largest = largest.expandedTo(sub->sizeHint());
  const int min_step = style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, subs.front());
  const int gaps = static_cast<int>(subs.size()) - 1;
  auto step = [&](int area_side, int largest_side, int smallest_side) {
    if (gaps == 0) return 0;
    const int spread = (area_side - largest_side) / gaps;
    const int most = std::max(1, (area_side - smallest_side) / gaps);
    return std::min(std::max(min_step, spread), most);
  };
  const int dx = step(area.width(), largest.width(), kMinCascadeWidth);
  const int dy = step(area.height(), largest.height(), kMinCascadeHeight);
  const QSize room = (area - QSize(gaps * dx, gaps * dy))
                         .expandedTo(QSize(kMinCascadeWidth, kMinCascadeHeight));
  for (int i = 0; i < static_cast<int>(subs.size()); ++i) {
    subs[i]->setGeometry(QRect(QPoint(i * dx, i * dy), subs[i]->sizeHint().boundedTo(room)));
  }
}

void FrameWindow::tile() { mdi_->tileSubWindows(); }

void FrameWindow::refresh() {
  if (!pause_label_updated_) update_pause_label();
  for (auto& [window, child] : children_) child.view->refresh(platform_.canvas(window));
}

// Status bar -----------------------------------------------------------------------------------

void FrameWindow::show_progress(const TraceProgress& progress) {
  progress_->setText(progress_text(progress));
}

void FrameWindow::show_ready() { progress_->clear(); }

void FrameWindow::show_warning(const QString& message) {
  statusBar()->showMessage(message, kWarningMilliseconds);
}

// Selection and clipboard ----------------------------------------------------------------------

CanvasView* FrameWindow::current_view() const {
  return view(window_number(mdi_->currentSubWindow()));
}

void FrameWindow::select_whole_window() {
  if (CanvasView* previous = view(selected_window_)) previous->clear_selection();
  CanvasView* target = current_view();
  selected_window_ = target ? target->window_number() : 0;
  if (target) target->select_all();
}

void FrameWindow::select_part_of_window() {
  if (CanvasView* previous = view(selected_window_)) previous->clear_selection();
  CanvasView* target = current_view();
  selected_window_ = target ? target->window_number() : 0;
  if (target) target->begin_part_selection();
}

// The selection, or the whole current window when nothing is selected.
void FrameWindow::copy_selection() {
  CanvasView* source = view(selected_window_);
  if (!source || !source->selection()) source = current_view();
  if (!source) return;
  const QImage image = source->selected_image();
  if (!image.isNull() && copy_hook_) {
    const QRect part = source->selection().value_or(QRect(QPoint(0, 0), image.size()));
    copy_hook_(source->window_number(), part, image);
  } else if (!image.isNull()) {
    QGuiApplication::clipboard()->setImage(image);
  }
  source->clear_selection();
  selected_window_ = 0;
}

}  // namespace lumi
