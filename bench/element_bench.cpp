// Every element kind's tracing routine on the rays as they reach it in the reference workloads
// (bench/workloads), with its drawing into real canvases and without (a platform that draws
// nothing), beside a bare sweep over the same ray records that reads every ray and writes its
// position. Each benchmark reports
//   ns/ray     the element's sweep, wall time per ray record (per shift for a focal plane),
//   bare       the bare sweep, wall time per ray record, measured in the same iterations,
//   x_bare     their ratio.
// The rays of each case are traced once up to the element and restored before every iteration.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench_support.h"
#include "graphics/graphics.h"
#include "model/diagnostics_log.h"
#include "model/scheme.h"
#include "model/scheme_check.h"
#include "model/scheme_reader.h"
#include "tracing/hit_marks.h"
#include "tracing/passes.h"

namespace lumi {
namespace {

// A workload read, checked and prepared on one platform, with the rays as they reach element k.
class Case {
 public:
  Case(Platform& platform, const std::string& workload, int k)
      : graphics_(platform), k_(k) {
    const std::string path = std::string(LUMI_WORKLOADS) + "/" + workload;
    const SchemeFile file = read_scheme_file(path);
    check_scheme(file, path, scheme_);
    install_scheme(file, path, scheme_);
    prepare_scheme(ws_);
    RayBundle& r = rays();
    r.count = 0;
    // The source's bare sweep runs over the rays it makes
    for (int j = 1; j < std::max(k, 2); ++j) trace_element(ws_, scheme_.element(j), r, j);
    arriving_.assign(r.begin(), r.end());
  }

  // The rays as they reach the element (none for the source); `for_bare` all of them.
  void restore(bool for_bare = false) {
    RayBundle& r = rays();
    r.count = k_ == 1 && !for_bare ? 0 : static_cast<int>(arriving_.size());
    std::copy(arriving_.begin(), arriving_.end(), r.begin());
  }
  void trace() { trace_element(ws_, scheme_.element(k_), rays(), k_); }
  int ray_records() const { return static_cast<int>(arriving_.size()); }

 private:
  Graphics graphics_;
  Scheme scheme_;
  DiagnosticsLog log_{std::filesystem::temp_directory_path() / "lumi-element-bench.dat", nullptr};
  PaintedPixels painted_;
  Workspace ws_{graphics_, scheme_, log_, &pool(), bench_lanes(), &painted_};
  int k_;
  std::vector<Ray> arriving_;
};

double seconds_since(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

template <class Display>
void run_case(benchmark::State& state, const std::string& workload, int k) {
  static Display display;
  Case c(display, workload, k);
  double element_seconds = 0.0, bare_seconds = 0.0;
  for (auto _ : state) {
    c.restore(true);
    auto start = std::chrono::steady_clock::now();
    bare_sweep();
    bare_seconds += seconds_since(start);

    c.restore();
    display.shifts = 0;
    start = std::chrono::steady_clock::now();
    c.trace();
    const double seconds = seconds_since(start);
    element_seconds += seconds;
    state.SetIterationTime(seconds);
  }
  const int sweeps = display.shifts > 0 ? display.shifts : 1;
  const double per_ray = 1e9 / (static_cast<double>(state.iterations()) * c.ray_records());
  state.counters["ns/ray"] = element_seconds * per_ray / sweeps;
  state.counters["bare"] = bare_seconds * per_ray;
  state.counters["x_bare"] = element_seconds / bare_seconds / sweeps;
  state.counters["rays"] = c.ray_records();
}

struct ElementCase {
  const char* kind;
  const char* workload;
  int k;
};

constexpr ElementCase kCases[] = {
    {"source", "telescope.ops", 1},
    {"outer_diaphragm", "fan-flat.ops", 2},
    {"rect_diaphragm", "fan-flat.ops", 3},
    {"rect_diaphragm_slit", "spectrograph.ops", 2},
    {"inner_diaphragm", "fan-flat.ops", 4},
    {"flat_mirror", "telescope.ops", 3},
    {"flat_mirror_fan", "fan-flat.ops", 5},
    {"spherical_mirror", "telescope.ops", 2},
    {"ideal_lens", "spectrograph.ops", 3},
    {"spherical_lens", "singlet.ops", 2},
    {"spherical_lens_camera", "spectrograph.ops", 5},
    {"grating", "spectrograph.ops", 4},
    {"grating_fan", "fan-flat.ops", 6},
    {"focal_plane_per_shift", "telescope.ops", 4},
    {"focal_plane_per_shift_singlet", "singlet.ops", 3},
};

void register_cases() {
  for (const ElementCase& c : kCases) {
    const std::string name = std::string(c.kind) + "/" + c.workload;
    const std::string workload = c.workload;
    const int k = c.k;
    benchmark::RegisterBenchmark(("drawn/" + name).c_str(),
                                 [workload, k](benchmark::State& s) {
                                   run_case<BenchDisplay>(s, workload, k);
                                 })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("undrawn/" + name).c_str(),
                                 [workload, k](benchmark::State& s) {
                                   run_case<NullPlatform>(s, workload, k);
                                 })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  }
}

}  // namespace
}  // namespace lumi

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  lumi::register_cases();
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
