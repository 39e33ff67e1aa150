// The sweep pool: every part of a round runs exactly once, round after round, whatever the number
// of helpers, also where the tracing thread takes parts below a limit; and the flat elements draw,
// count and move the rays with the pool exactly as without it, also where repeated drawings meet
// at the edges of blocks and the blocks go round the scratch memory.
#include "tracing/sweep_pool.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

#include "elements/elements.h"
#include "support/recording_platform.h"
#include "tracing/lanes.h"
#include "tracing/passes.h"
#include "tracing/trace_fixture.h"

namespace lumi::test {
namespace {

TEST(SweepPoolTest, EveryPartRunsOnceInEveryRound) {
  for (int helpers : {0, 1, 3}) {
    SweepPool pool(helpers);
    EXPECT_EQ(pool.helpers(), helpers);
    std::array<std::atomic<int>, 300> runs{};
    for (int round = 0; round < 200; ++round) {
      const int parts = 1 + round % 300;
      auto task = [&](int part) { runs[part].fetch_add(1, std::memory_order_relaxed); };
      pool.run(parts, task);
      for (int part = 0; part < 300; ++part) {
        ASSERT_EQ(runs[part].exchange(0), part < parts ? 1 : 0)
            << "helpers " << helpers << ", round " << round << ", part " << part;
      }
    }
  }
}

// The tracing thread takes parts itself only below the limit it gives, and never one that a helper
// has taken: every part still runs once.
TEST(SweepPoolTest, PartsTakenBelowALimitRunOnce) {
  const std::thread::id tracing = std::this_thread::get_id();
  for (int helpers : {0, 1, 3}) {
    SweepPool pool(helpers);
    for (int round = 0; round < 50; ++round) {
      std::array<std::atomic<int>, 64> runs{};
      const int limit = round % 64;
      bool below_only = true;  // while this thread takes parts below the limit
      int over_limit = 0;
      auto task = [&](int part) {
        runs[part].fetch_add(1, std::memory_order_relaxed);
        if (std::this_thread::get_id() == tracing && below_only && part >= limit) ++over_limit;
      };
      pool.start(64, task);
      int taken = 0;
      while (pool.take_part_below(limit)) ++taken;
      below_only = false;
      pool.finish();
      EXPECT_EQ(over_limit, 0) << "helpers " << helpers << ", limit " << limit;
      // Alone, this thread takes every part below the limit
      if (helpers == 0) {
        EXPECT_EQ(taken, limit);
      }
      for (int part = 0; part < 64; ++part) {
        ASSERT_EQ(runs[part].load(), 1) << "helpers " << helpers << ", part " << part;
      }
    }
  }
}

// One run of a scheme's flat elements on its own recording platform.
struct FlatRun {
  explicit FlatRun(SweepPool* pool)
      : dir(std::filesystem::temp_directory_path() /
            ("lumi-sweep-" + std::to_string(::getpid()) + (pool ? "-pool" : "-one"))),
        log((std::filesystem::create_directories(dir), dir / "log.dat"), nullptr),
        ws{graphics, scheme, log, pool} {}
  ~FlatRun() { std::filesystem::remove_all(dir); }

  RecordingPlatform platform;
  Graphics graphics{platform};
  Scheme scheme;
  std::filesystem::path dir;
  DiagnosticsLog log;
  Workspace ws;
};

ElementRecord element(std::initializer_list<float> slots) {
  ElementRecord e;
  int s = 1;
  for (float v : slots) e.slot(s++) = v;
  return e;
}

// Traces the source (element 1) and elements 2..count, and keeps every platform call, the rays
// and the log.
struct Outcome {
  std::vector<std::string> calls;
  std::vector<Ray> rays;
  std::vector<std::string> log;
};

// With `converging`, an ideal lens before the flat elements turns every ray a different way.
Outcome trace_with(SweepPool* pool, const ElementRecord& source, RayBundle& rays,
                   int lanes = 1, bool converging = false) {
  FlatRun run(pool);
  run.ws.lanes = lanes;
  Scheme& s = run.scheme;
  s.x_min = -50.0f;
  s.x_max = 150.0f;
  s.y_min = -60.0f;
  s.y_max = 140.0f;
  s.count = 1;
  s.element(1) = source;
  if (converging) s.element(++s.count) = element({41, 5, 40, -10, 0, 180, 60});  // ideal lens
  s.element(++s.count) = element({21, 4, 12, 0, 0, 0});                        // outer diaphragm
  s.element(++s.count) = element({23, 4, 2, 3, 0, 0});                         // inner one
  s.element(++s.count) = element({22, 5, 9, 7, 5, 0, 0});                      // rectangular one
  s.element(++s.count) = element({31, 5, 14, 14, 40, 0, 135});                 // mirror toward +y
  s.element(++s.count) = element({51, 8, 30, 30, 40, 60, -60, 300, 1, 0});     // grating
  prepare_scheme(run.ws);
  rays.count = 0;
  trace_source(run.ws, source, rays);
  for (int k = 2; k <= s.count; ++k) trace_element(run.ws, s.element(k), rays, k);
  Outcome out;
  out.calls = run.platform.calls;
  out.rays.assign(rays.begin(), rays.end());
  std::ifstream in(run.log.path(), std::ios::binary);
  for (std::string line; std::getline(in, line);) out.log.push_back(line);
  return out;
}

void expect_same(const Outcome& a, const Outcome& b) {
  EXPECT_EQ(a.calls, b.calls);
  EXPECT_EQ(a.log, b.log);
  ASSERT_EQ(a.rays.size(), b.rays.size());
  for (std::size_t i = 0; i < a.rays.size(); ++i) {
    ASSERT_EQ(std::memcmp(&a.rays[i], &b.rays[i], sizeof(Ray)), 0) << "ray " << i;
  }
}

TEST(SweepPoolTest, FlatElementsTraceTheSameOnTheHelpers) {
  static RayBundle rays;
  // Scratch memory as small as it goes, so that the blocks of a sweep go round it several times
  SweepPool pool(3, SweepPool::kLeastScratchBytes);
  // Columns of 300 rays, so runs of repeated drawings cross the edges of blocks; and a fan
  const ElementRecord parallel = element({11, 10, 10, 10, -30, 0, 0, 70, 300, 0.5f, 0.6f, 2});
  const ElementRecord fan = element({11, 16, 10, 10, -30, 0, 0, 30, 30, 0.5f, 0.5f, 1, -10, 10, 6,
                                     -10, 10, 6});
  for (const ElementRecord& source : {parallel, fan}) {
    const Outcome one = trace_with(nullptr, source, rays);
    const Outcome helped = trace_with(&pool, source, rays);
    ASSERT_GT(one.rays.size(), 30000u);
    expect_same(one, helped);
  }
}

TEST(SweepPoolTest, FlatElementsTraceTheSameOnLanes) {
  if (widest_lanes() == 1) GTEST_SKIP() << "no AVX2: rays are traced one at a time only";
  static RayBundle rays;
  SweepPool pool(1);
  // Columns of 7 rays, so runs of repeated crossings start and end inside groups of lanes, and
  // the same beam turned by a lens so that no two rays cross alike; a fan that sends rays
  // backward too, away from the diaphragms that stop them
  const ElementRecord parallel = element({11, 10, 10, 10, -30, 0, 0, 70, 7, 0.5f, 0.6f, 2});
  const ElementRecord fan = element({11, 16, 10, 10, -30, 0, 0, 30, 30, 0.5f, 0.5f, 1, -170, 170,
                                     6, -10, 10, 6});
  for (const ElementRecord& source : {parallel, fan}) {
    for (bool converging : {false, true}) {
      const Outcome one = trace_with(nullptr, source, rays, 1, converging);
      for (int lanes = 4; lanes <= widest_lanes(); lanes *= 2) {
        SCOPED_TRACE(testing::Message() << lanes << " rays at a time");
        expect_same(one, trace_with(nullptr, source, rays, lanes, converging));
        expect_same(one, trace_with(&pool, source, rays, lanes, converging));
      }
    }
  }
}

}  // namespace
}  // namespace lumi::test
