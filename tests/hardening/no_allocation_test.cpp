// The tracing pass allocates nothing: a scheme of a hundred thousand rays through every element
// kind is traced into real canvases while the global operator new counts its calls. This program
// replaces operator new and delete for itself alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <string>

#include <unistd.h>

#include "graphics/graphics.h"
#include "model/diagnostics_log.h"
#include "model/scheme_reader.h"
#include "platform/test_display.h"
#include "tracing/hit_marks.h"
#include "tracing/passes.h"

namespace {

std::atomic<bool> counting{false};
std::atomic<long> allocations{0};

void* allocate(std::size_t size) {
  if (counting.load(std::memory_order_relaxed)) allocations.fetch_add(1);
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return allocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace lumi {
namespace {

std::string example(const std::string& name) {
  std::ifstream in(std::string(std::getenv("LUMI_EXAMPLES")) + "/" + name, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(NoAllocation, TracingEveryElementKindAllocatesNothing) {
  // The example with every kind, its source made 100 × 100 rows at 10 wavelengths and its inner
  // diaphragm switched on, traced with helper threads
  const SchemeFile file = parse_scheme(example("all-elements.ops"), "all-elements.ops");
  Scheme scheme;
  install_scheme(file, "all-elements.ops", scheme);
  scheme.element(1).slot(8) = 100.0f;
  scheme.element(1).slot(9) = 100.0f;
  scheme.element(1).slot(12) = 10.0f;
  float seen = 0.0f;
  for (int k = 1; k <= scheme.count; ++k) {
    float& code = scheme.element(k).slot(1);
    code = std::abs(code);
    seen += code;
  }
  ASSERT_EQ(seen, 11 + 21 + 22 + 23 + 31 + 32 + 41 + 42 + 44 + 51 + 62);

  const std::filesystem::path log_path = std::filesystem::temp_directory_path() /
                                          ("lumi-alloc-" + std::to_string(::getpid()) + ".dat");
  test::TestDisplay display;
  auto graphics = std::make_unique<Graphics>(display);
  auto rays = std::make_unique<RayBundle>();
  DiagnosticsLog log(log_path, nullptr);
  // The pool's threads and memory are made before the count starts, as the program makes them
  SweepPool pool(2);
  PaintedPixels painted;
  // The results keep every count, every shift's statistics and the hits, in room made before
  TraceResults results;
  results.start(scheme.count, true, 100'000);
  Workspace ws{*graphics, scheme, log, &pool, widest_lanes(), &painted, &results};
  prepare_scheme(ws);

  counting = true;
  for (int k = 1; k <= scheme.count; ++k) trace_element(ws, scheme.element(k), *rays, k);
  counting = false;

  EXPECT_EQ(allocations.load(), 0);
  EXPECT_EQ(rays->count, 100'000);
  ASSERT_EQ(results.focus.size(), 1u);
  EXPECT_EQ(results.focus[0].shifts.size(), 5u);
  EXPECT_TRUE(results.focus[0].best_rms.has_value());
  std::ifstream in(log_path, std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(log_path);
  // Every traced element wrote its line: the source, seven counting elements, five shifts and the
  // focal plane's total
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1 + 7 + 5 + 1) << text;
}

}  // namespace
}  // namespace lumi
