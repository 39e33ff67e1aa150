// The platform of the headless tracer: the open dialog is answered by the scheme files named on
// the command line, in order, and then cancelled; when a scheme is done its windows are written as
// PNG files beside its diagnostics log and the open request is raised, as if the user chose
// "Открыть". Scripted mouse and menu events, if any, are played before that, one per interactive
// step. Messages go to standard error.
#pragma once

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/headless/file_watch.h"
#include "platform/headless/scripted_events.h"
#include "platform/raster/raster_display.h"

namespace lumi {

struct HeadlessOptions {
  std::vector<std::string> schemes;
  std::filesystem::path out_dir = ".";
  std::vector<ScriptedEvent> events;  // played one per interactive step
  // Messages go to a terminal: progress rewrites one line in place. Elsewhere (a file, a CI log)
  // it is written as whole lines, less often.
  bool terminal = false;
  // Each scheme as read (after any overrides) is also written to this file.
  std::string save_scheme;
  // When every scheme is done, wait for one of the files to change and trace it again, until
  // `stop` is raised.
  bool watch = false;
  const std::atomic<bool>* stop = nullptr;
  bool svg = false;  // each window also as window-NN.svg (focus-KK.svg), vector elements
  // Called when a scheme is done, before its windows are written, with its index on the command
  // line and its folder: for the files written from its results. Returns messages of failed
  // writes, which count as errors.
  std::function<std::vector<std::string>(std::size_t scheme, const std::filesystem::path& folder)>
      scheme_done;
};

class HeadlessPlatform : public RasterDisplay {
 public:
  HeadlessPlatform(HeadlessOptions options, std::ostream& messages);

  // Refused schemes and failed writes of the log or images; the tracer's exit status depends on
  // it.
  int error_count() const { return errors_; }
  // The folder of the log and images of the scheme with this index on the command line: the
  // output folder itself for a single scheme, and its own subfolder `<out>/<scheme name>` for
  // each of several (a scheme named twice gets two folders).
  std::filesystem::path folder_for(std::size_t scheme_index) const;

  void append_menu_item(MenuItem item) override;
  void set_about_text(std::string_view text) override;
  void register_mouse_handler(int window, int event_mask, MouseHandler handler) override;
  std::optional<std::string> choose_file(const OpenFileRequest& request) override;
  void report_error(std::string_view message) override;
  void report_warning(std::string_view message) override;
  void report_progress(const TraceProgress& progress) override;
  void idle() override;
  std::filesystem::path log_path_for(const std::string& scheme_path) override;
  void scheme_read(const SchemeDocument& document) override;

 private:
  void finish_scheme();
  void write_windows();
  void write_svg(int window, const std::string& text);
  void finish_progress_line();
  const ScriptedEvent* next_event(ScriptedEvent::Kind kind) const;

  HeadlessOptions options_;
  std::vector<std::filesystem::path> folders_;  // one per scheme, unique
  std::ostream& messages_;
  int errors_ = 0;
  std::size_t next_scheme_ = 0;
  std::size_t current_scheme_ = 0;     // the index of the scheme the dialog answered last
  std::vector<FileStamp> read_stamps_;  // of each scheme file when it was last read
  std::filesystem::path current_folder_;
  std::filesystem::path log_path_;  // of the current scheme
  std::function<void()> open_handler_;
  MouseHandler mouse_handler_;
  int mouse_mask_ = 0;
  std::size_t next_event_ = 0;

  // Progress is shown only for schemes that take more than a second.
  using Clock = std::chrono::steady_clock;
  Clock::time_point scheme_started_{};
  Clock::time_point last_progress_{};
  bool progress_shown_ = false;
};

}  // namespace lumi
