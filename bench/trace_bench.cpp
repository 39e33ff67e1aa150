// Tracing and drawing one flat element for a bundle of about a million rays (a parallel beam and
// a fan beam, through a circular diaphragm and through a flat mirror), beside a bare sweep that
// reads every ray and writes its position. The ratio of the two is the cost of the element's
// geometry and drawing over the memory traffic that any sweep pays.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "elements/elements.h"
#include "graphics/graphics.h"
#include "model/diagnostics_log.h"
#include "model/scheme.h"
#include "bench_support.h"
#include "tracing/hit_marks.h"
#include "tracing/passes.h"

namespace lumi {
namespace {

// A parallel source of 1000 by 1000 rays at x = -30, along +x, 10 units wide and high.
ElementRecord parallel_source() {
  ElementRecord e;
  const float slots[] = {11, 10, 10, 10, -30, 0, 0, 1000, 1000, 0.5f, 0.5f, 1};
  for (int s = 1; s <= 12; ++s) e.slot(s) = slots[s - 1];
  return e;
}

// A fan source: 100 by 100 points, 10 azimuths and 10 elevations within 10 degrees of +x.
ElementRecord fan_source() {
  ElementRecord e;
  const float slots[] = {11, 16, 10, 10, -30, 0, 0, 100, 100, 0.5f, 0.5f, 1, -10, 10, 10,
                         -10, 10, 10};
  for (int s = 1; s <= 18; ++s) e.slot(s) = slots[s - 1];
  return e;
}

ElementRecord outer_diaphragm() {  // D = 12 at the origin, facing the source
  ElementRecord e;
  const float slots[] = {21, 4, 12, 0, 0, 0};
  for (int s = 1; s <= 6; ++s) e.slot(s) = slots[s - 1];
  return e;
}

ElementRecord flat_mirror() {  // 20 by 20 at the origin, turning the beam toward +y
  ElementRecord e;
  const float slots[] = {31, 5, 20, 20, 0, 0, 135};
  for (int s = 1; s <= 7; ++s) e.slot(s) = slots[s - 1];
  return e;
}

// One scheme with its windows open: the scheme window, the diaphragm as element 2 and the
// mirror as element 3, as the preparation pass leaves them. The rays are shared.
struct Scene {
  Scene(Platform& platform, SweepPool* pool)
      : graphics(platform), ws{graphics, scheme, log, pool, bench_lanes(), &painted} {
    scheme.x_min = -50.0f;
    scheme.x_max = 50.0f;
    scheme.y_min = -40.0f;
    scheme.y_max = 40.0f;
    scheme.count = 3;
    scheme.element(1) = parallel_source();
    scheme.element(2) = outer_diaphragm();
    scheme.element(3) = flat_mirror();
    prepare_scheme(ws);
  }

  Graphics graphics;
  Scheme scheme;
  DiagnosticsLog log{std::filesystem::temp_directory_path() / "lumi-bench-log.dat", nullptr};
  PaintedPixels painted;
  Workspace ws;
};

Scene& canvases() {
  static BenchDisplay display;
  static Scene scene(display, &pool());
  return scene;
}

// The same on the tracing thread alone
Scene& one_thread() {
  static BenchDisplay display;
  static Scene scene(display, nullptr);
  return scene;
}

Scene& no_canvases() {
  static NullPlatform platform;
  static Scene scene(platform, nullptr);
  return scene;
}

void refill(const ElementRecord& source) { trace_source(canvases().ws, source, rays()); }

void BM_BareSweep(benchmark::State& state) {
  refill(parallel_source());
  for (auto _ : state) bare_sweep();
  state.SetItemsProcessed(state.iterations() * rays().count);
}

// Traces element k of the scene for a fresh bundle from `source` in every iteration.
void trace_one(benchmark::State& state, Scene& scene, const ElementRecord& source, int k) {
  for (auto _ : state) {
    state.PauseTiming();
    refill(source);
    state.ResumeTiming();
    trace_element(scene.ws, scene.scheme.element(k), rays(), k);
  }
  state.SetItemsProcessed(state.iterations() * rays().count);
}

void BM_ParallelDiaphragm(benchmark::State& s) { trace_one(s, canvases(), parallel_source(), 2); }
void BM_ParallelMirror(benchmark::State& s) { trace_one(s, canvases(), parallel_source(), 3); }
void BM_FanDiaphragm(benchmark::State& s) { trace_one(s, canvases(), fan_source(), 2); }
void BM_FanMirror(benchmark::State& s) { trace_one(s, canvases(), fan_source(), 3); }
void BM_ParallelDiaphragmOneThread(benchmark::State& s) {
  trace_one(s, one_thread(), parallel_source(), 2);
}
void BM_ParallelMirrorOneThread(benchmark::State& s) {
  trace_one(s, one_thread(), parallel_source(), 3);
}
void BM_ParallelDiaphragmNoCanvas(benchmark::State& s) {
  trace_one(s, no_canvases(), parallel_source(), 2);
}
void BM_ParallelMirrorNoCanvas(benchmark::State& s) {
  trace_one(s, no_canvases(), parallel_source(), 3);
}

void BM_Source(benchmark::State& state) {
  for (auto _ : state) refill(parallel_source());
  state.SetItemsProcessed(state.iterations() * rays().count);
}

BENCHMARK(BM_BareSweep)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParallelDiaphragm)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParallelMirror)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FanDiaphragm)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FanMirror)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParallelDiaphragmOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParallelMirrorOneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParallelDiaphragmNoCanvas)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ParallelMirrorNoCanvas)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Source)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace lumi

BENCHMARK_MAIN();
