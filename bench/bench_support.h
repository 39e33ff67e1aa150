// What the benchmarks share: the raster windows and canvases without a front end, a platform
// that draws nothing (to tell the cost of the pixels from the cost of the calls), the ray bundle,
// the program's sweep pool, and the bare sweep that marks the memory-bound floor.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "graphics/platform.h"
#include "platform/raster/raster_display.h"
#include "tracing/lanes.h"
#include "tracing/ray.h"
#include "tracing/sweep_pool.h"

namespace lumi {

// What a front end adds to a platform (menus, mouse, dialog, reports), left out. The number of
// shifts of the last focal plane traced is kept from its progress reports.
template <class Base>
class Quiet : public Base {
 public:
  void append_menu_item(MenuItem) override {}
  void set_about_text(std::string_view) override {}
  void register_mouse_handler(int, int, MouseHandler) override {}
  std::optional<std::string> choose_file(const OpenFileRequest&) override { return {}; }
  void report_error(std::string_view) override {}
  void report_warning(std::string_view) override {}
  void report_progress(const TraceProgress& p) override { shifts = p.shifts; }
  void idle() override {}
  std::filesystem::path log_path_for(const std::string&) override { return {}; }

  int shifts = 0;
};

// The raster windows and canvases.
using BenchDisplay = Quiet<RasterDisplay>;

// A platform that draws nothing: the same tracing and Graphics work without the canvases.
class NullPlatform : public Quiet<Platform> {
 public:
  void open_child_window(int, std::string_view) override {}
  void close_window(int) override {}
  bool set_window_config(int, int, int) override { return true; }
  void set_frame_window(int, int, int, int, int) override {}
  bool set_active_window(int) override { return true; }
  bool focus_window(int) override { return true; }
  void click_menu_command(int) override {}
  void set_color_rgb(Rgb) override {}
  void set_text_color_rgb(Rgb) override {}
  void set_background_color_rgb(Rgb) override {}
  void set_pixel_rgb(int, int, Rgb) override {}
  void move_to(int, int) override {}
  void line_to(int, int) override {}
  void set_line_mask(std::uint16_t) override {}
  void draw_rectangle(int, int, int, int, int) override {}
  int initialize_fonts() override { return 1; }
  int set_font(std::string_view) override { return 0; }
  void set_text_rotation(int) override {}
  void draw_text(std::string_view) override {}
  void set_text_position(int, int) override {}
  void write_text(std::string_view) override {}
};

inline RayBundle& rays() {
  static RayBundle bundle;
  return bundle;
}

// The program's threads for the arithmetic of a sweep; LUMI_SWEEP_HELPERS=N sets how many
// helpers it has (0 traces on one thread).
inline SweepPool& pool() {
  static SweepPool threads = [] {
    const char* helpers = std::getenv("LUMI_SWEEP_HELPERS");
    return helpers != nullptr ? SweepPool(std::atoi(helpers)) : SweepPool();
  }();
  return threads;
}

// How many rays a sweep works on at once: the processor's widest lanes, or LUMI_LANES=N (1, 4 or
// 8, no wider than the processor's) to compare the widths.
inline int bench_lanes() {
  const char* lanes = std::getenv("LUMI_LANES");
  if (lanes == nullptr) return widest_lanes();
  const int asked = std::atoi(lanes);
  return asked == 4 || asked == 8 ? std::min(asked, widest_lanes()) : 1;
}

// Reads every ray and writes the position of the live ones.
inline void bare_sweep() {
  for (Ray& r : rays()) {
    if (r.alive == 0.0) continue;
    r.x += r.dir_x;
    r.y += r.dir_y;
    r.z += r.dir_z;
  }
  benchmark::ClobberMemory();
}

}  // namespace lumi
