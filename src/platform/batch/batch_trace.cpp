// One scheme traced in a workspace of its own.
#include "platform/batch/batch_trace.h"

#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>

#include "model/cp1251.h"
#include "model/scheme_error.h"
#include "platform/raster/raster_display.h"
#include "shell/main_loop.h"

namespace lumi {

namespace {

// The raster windows with the front end left out. The log goes to the file it was given; a
// failed write is kept, since a log with lines missing is no result.
class BatchDisplay : public RasterDisplay {
 public:
  explicit BatchDisplay(std::filesystem::path log) : log_(std::move(log)) {}

  void append_menu_item(MenuItem) override {}
  void set_about_text(std::string_view) override {}
  void register_mouse_handler(int, int, MouseHandler) override {}
  std::optional<std::string> choose_file(const OpenFileRequest&) override { return {}; }
  void report_error(std::string_view message) override { failure_ = message; }
  void report_warning(std::string_view message) override { failure_ = message; }
  void report_progress(const TraceProgress&) override {}
  void idle() override {}
  std::filesystem::path log_path_for(const std::string&) override { return log_; }

  const std::string& failure() const { return failure_; }

 private:
  std::filesystem::path log_;
  std::string failure_;
};

// A log file no other trace of any process uses: the process id and a count.
std::filesystem::path unique_log_path() {
  static std::atomic<unsigned> next{0};
  const unsigned n = next.fetch_add(1, std::memory_order_relaxed);
  return std::filesystem::temp_directory_path() /
         ("lumirastra-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".dat");
}

std::string read_and_remove(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const bool read = !in.bad() && in.is_open();
  in.close();
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  if (!read) throw std::runtime_error(path.string() + ": не удалось прочитать журнал");
  return bytes;
}

void keep_outputs(const Program& program, const BatchDisplay& display, const BatchOptions& options,
                  BatchOutcome& out) {
  if (options.images) {
    for (int w = RasterDisplay::kFirstWindow; w <= RasterDisplay::kLastWindow; ++w) {
      if (std::shared_ptr<Canvas> canvas = display.canvas(w)) out.images[w] = canvas->snapshot();
    }
  }
  for (int k = 1; options.hits && k <= program.scheme.count; ++k) {
    const HitRecord& record = program.results.hits[static_cast<std::size_t>(k - 1)];
    if (record.sweep != 0) out.hits[k] = hit_rows(record, program.rays);
  }
}

}  // namespace

BatchOutcome trace_document(const SchemeDocument& document, const BatchOptions& options) {
  const std::filesystem::path log_path = unique_log_path();
  BatchDisplay display(log_path);
  auto program =
      std::make_unique<Program>(display, options.helpers.value_or(SweepPool::default_helpers()));
  program->collect_hits = options.hits;
  program->focus_charts = options.images;  // the charts change no result, only their windows
  initial_settings(display, program->scheme);

  // As the main loop reads a file: checked against the scheme state, installed, the log restarted.
  document.check({&program->scheme, {}});
  install_scheme(document.file(), document.label(), program->scheme);
  program->document = document;
  program->log =
      DiagnosticsLog(log_path, [&display](std::string_view m) { display.report_warning(m); });
  program->log.restart(scheme_echo_lines(document.file()));
  // The tracer writes its windows at the first interactive step that finds nothing to do; with
  // no pointer events that step draws nothing, so the windows are as the tracing left them.
  draw_and_trace(*program, false);

  BatchOutcome out;
  out.log = cp1251_to_utf8(read_and_remove(log_path));
  if (!display.failure().empty()) throw std::runtime_error(display.failure());
  out.rays = program->rays.count;
  keep_outputs(*program, display, options, out);
  out.results = std::move(program->results);
  return out;
}

}  // namespace lumi
