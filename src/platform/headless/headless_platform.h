// The platform of the headless tracer: the open dialog is answered by the scheme files named on
// the command line, in order, and then cancelled; when a scheme is done its windows are written as
// PNG files beside its diagnostics log and the open request is raised, as if the user chose
// "Открыть". Messages go to standard error.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "platform/raster/raster_display.h"

namespace lumi {

struct HeadlessOptions {
  std::vector<std::string> schemes;
  std::filesystem::path out_dir = ".";
};

class HeadlessPlatform : public RasterDisplay {
 public:
  HeadlessPlatform(HeadlessOptions options, std::ostream& messages);

  // Refused schemes and failed writes of images; the tracer's exit status depends on it.
  int error_count() const { return errors_; }
  // The folder of a scheme's log and images: the output folder itself for a single scheme, and
  // its own subfolder `<out>/<scheme name>` for each of several.
  std::filesystem::path folder_for(const std::string& scheme_path) const;

  void append_menu_item(MenuItem item) override;
  void set_about_text(std::string_view text) override;
  void register_mouse_handler(int window, int event_mask, MouseHandler handler) override;
  std::optional<std::string> choose_file(const OpenFileRequest& request) override;
  void report_error(std::string_view message) override;
  void report_warning(std::string_view message) override;
  void report_progress(const TraceProgress& progress) override;
  void idle() override;
  std::filesystem::path log_path_for(const std::string& scheme_path) override;

 private:
  void write_windows();
  void finish_progress_line();

  HeadlessOptions options_;
  std::vector<std::filesystem::path> folders_;  // one per scheme, unique
  std::ostream& messages_;
  int errors_ = 0;
  std::size_t next_scheme_ = 0;
  std::filesystem::path current_folder_;
  std::function<void()> open_handler_;
  MouseHandler mouse_handler_;

  // Progress is shown only for schemes that take more than a second.
  using Clock = std::chrono::steady_clock;
  Clock::time_point scheme_started_{};
  Clock::time_point last_progress_{};
  bool progress_shown_ = false;
};

}  // namespace lumi
