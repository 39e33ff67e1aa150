// The desktop platform: windows and drawing come from the raster display, shown by the frame
// window on the Qt GUI thread, while the program (the main loop) runs on a thread of its own.
//
// Threads. Drawing goes from the program thread straight into the canvases; the frame window
// repaints changed ones on a timer. Operations on windows update the raster display at once and
// are posted to the GUI thread in the order they were made; the program thread does not wait for
// them. The file dialog and error boxes run on the GUI thread while the program thread waits for
// the answer. Mouse and menu handlers run on the GUI thread and only store values.
//
// Pause blocks the program thread at its next drawing or window operation. Stopping (the "Выход"
// command, or the end of the GUI) wakes the program thread wherever it waits and makes its next
// platform call throw ProgramStopped, which ends the thread; start() catches it.
#pragma once

#include <QWidget>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "model/scheme_document.h"
#include "platform/raster/raster_display.h"

namespace lumi {

class FrameWindow;

// Thrown by platform calls of the program thread once the run is being stopped.
struct ProgramStopped {};

class QtPlatform : public RasterDisplay {
 public:
  // Answers the open dialog; runs on the GUI thread with the frame as the dialog's parent.
  using FileChooser =
      std::function<std::optional<std::string>(const OpenFileRequest& request, QWidget* parent)>;

  // A scheme named on the command line answers the first open dialog instead of the user.
  // Construct on the GUI thread, after the QApplication.
  explicit QtPlatform(std::optional<std::string> first_scheme = std::nullopt);
  ~QtPlatform() override;  // stops the program thread (see finish)

  FrameWindow& frame() { return *frame_; }
  // Replaces the file dialog (tests answer it themselves). Call before start().
  void set_file_chooser(FileChooser chooser) { chooser_ = std::move(chooser); }

  // Shows the frame window and runs `program` on the program thread. When it returns, or ends
  // with ProgramStopped, the frame window emits ended(status).
  void start(std::function<int()> program);
  // Stops the program thread and waits up to `timeout` for it to end. True when it ended (or
  // never started).
  bool stop(std::chrono::milliseconds timeout);
  bool program_running() const;
  // GUI thread: runs the window operations the program thread posted, in order.
  void run_posted();
  // For main(), after the event loop: stops the program thread and returns `status`. A thread
  // still busy after a few seconds would outlive the objects it uses, so the process then ends
  // at once with std::quick_exit(status).
  int finish(int status);

  // GUI thread: `task` runs on the program thread at its next idle moment (a scheme traced, between
  // interactive steps), where what the program owns (its results, the windows' vector drawings)
  // may be read.
  void run_in_program(std::function<void()> task);
  // Program thread: `operation` runs on the GUI thread, after the window operations posted before.
  void run_in_gui(std::function<void()> operation) { post(std::move(operation)); }

  // GUI thread.
  void deliver_mouse(int window, int event, int key_state, int x, int y);
  void wake();  // an event arrived: the idle program thread looks again
  void request_stop();
  void set_paused(bool paused);
  // The next open dialog is answered with `path` instead of being shown (a recent file); nothing
  // lets it be shown again.
  void answer_next_dialog(std::optional<std::string> path);
  bool paused() const { return paused_.load(std::memory_order_relaxed); }
  bool mouse_handler_registered(int window) const;
  // The scheme file at `path` changed and reads as an accepted scheme: it is read again as if
  // the user chose "Открыть" and picked it.
  void reload(std::string path);
  // A changed scheme to trace in place of the one shown: the program takes the last one given
  // at its next element or block of rays.
  void submit_changed_scheme(SchemeDocument document);
  // The scheme window as the program drew it last, once it follows the mouse.
  std::optional<SchemeLayout> scheme_layout() const;

  // Platform, on the program thread (initial_settings may call the first ones on the GUI thread).
  void set_frame_window(int state, int x, int y, int height, int width) override;
  void append_menu_item(MenuItem item) override;
  void set_about_text(std::string_view text) override;
  void open_child_window(int window, std::string_view title) override;
  void close_window(int window) override;
  bool set_window_config(int window, int width, int height) override;
  bool focus_window(int window) override;
  void click_menu_command(int command) override;
  void register_mouse_handler(int window, int event_mask, MouseHandler handler) override;

  void set_pixel_rgb(int x, int y, Rgb rgb) override;
  void line_to(int x, int y) override;
  void draw_rectangle(int mode, int x1, int y1, int x2, int y2) override;
  void draw_text(std::string_view text) override;
  void write_text(std::string_view text) override;

  std::optional<std::string> choose_file(const OpenFileRequest& request) override;
  void report_error(std::string_view message) override;
  void report_warning(std::string_view message) override;
  void report_progress(const TraceProgress& progress) override;
  void idle() override;
  std::filesystem::path log_path_for(const std::string& scheme_path) override;
  void scheme_installed(const SchemeDocument& document,
                        const std::array<ElementRecord, kMaxElements>& records,
                        bool edited) override;
  std::optional<SchemeDocument> take_changed_scheme() override;
  void hold_layout(bool hold) override;
  void scheme_drawn(const SchemeLayout& layout) override;
  void set_change_handler(std::function<void()> handler) override;

 private:
  struct MouseRegistration {
    int mask = 0;
    MouseHandler handler;
  };

  void gate();                              // waits while paused; throws once stopping
  std::optional<std::string> answer_ahead();  // the command line's scheme or a recent file
  void post(std::function<void()> operation);  // to the GUI thread, in order
  template <class T>
  T ask(std::function<T()> question);  // runs on the GUI thread; the program thread waits

  std::unique_ptr<FrameWindow> frame_;
  FileChooser chooser_;
  std::optional<std::string> first_scheme_;  // program thread, once consumed
  std::optional<std::string> chosen_;  // program thread: the last answer, until its scheme opens

  mutable std::mutex document_mutex_;  // guards the three below
  std::optional<SchemeDocument> changed_scheme_;  // waits for the program
  std::optional<SchemeLayout> layout_;
  std::function<void()> change_handler_;

  std::mutex posted_mutex_;  // guards posted_
  std::deque<std::function<void()>> posted_;
  mutable std::mutex mouse_mutex_;  // guards mouse_handlers_; held while a handler runs
  std::map<int, MouseRegistration> mouse_handlers_;

  // The program thread's waits: pause, answers from the GUI thread, idle, stopping.
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool woken_ = false;
  std::optional<std::string> next_answer_;  // from answer_next_dialog
  bool running_ = false;
  std::atomic<bool> paused_{false};
  std::atomic<bool> stopping_{false};
  std::deque<std::function<void()>> program_tasks_;  // guarded by mutex_
  std::thread thread_;
};

}  // namespace lumi
