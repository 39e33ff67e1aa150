// The headless platform: command-line answers to the open dialog, PNG output, messages on stderr.
#include "platform/headless/headless_platform.h"

#include <cstdio>
#include <ostream>
#include <set>
#include <system_error>

#include "graphics/focus_chart.h"
#include "model/diagnostics_log.h"
#include "model/scheme_document.h"
#include "model/scheme_error.h"
#include "model/system_error.h"
#include "model/text_file.h"
#include "platform/raster/png_writer.h"

namespace lumi {

namespace {

constexpr auto kProgressDelay = std::chrono::seconds(1);
constexpr auto kProgressInterval = std::chrono::milliseconds(250);
constexpr auto kProgressLineInterval = std::chrono::seconds(5);

// Folder names of several schemes: the file name without its extension, made unique with a
// numbered suffix when two schemes share a name.
std::vector<std::filesystem::path> scheme_folders(const HeadlessOptions& options) {
  std::vector<std::filesystem::path> folders;
  if (options.schemes.size() == 1) return {options.out_dir};
  std::set<std::string> used;
  for (const std::string& scheme : options.schemes) {
    std::string stem = std::filesystem::path(scheme).stem().string();
    if (stem.empty()) stem = "scheme";
    std::string name = stem;
    for (int n = 2; !used.insert(name).second; ++n) name = stem + "-" + std::to_string(n);
    folders.push_back(options.out_dir / name);
  }
  return folders;
}

// The scheme's windows keep their numbers; a focal plane's through-focus chart is named after
// the plane.
std::string window_file_name(int window, const char* extension = "png") {
  char name[32];
  if (window > kFocusChartBase) {
    std::snprintf(name, sizeof name, "focus-%02d.%s", window - kFocusChartBase, extension);
  } else {
    std::snprintf(name, sizeof name, "window-%02d.%s", window, extension);
  }
  return name;
}

}  // namespace

HeadlessPlatform::HeadlessPlatform(HeadlessOptions options, std::ostream& messages)
    : options_(std::move(options)), folders_(scheme_folders(options_)), messages_(messages) {
  set_vector_recording(options_.svg);
}

std::filesystem::path HeadlessPlatform::folder_for(std::size_t scheme_index) const {
  return scheme_index < folders_.size() ? folders_[scheme_index] : options_.out_dir;
}

void HeadlessPlatform::append_menu_item(MenuItem item) {
  if (item.command == MenuCommand::kHandler) open_handler_ = std::move(item.handler);
}

void HeadlessPlatform::set_about_text(std::string_view) {}

void HeadlessPlatform::register_mouse_handler(int, int event_mask, MouseHandler handler) {
  mouse_handler_ = std::move(handler);
  mouse_mask_ = event_mask;
}

const ScriptedEvent* HeadlessPlatform::next_event(ScriptedEvent::Kind kind) const {
  if (next_event_ >= options_.events.size()) return nullptr;
  const ScriptedEvent& event = options_.events[next_event_];
  return event.kind == kind ? &event : nullptr;
}

// The schemes of the command line in order; then, when watching, each scheme again as its file
// changes.
std::optional<std::string> HeadlessPlatform::choose_file(const OpenFileRequest&) {
  const std::vector<std::string>& schemes = options_.schemes;
  if (next_scheme_ < schemes.size()) {
    current_scheme_ = next_scheme_++;
    read_stamps_.push_back(stamp_of(schemes[current_scheme_]));
    return schemes[current_scheme_];
  }
  if (!options_.watch || !options_.stop) return std::nullopt;
  finish_progress_line();
  messages_ << "lumirastra-trace: жду изменений файлов схем (Ctrl+C - выход)\n" << std::flush;
  const std::optional<FileChange> change = wait_for_change(schemes, read_stamps_, *options_.stop);
  if (!change) return std::nullopt;
  current_scheme_ = change->index;
  read_stamps_[current_scheme_] = change->stamp;
  messages_ << "lumirastra-trace: " << schemes[current_scheme_] << ": файл изменился\n"
            << std::flush;
  return schemes[current_scheme_];
}

void HeadlessPlatform::report_error(std::string_view message) {
  finish_progress_line();
  ++errors_;
  messages_ << "lumirastra-trace: " << message << '\n' << std::flush;
}

// A lost log line leaves the scheme's result incomplete, which the exit status must tell; the
// log's own warnings begin with its path.
void HeadlessPlatform::report_warning(std::string_view message) {
  const std::string log = log_path_.string();
  if (!log.empty() && message.starts_with(log) && message.substr(log.size()).starts_with(": ")) {
    report_error(message);
    return;
  }
  finish_progress_line();
  messages_ << "lumirastra-trace: предупреждение: " << message << '\n' << std::flush;
}

void HeadlessPlatform::report_progress(const TraceProgress& progress) {
  const ScriptedEvent* open = next_event(ScriptedEvent::Kind::kOpenWhileTracing);
  if (open && progress.shift == 0 && open->element == progress.element) {
    ++next_event_;
    if (open_handler_) open_handler_();
  }

  const Clock::time_point now = Clock::now();
  if (progress.element == 1 && progress.shift == 0) {
    scheme_started_ = now;
    last_progress_ = {};
    return;
  }
  const auto interval = options_.terminal ? kProgressInterval : kProgressLineInterval;
  if (now - scheme_started_ < kProgressDelay || now - last_progress_ < interval) return;
  last_progress_ = now;
  messages_ << (options_.terminal ? "\r" : "") << "трассировка: элемент " << progress.element
            << " из " << progress.elements;
  if (progress.shifts > 0) {
    messages_ << ", смещение " << progress.shift << " из " << progress.shifts;
  }
  if (options_.terminal) {
    messages_ << "      " << std::flush;
    progress_shown_ = true;
  } else {
    messages_ << std::endl;
  }
}

void HeadlessPlatform::finish_progress_line() {
  if (!progress_shown_) return;
  messages_ << '\n';
  progress_shown_ = false;
}

// The scheme whose log is asked for is the one the dialog answered last.
std::filesystem::path HeadlessPlatform::log_path_for(const std::string&) {
  current_folder_ = folder_for(current_scheme_);
  std::error_code error;
  std::filesystem::create_directories(current_folder_, error);
  if (error) {
    report_error("не удалось создать папку " + current_folder_.string() + ": " +
                 system_error_text(error));
  }
  log_path_ = current_folder_ / std::filesystem::path(std::u8string(kLogFileName.begin(),
                                                                    kLogFileName.end()));
  return log_path_;
}

void HeadlessPlatform::scheme_read(const SchemeDocument& document) {
  if (options_.save_scheme.empty()) return;
  try {
    document.save(options_.save_scheme);
  } catch (const SchemeError& error) {
    report_error(error.what());
    return;
  }
  // Saved over a scheme being watched: what was written here is no change to trace again.
  for (std::size_t i = 0; i < read_stamps_.size(); ++i) {
    std::error_code error;
    if (std::filesystem::equivalent(options_.save_scheme, options_.schemes[i], error)) {
      read_stamps_[i] = stamp_of(options_.schemes[i]);
    }
  }
}

// Nothing changed in the last interactive step: the next scripted mouse event is delivered, or,
// when the scheme's events are played, the scheme is done.
void HeadlessPlatform::idle() {
  if (const ScriptedEvent* e = next_event(ScriptedEvent::Kind::kMouse)) {
    ++next_event_;
    if (mouse_handler_ && (e->event & mouse_mask_) != 0) mouse_handler_(1, e->event, e->keys, e->x, e->y);
    return;
  }
  if (next_event(ScriptedEvent::Kind::kOpen)) ++next_event_;
  finish_scheme();
}

// The windows are written and a new scheme is requested, as if the user chose "Открыть".
void HeadlessPlatform::finish_scheme() {
  finish_progress_line();
  if (options_.scheme_done) {
    for (const std::string& error : options_.scheme_done(next_scheme_ - 1, current_folder_)) {
      report_error(error);
    }
  }
  write_windows();
  if (open_handler_) open_handler_();
}

void HeadlessPlatform::write_windows() {
  for (int w = kFirstWindow; w <= kLastWindow; ++w) {
    std::shared_ptr<Canvas> image = canvas(w);
    if (!image) continue;
    PngResult result = write_png(*image, current_folder_ / window_file_name(w));
    if (!result.ok) report_error(result.error);
    if (const std::optional<std::string> text = svg(w)) write_svg(w, *text);
  }
}

void HeadlessPlatform::write_svg(int window, const std::string& text) {
  const std::string error =
      write_text_file(current_folder_ / window_file_name(window, "svg"), text);
  if (!error.empty()) report_error(error);
}

}  // namespace lumi
