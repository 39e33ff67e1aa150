// The frame window: menus, the MDI sub-windows of the numbered windows, the status bar and the
// built-in commands.
#include "platform/qt/frame_window.h"

#include <QAction>
#include <QClipboard>
#include <QFileInfo>
#include <QUndoStack>
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
#include <utility>

#include "platform/qt/about.h"
#include "platform/qt/canvas_view.h"
#include "platform/qt/element_panel.h"
#include "platform/qt/menu_keys.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/recent_files.h"
#include "platform/qt/scheme_editor.h"
#include "platform/qt/scheme_file_commands.h"
#include "platform/qt/scheme_manipulation.h"
#include "platform/qt/trace_status.h"

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

// The picture wants its full size; when the sub-window is smaller it scrolls, or, fitted, it is
// scaled to the sub-window.
class PictureScroll : public QScrollArea {
 public:
  QSize sizeHint() const override {
    const int frame = 2 * frameWidth();
    return widget() ? widget()->sizeHint() + QSize(frame, frame) : QScrollArea::sizeHint();
  }
};

}  // namespace

FrameWindow::FrameWindow(QtPlatform& platform)
    : platform_(platform), mdi_(new QMdiArea(this)), timer_(new QTimer(this)),
      status_(std::make_unique<TraceStatus>(statusBar())),
      paused_(new QLabel(QStringLiteral("Пауза"), this)),
      editor_(new SchemeEditor(platform, this)),
      scheme_files_(new SchemeFileCommands(platform, *editor_, this)),
      panel_(new ElementPanel(*editor_, this)),
      manipulation_(std::make_unique<SchemeManipulation>(platform, *editor_)) {
  setWindowTitle(QStringLiteral("LumiRastra"));
  mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setCentralWidget(mdi_);
  statusBar()->addPermanentWidget(paused_);
  paused_->hide();
  connect(timer_, &QTimer::timeout, this, &FrameWindow::refresh);
  timer_->start(kRepaintMilliseconds);
  addDockWidget(Qt::LeftDockWidgetArea, panel_);
  panel_->hide();
  connect(editor_, &SchemeEditor::document_changed, this, &FrameWindow::update_title);
  // A refused drag or turn has no row to show its message in
  connect(editor_, &SchemeEditor::refused, this, &FrameWindow::show_warning);
  connect(&editor_->undo_stack(), &QUndoStack::cleanChanged, this, &FrameWindow::update_title);
}

// The MDI area reports the last sub-window's deactivation while QWidget's destructor hides it,
// when this object is no longer a FrameWindow: its handlers must not run then.
FrameWindow::~FrameWindow() {
  // The editor's undo stack, torn down with its parent, reports its clean state changing.
  for (const QObject* sender : {static_cast<QObject*>(mdi_), static_cast<QObject*>(editor_),
                                static_cast<QObject*>(&editor_->undo_stack())}) {
    disconnect(sender, nullptr, this, nullptr);
  }
}

// Menus ----------------------------------------------------------------------------------------

// The first item of a menu number is its title: a drop-down menu, or a command of its own on the
// menu bar. A later item turns a command title into a plain drop-down title.
QAction* FrameWindow::menu_action(int menu, const QString& text, bool command) {
  auto found = menus_.find(menu);
  if (found == menus_.end()) {
    const QString title = with_mnemonic(text, mnemonics_[0]);
    MenuSlot slot;
    if (command) {
      slot.bar_action = menuBar()->addAction(title);
    } else {
      slot.menu = menuBar()->addMenu(title);
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
  // The pause command's label is the platform's own, with its mnemonic (update_pause_label).
  return slot.menu->addAction(
      command && text == QStringLiteral("winstate") ? text : with_mnemonic(text, mnemonics_[menu]));
}

QMenu* FrameWindow::menu(int number) const {
  const auto found = menus_.find(number);
  return found == menus_.end() ? nullptr : found->second.menu;
}

QString FrameWindow::with_menu_mnemonic(int number, const QString& text) {
  return with_mnemonic(text, mnemonics_[number]);
}

void FrameWindow::add_menu_item(MenuItem item) {
  const bool title = !menus_.contains(item.menu);
  // The program's own file commands stand before "Выход" in the same menu.
  if (item.command == MenuCommand::kExit && !title && menus_[item.menu].menu) {
    for (QAction* save : {scheme_files_->save_action(), scheme_files_->save_as_action()}) {
      save->setText(with_mnemonic(save->text(), mnemonics_[item.menu]));
      menus_[item.menu].menu->addAction(save);
    }
  }
  QAction* action = menu_action(item.menu, QString::fromStdString(item.text),
                                item.command != MenuCommand::kNone);
  action->setEnabled((item.flags & kMenuEnabled) != 0);
  add_keys(action, item);  // first: its slots run before the command's own
  if (!title || item.command != MenuCommand::kNone) connect_command(action, item);
  add_scheme_menus(item.command);
}

// Undo and redo follow the last item of the menu that copies; the "Схема" menu follows the
// program's last menu, the about box.
void FrameWindow::add_scheme_menus(MenuCommand after) {
  if (after == MenuCommand::kCopy) {
    QMenu* edit = menus_.rbegin()->second.menu;
    if (!edit) return;
    QString& taken = mnemonics_[menus_.rbegin()->first];
    QAction* undo = editor_->undo_stack().createUndoAction(
        this, with_mnemonic(QStringLiteral("Отменить"), taken));
    undo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    QAction* redo = editor_->undo_stack().createRedoAction(
        this, with_mnemonic(QStringLiteral("Повторить"), taken));
    redo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Shift+Z")));
    edit->addSeparator();
    edit->addAction(undo);
    edit->addAction(redo);
  } else if (after == MenuCommand::kAbout) {
    QMenu* scheme =
        menuBar()->addMenu(with_mnemonic(QStringLiteral("Схема"), mnemonics_[0]));
    QString taken;
    QAction* show = panel_->toggleViewAction();
    show->setText(with_mnemonic(QStringLiteral("Панель элементов"), taken));
    scheme->addAction(show);
    scheme->addSeparator();
    const auto command = [&](const QString& text, auto slot) {
      scheme->addAction(with_mnemonic(text, taken), this, slot);
    };
    command(QStringLiteral("Вставить элемент"), [this] { panel_->insert_element(); });
    command(QStringLiteral("Удалить элемент"), [this] { panel_->remove_element(); });
    command(QStringLiteral("Переместить вверх"), [this] { panel_->move_element(-1); });
    command(QStringLiteral("Переместить вниз"), [this] { panel_->move_element(1); });
    command(QStringLiteral("Включить или выключить"), [this] { panel_->switch_element(); });
  }
}

// The scheme's file, marked while it has unsaved changes.
void FrameWindow::update_title() {
  const std::optional<SchemeDocument>& document = editor_->document();
  if (!document) return;
  const QString name = QFileInfo(QString::fromStdString(document->label())).fileName();
  setWindowTitle(QStringLiteral("LumiRastra — %1[*]").arg(name));
  setWindowModified(editor_->modified());
}

// Shortcuts where the program leaves keys free; "Недавние файлы" goes in before "Выход".
void FrameWindow::add_keys(QAction* action, const MenuItem& item) {
  const QString text = QString::fromStdString(item.text);
  if (const QKeySequence keys = menu_shortcut(text); !keys.isEmpty()) action->setShortcut(keys);
  if (item.command == MenuCommand::kHandler && text == QStringLiteral("Открыть")) {
    open_action_ = action;
    connect(action, &QAction::triggered, this, [this] {
      // Unsaved changes are asked about first; declined, "Открыть" does nothing.
      open_declined_ = !editor_->confirm_discard();
      std::optional<std::string> recent = std::exchange(recent_choice_, std::nullopt);
      if (open_declined_) return;
      platform_.answer_next_dialog(std::move(recent));
      acknowledge_open();
    });
  }
  if (item.command == MenuCommand::kExit && menus_[item.menu].menu) {
    add_recent_files(item.menu, action);
  }
}

void FrameWindow::add_recent_files(int number, QAction* before) {
  QMenu* menu = menus_[number].menu;
  auto* recent = new RecentFilesMenu([this](const QString& path) { open_recent(path); }, menu);
  recent->setTitle(with_mnemonic(recent->title(), mnemonics_[number]));
  menu->insertMenu(before, recent);
  menu->insertSeparator(before);
}

// "Открыть" is chosen with the recent file as the next open dialog's answer: the scheme changes
// when the program's own rules let an open request take effect. "Открыть" chosen by itself
// afterwards shows the dialog again.
void FrameWindow::open_recent(const QString& path) {
  if (!open_action_) return;
  recent_choice_ = path.toStdString();
  open_action_->trigger();
}

void FrameWindow::connect_command(QAction* action, const MenuItem& item) {
  auto on = [this, action](auto slot) { connect(action, &QAction::triggered, this, slot); };
  switch (item.command) {
    case MenuCommand::kNone: break;
    case MenuCommand::kHandler:
      open_handler_ = item.handler;
      on([this, handler = item.handler] {
        if (std::exchange(open_declined_, false)) return;
        if (handler) handler();
        platform_.wake();
      });
      break;
    case MenuCommand::kExit:
      on([this] {
        if (editor_->confirm_discard()) exit_program();
      });
      break;
    case MenuCommand::kSelectWhole: on([this] { select_whole_window(); }); break;
    case MenuCommand::kSelectPart: on([this] { select_part_of_window(); }); break;
    case MenuCommand::kCopy: on([this] { copy_selection(); }); break;
    case MenuCommand::kCascade: on([this] { cascade(); }); break;
    case MenuCommand::kTile:
      on([this] { tile(); });
      if (menus_[item.menu].menu) add_fit_actions(item.menu);
      break;
    case MenuCommand::kPauseResume:
      pause_action_ = action;
      on([this] { toggle_pause(); });
      break;
    case MenuCommand::kAbout: on([this] { show_about(); }); break;
  }
}

void FrameWindow::set_about_text(const QString& text) { about_text_ = text; }

void FrameWindow::request_open() {
  if (open_handler_) open_handler_();
  platform_.wake();
}

void FrameWindow::show_about() {
  QString text = about_text_;
  text.replace(QChar('\r'), QChar('\n'));
  QMessageBox::about(this, about_title(), text);
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
  status_->acknowledge(QStringLiteral("Выход: программа завершается"));
  platform_.request_stop();
  program_ended(0);
}

void FrameWindow::run_posted() { platform_.run_posted(); }

void FrameWindow::closeEvent(QCloseEvent* event) {
  if (!editor_->confirm_discard()) {
    event->ignore();
    return;
  }
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
    if (!layout_held_) focus_window(window);
    return;
  }
  auto* view = new CanvasView(window, [this, window](int event, int keys, int x, int y) {
    platform_.deliver_mouse(window, event, keys, x, y);
  });
  if (window == 1) {
    view->set_interceptor(
        [this](QInputEvent* event, QPoint pixel) { return manipulation_->handle(event, pixel); });
  }
  auto* scroll = new PictureScroll;
  scroll->setBackgroundRole(QPalette::Dark);
  scroll->setWidget(view);
  auto* sub = new ChildWindow;
  sub->setWidget(scroll);
  sub->setWindowTitle(title);
  mdi_->addSubWindow(sub);
  sub->setWindowFlags(ChildWindow::kFlags);
  children_[window] = {sub, scroll, view};
  sub->show();
  update_fit_checks();
}


void FrameWindow::configure_window(int window) {
  auto found = children_.find(window);
  if (found == children_.end()) return;
  found->second.view->refresh(platform_.canvas(window));
  if (layout_held_) return;
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
  update_fit_checks();
}

void FrameWindow::focus_window(int window) {
  QMdiSubWindow* sub = sub_window(window);
  if (!sub || layout_held_) return;
  if (sub->isMinimized()) sub->showNormal();
  sub->raise();
  mdi_->setActiveSubWindow(sub);
}

void FrameWindow::apply_frame(const FrameWindowState& frame) {
  if (layout_held_) return;
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
  if (layout_held_) return;
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

void FrameWindow::tile() {
  set_all_fitted(true);
  mdi_->tileSubWindows();
}

// Fitting ----------------------------------------------------------------------------------------

void FrameWindow::add_fit_actions(int number) {
  QMenu* menu = menus_[number].menu;
  menu->addSeparator();
  QString& taken = mnemonics_[number];
  fit_action_ = menu->addAction(with_mnemonic(QStringLiteral("По размеру окна"), taken));
  fit_all_action_ = menu->addAction(with_mnemonic(QStringLiteral("Все окна по размеру окна"), taken));
  for (QAction* action : {fit_action_, fit_all_action_}) action->setCheckable(true);
  connect(fit_action_, &QAction::triggered, this, [this](bool on) {
    if (CanvasView* target = current_view()) set_fitted(target->window_number(), on);
    update_fit_checks();
  });
  connect(fit_all_action_, &QAction::triggered, this, [this](bool on) { set_all_fitted(on); });
  connect(mdi_, &QMdiArea::subWindowActivated, this, [this] { update_fit_checks(); });
  update_fit_checks();
}

void FrameWindow::set_fitted(int window, bool fitted) {
  auto found = children_.find(window);
  if (found == children_.end()) return;
  const Child& child = found->second;
  const Qt::ScrollBarPolicy bars = fitted ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded;
  child.scroll->setHorizontalScrollBarPolicy(bars);
  child.scroll->setVerticalScrollBarPolicy(bars);
  child.view->set_fitted(fitted);
  child.scroll->setWidgetResizable(fitted);
  update_fit_checks();
}

void FrameWindow::set_all_fitted(bool fitted) {
  for (const auto& [window, child] : children_) set_fitted(window, fitted);
  update_fit_checks();
}

bool FrameWindow::fitted(int window) const {
  const CanvasView* v = view(window);
  return v && v->fitted();
}

void FrameWindow::update_fit_checks() {
  if (!fit_action_) return;
  const CanvasView* active = current_view();
  fit_action_->setEnabled(active != nullptr);
  fit_action_->setChecked(active && active->fitted());
  const bool all = !children_.empty() && std::ranges::all_of(children_, [](const auto& entry) {
    return entry.second.view->fitted();
  });
  fit_all_action_->setChecked(all);
}

void FrameWindow::refresh() {
  if (!pause_label_updated_) update_pause_label();
  for (auto& [window, child] : children_) child.view->refresh(platform_.canvas(window));
}

// Status bar -----------------------------------------------------------------------------------

void FrameWindow::show_progress(const TraceProgress& progress) { status_->show_progress(progress); }

void FrameWindow::show_ready() { status_->show_ready(); }

QLabel* FrameWindow::progress_label() const { return status_->label(); }

// The open request takes effect before the next element, or once the pause is lifted: until then
// the user sees that it was heard.
void FrameWindow::acknowledge_open() {
  if (platform_.paused()) {
    status_->acknowledge(QStringLiteral("Открыть: после снятия паузы (Ctrl+Q)"));
  } else if (status_->tracing()) {
    status_->acknowledge(
        QStringLiteral("Открыть: трассировка остановится перед следующим элементом"));
  }
}

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
