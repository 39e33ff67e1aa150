// The desktop platform: the program thread, its waits, and the window operations posted to the
// frame window.
#include "platform/qt/qt_platform.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <utility>

#include "model/diagnostics_log.h"
#include "platform/qt/file_dialog.h"
#include "platform/qt/frame_window.h"
#include "platform/qt/recent_files.h"
#include "platform/qt/scheme_editor.h"
#include "platform/qt/scheme_file_commands.h"

namespace lumi {

namespace {

// An idle program thread looks at the mouse again this often, or sooner when an event arrives.
constexpr auto kIdleWait = std::chrono::milliseconds(10);
// How long the end of the run waits for the program thread to leave the element it traces.
constexpr auto kStopTimeout = std::chrono::seconds(5);

QString from_utf8(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString folder_of(const std::optional<std::string>& path) {
  if (!path) return {};
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(*path, error);
  return error ? QString() : QString::fromStdString(absolute.parent_path().string());
}

}  // namespace

QtPlatform::QtPlatform(std::optional<std::string> first_scheme)
    : frame_(std::make_unique<FrameWindow>(*this)), first_scheme_(std::move(first_scheme)) {
  chooser_ = [dialog = std::make_shared<SchemeFileDialog>(folder_of(first_scheme_))](
                 const OpenFileRequest& request, QWidget* parent) {
    return dialog->choose(request, parent);
  };
}

QtPlatform::~QtPlatform() { finish(0); }

// The program thread -----------------------------------------------------------------------------

void QtPlatform::start(std::function<int()> program) {
  frame_->show();
  {
    std::lock_guard lock(mutex_);
    running_ = true;
  }
  thread_ = std::thread([this, program = std::move(program)] {
    int status = 0;
    try {
      status = program();
    } catch (const ProgramStopped&) {
      status = 0;
    } catch (const std::exception& error) {
      std::cerr << "lumirastra: " << error.what() << '\n';
      status = 1;
    }
    post([this, status] { frame_->program_ended(status); });
    {
      std::lock_guard lock(mutex_);
      running_ = false;
    }
    changed_.notify_all();
  });
}

bool QtPlatform::program_running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

void QtPlatform::request_stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_.store(true);
  }
  changed_.notify_all();
}

bool QtPlatform::stop(std::chrono::milliseconds timeout) {
  request_stop();
  if (!thread_.joinable()) return true;
  std::unique_lock lock(mutex_);
  if (!changed_.wait_for(lock, timeout, [this] { return !running_; })) return false;
  lock.unlock();
  thread_.join();
  return true;
}

int QtPlatform::finish(int status) {
  if (!stop(kStopTimeout)) {
    std::cerr << "lumirastra: трассировка не остановилась, программа завершается\n";
    std::fflush(nullptr);
    std::quick_exit(status);
  }
  return status;
}

void QtPlatform::gate() {
  if (!paused_.load(std::memory_order_relaxed) && !stopping_.load(std::memory_order_relaxed)) {
    return;
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !paused_.load() || stopping_.load(); });
  if (stopping_.load()) throw ProgramStopped{};
}

void QtPlatform::set_paused(bool paused) {
  {
    std::lock_guard lock(mutex_);
    paused_.store(paused);
  }
  changed_.notify_all();
}

void QtPlatform::wake() {
  {
    std::lock_guard lock(mutex_);
    woken_ = true;
  }
  changed_.notify_all();
}

void QtPlatform::idle() {
  std::deque<std::function<void()>> tasks;
  {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, kIdleWait, [this] { return woken_ || stopping_.load(); });
    woken_ = false;
    if (stopping_.load()) throw ProgramStopped{};
    tasks.swap(program_tasks_);
  }
  for (const std::function<void()>& task : tasks) task();
}

void QtPlatform::run_in_program(std::function<void()> task) {
  {
    std::lock_guard lock(mutex_);
    program_tasks_.push_back(std::move(task));
  }
  wake();
}

// The operation itself goes through a queue of our own, under a standard mutex, and Qt's event
// only says "run what is queued", by the name of the frame window's method, so nothing the
// program thread allocated is read on the GUI thread without that lock.
void QtPlatform::post(std::function<void()> operation) {
  if (QThread::currentThread() == frame_->thread()) {
    operation();
    return;
  }
  {
    std::lock_guard lock(posted_mutex_);
    posted_.push_back(std::move(operation));
  }
  QMetaObject::invokeMethod(frame_.get(), "run_posted", Qt::QueuedConnection);
}

// Each operation runs outside the lock.
void QtPlatform::run_posted() {
  for (;;) {
    std::function<void()> operation;
    {
      std::lock_guard lock(posted_mutex_);
      if (posted_.empty()) return;
      operation = std::move(posted_.front());
      posted_.pop_front();
    }
    operation();
  }
}

template <class T>
T QtPlatform::ask(std::function<T()> question) {
  auto answer = std::make_shared<std::optional<T>>();
  post([this, answer, question = std::move(question)] {
    if (stopping_.load()) return;
    T value = question();
    {
      std::lock_guard lock(mutex_);
      *answer = std::move(value);
    }
    changed_.notify_all();
  });
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return answer->has_value() || stopping_.load(); });
  if (!answer->has_value()) throw ProgramStopped{};
  return std::move(**answer);
}

// Frame, menus and windows -------------------------------------------------------------------------

void QtPlatform::set_frame_window(int state, int x, int y, int height, int width) {
  RasterDisplay::set_frame_window(state, x, y, height, width);
  const FrameWindowState frame{state, x, y, height, width};
  post([this, frame] { frame_->apply_frame(frame); });
}

void QtPlatform::append_menu_item(MenuItem item) {
  post([this, item = std::move(item)]() mutable { frame_->add_menu_item(std::move(item)); });
}

void QtPlatform::set_about_text(std::string_view text) {
  post([this, text = from_utf8(text)] { frame_->set_about_text(text); });
}

void QtPlatform::open_child_window(int window, std::string_view title) {
  gate();
  RasterDisplay::open_child_window(window, title);
  if (!this->title(window)) return;
  // The program pads captions with blanks to a fixed width; Qt centres captions, so the padding
  // would only push them aside.
  const std::size_t end = title.find_last_not_of(' ');
  const std::string_view shown = end == std::string_view::npos ? "" : title.substr(0, end + 1);
  post([this, window, caption = from_utf8(shown)] { frame_->open_window(window, caption); });
  // The scheme window opens once a chosen scheme was read and accepted: it becomes recent.
  if (window == 1 && chosen_) {
    post([path = QString::fromStdString(*chosen_)] { RecentFiles::add(path); });
    chosen_.reset();
  }
}

void QtPlatform::close_window(int window) {
  gate();
  RasterDisplay::close_window(window);
  {
    std::lock_guard lock(mouse_mutex_);
    mouse_handlers_.erase(window);
  }
  post([this, window] { frame_->close_window(window); });
}

bool QtPlatform::set_window_config(int window, int width, int height) {
  gate();
  if (!RasterDisplay::set_window_config(window, width, height)) return false;
  post([this, window] { frame_->configure_window(window); });
  return true;
}

bool QtPlatform::focus_window(int window) {
  gate();
  if (!RasterDisplay::focus_window(window)) return false;
  post([this, window] { frame_->focus_window(window); });
  return true;
}

void QtPlatform::click_menu_command(int command) {
  RasterDisplay::click_menu_command(command);
  if (command == kCommandCascade) post([this] { frame_->cascade(); });
}

// Mouse ------------------------------------------------------------------------------------------

void QtPlatform::register_mouse_handler(int window, int event_mask, MouseHandler handler) {
  {
    std::lock_guard lock(mouse_mutex_);
    if (!handler || event_mask == 0) {
      mouse_handlers_.erase(window);
      return;
    }
    mouse_handlers_[window] = {event_mask, std::move(handler)};
  }
  // The mouse is armed once the scheme is traced.
  post([this] { frame_->show_ready(); });
}

bool QtPlatform::mouse_handler_registered(int window) const {
  std::lock_guard lock(mouse_mutex_);
  return mouse_handlers_.contains(window);
}

void QtPlatform::deliver_mouse(int window, int event, int key_state, int x, int y) {
  {
    std::lock_guard lock(mouse_mutex_);
    auto found = mouse_handlers_.find(window);
    if (found == mouse_handlers_.end() || (found->second.mask & event) == 0) return;
    found->second.handler(window, event, key_state, x, y);
  }
  wake();
}

// Drawing: the pause gate, then the canvas ------------------------------------------------------------

void QtPlatform::set_pixel_rgb(int x, int y, Rgb rgb) {
  gate();
  RasterDisplay::set_pixel_rgb(x, y, rgb);
}

void QtPlatform::line_to(int x, int y) {
  gate();
  RasterDisplay::line_to(x, y);
}

void QtPlatform::draw_rectangle(int mode, int x1, int y1, int x2, int y2) {
  gate();
  RasterDisplay::draw_rectangle(mode, x1, y1, x2, y2);
}

void QtPlatform::draw_text(std::string_view text) {
  gate();
  RasterDisplay::draw_text(text);
}

void QtPlatform::write_text(std::string_view text) {
  gate();
  RasterDisplay::write_text(text);
}

// Dialogs and reports ----------------------------------------------------------------------------

std::optional<std::string> QtPlatform::answer_ahead() {
  std::optional<std::string> path;
  if (first_scheme_) {
    path.swap(first_scheme_);
    return path;
  }
  std::lock_guard lock(mutex_);
  path.swap(next_answer_);
  return path;
}

void QtPlatform::answer_next_dialog(std::optional<std::string> path) {
  std::lock_guard lock(mutex_);
  next_answer_ = std::move(path);
}

std::optional<std::string> QtPlatform::choose_file(const OpenFileRequest& request) {
  gate();
  chosen_ = answer_ahead();
  post([this] { frame_->show_ready(); });  // no trace runs now: an open request took effect
  if (!chosen_) {
    chosen_ = ask<std::optional<std::string>>(
        [this, request] { return chooser_(request, frame_.get()); });
  }
  return chosen_;
}

void QtPlatform::scheme_installed(const SchemeDocument& document,
                                  const std::array<ElementRecord, kMaxElements>& records,
                                  bool edited) {
  post([this, document, records, edited] {
    frame_->editor().scheme_installed(document, records, edited);
    frame_->scheme_files().watch(QString::fromStdString(document.label()));
  });
}

std::optional<SchemeDocument> QtPlatform::take_changed_scheme() {
  std::lock_guard lock(document_mutex_);
  return std::exchange(changed_scheme_, std::nullopt);
}

void QtPlatform::submit_changed_scheme(SchemeDocument document) {
  std::function<void()> raise;
  {
    std::lock_guard lock(document_mutex_);
    changed_scheme_ = std::move(document);
    raise = change_handler_;
  }
  if (raise) raise();
  wake();
}

void QtPlatform::set_change_handler(std::function<void()> handler) {
  std::lock_guard lock(document_mutex_);
  change_handler_ = std::move(handler);
}

void QtPlatform::hold_layout(bool hold) {
  post([this, hold] { frame_->hold_layout(hold); });
}

void QtPlatform::scheme_drawn(const SchemeLayout& layout) {
  {
    std::lock_guard lock(document_mutex_);
    layout_ = layout;
  }
  post([this] { frame_->editor().scheme_drawn(); });
}

std::optional<SchemeLayout> QtPlatform::scheme_layout() const {
  std::lock_guard lock(document_mutex_);
  return layout_;
}

void QtPlatform::reload(std::string path) {
  answer_next_dialog(std::move(path));
  frame_->request_open();
}

void QtPlatform::report_error(std::string_view message) {
  gate();
  std::cerr << "lumirastra: " << message << '\n';
  ask<bool>([this, text = from_utf8(message)] {
    QMessageBox::warning(frame_.get(), QStringLiteral("Ошибка"), text);
    return true;
  });
}

void QtPlatform::report_warning(std::string_view message) {
  std::cerr << "lumirastra: предупреждение: " << message << '\n';
  post([this, text = from_utf8(message)] { frame_->show_warning(text); });
}

void QtPlatform::report_progress(const TraceProgress& progress) {
  post([this, progress] { frame_->show_progress(progress); });
}

std::filesystem::path QtPlatform::log_path_for(const std::string&) {
  const std::filesystem::path name(std::u8string(kLogFileName.begin(), kLogFileName.end()));
  std::error_code error;
  std::filesystem::path folder = std::filesystem::current_path(error);
  return error ? name : folder / name;
}

}  // namespace lumi
