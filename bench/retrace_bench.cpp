// A change traced again in a running program: the scheme's windows open and the ray bundle
// allocated, as in the desktop program after the user changed a value. Each iteration installs
// the changed scheme (the flat mirror moved by half a unit, then back), restarts the log, lists,
// prepares into the open windows, traces every element and copies each changed canvas into an
// image, as the desktop's views do when they repaint. The telescope workload with its million
// rays, and with 316 × 316 rays (about 100,000).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>

#include "bench_support.h"
#include "model/scheme_reader.h"
#include "platform/raster/raster_display.h"
#include "shell/main_loop.h"

namespace lumi {
namespace {

// The bench's display; it hands over the changed scheme it was given.
class RetracePlatform : public BenchDisplay {
 public:
  std::filesystem::path log_path_for(const std::string&) override { return log_path; }
  std::optional<SchemeDocument> take_changed_scheme() override {
    return std::exchange(changed, std::nullopt);
  }

  std::filesystem::path log_path = std::filesystem::temp_directory_path() / "lumi-retrace.dat";
  std::optional<SchemeDocument> changed;
};

// What the views of the desktop do when a canvas changed: copy it into the image they show.
void repaint(const RasterDisplay& display, std::map<int, Image>& images) {
  for (int w = RasterDisplay::kFirstWindow; w <= RasterDisplay::kLastWindow; ++w) {
    if (std::shared_ptr<Canvas> canvas = display.canvas(w)) canvas->snapshot_into(images[w]);
  }
}

void retrace(benchmark::State& state, float rows) {
  RetracePlatform platform;
  auto program = std::make_unique<Program>(platform);
  SchemeDocument document =
      SchemeDocument::read(std::string(LUMI_WORKLOADS) + "/telescope.ops")
          .with_slot(1, 8, rows)
          .with_slot(1, 9, rows);
  document.check({&program->scheme, {}});
  install_scheme(document.file(), document.label(), program->scheme);
  program->document = document;
  program->log = DiagnosticsLog(platform.log_path, nullptr);
  program->log.restart(scheme_echo_lines(document.file()));
  draw_and_trace(*program, false);

  const SchemeDocument variants[] = {document.with_slot(3, 5, 300.5f), document};
  std::map<int, Image> images;
  int n = 0;
  for (auto _ : state) {
    platform.changed = variants[n++ % 2];
    program->scheme.input.edit_request.store(1, std::memory_order_relaxed);
    install_changed_scheme(*program);
    draw_and_trace(*program, true);
    repaint(platform, images);
  }
  state.counters["rays"] = static_cast<double>(program->rays.count);
  std::filesystem::remove(platform.log_path);
}

BENCHMARK_CAPTURE(retrace, telescope_1M, 1000.0f)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(retrace, telescope_100k, 316.0f)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace lumi

BENCHMARK_MAIN();
