// A workspace for tests of the passes and the element routines: the recording platform under a
// real Graphics, a scheme, a diagnostics log in a fresh temporary folder and a ray bundle shared
// by all tests of the program (it is 80 MB).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "graphics/graphics.h"
#include "model/cp1251.h"
#include "model/diagnostics_log.h"
#include "model/scheme.h"
#include "support/recording_platform.h"
#include "tracing/ray.h"
#include "tracing/workspace.h"

namespace lumi::test {

// Platform colours of the palette entries the element routines use.
inline constexpr Rgb kRed = 255;         // 1: segments, stopped hits
inline constexpr Rgb kGreen = 65280;     // 3: passing hits
inline constexpr Rgb kCyan = 16776960;   // 4: apertures
inline constexpr Rgb kWhite = 16777215;  // 7: outlines
inline constexpr Rgb kGrey = 8355711;    // 8: switched-off outlines (0.5 * 255 truncates)

// An element record with slot 1 = code, slot 2 = the number of parameters, then the parameters.
inline ElementRecord make_element(float code, std::initializer_list<float> parameters) {
  ElementRecord e;
  e.slot(1) = code;
  e.slot(2) = static_cast<float>(parameters.size());
  int s = 3;
  for (float p : parameters) e.slot(s++) = p;
  return e;
}

inline Ray make_ray(double x, double y, double z, double dir_x, double dir_y, double dir_z) {
  Ray r;
  r.x = x;
  r.y = y;
  r.z = z;
  r.dir_x = dir_x;
  r.dir_y = dir_y;
  r.dir_z = dir_z;
  r.reserved = 1.0;
  r.alive = 1.0;
  return r;
}

class TraceTest : public ::testing::Test {
 protected:
  TraceTest() : dir_(make_dir()), log(dir_ / std::string(kLogFileName), nullptr) {
    rays.count = 0;
  }
  ~TraceTest() override { std::filesystem::remove_all(dir_); }

  static RayBundle& shared_bundle() {
    static RayBundle bundle;
    return bundle;
  }

  // The rays given become the bundle's first records.
  void set_rays(std::initializer_list<Ray> list) {
    rays.count = 0;
    for (const Ray& r : list) rays[rays.count++] = r;
  }

  // The log's lines, converted back to UTF-8.
  std::vector<std::string> log_lines() const {
    std::ifstream in(log.path(), std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(cp1251_to_utf8(line));
    return lines;
  }

  // Opens window 1 with view 1 over the world rectangle, as the scheme window stands, and
  // forgets the frame drawn there.
  void open_scheme_view(float x_min, float x_max, float y_min, float y_max) {
    graphics.open_element_window(1, 600, 800, "1");
    graphics.set_view_frame(1, 1, 10.0f, 10.0f, 220.0f, 160.0f);
    graphics.set_view_world(1, 1, x_min, x_max, y_min, y_max);
    platform.segments.clear();
  }

  // Expects the segment to run between the pixels of two world points of view 1 of its window.
  void expect_segment(const RecordedSegment& s, float x0, float y0, float x1, float y1) const {
    const PixelPoint from = graphics.world_to_pixel(s.window, 1, x0, y0);
    const PixelPoint to = graphics.world_to_pixel(s.window, 1, x1, y1);
    EXPECT_EQ(s.x0, from.x);
    EXPECT_EQ(s.y0, from.y);
    EXPECT_EQ(s.x1, to.x);
    EXPECT_EQ(s.y1, to.y);
  }

  // The pixels plotted into a window, and the segments drawn there.
  std::vector<RecordedPixel> pixels_in(int window) const {
    std::vector<RecordedPixel> out;
    for (const RecordedPixel& p : platform.pixels) {
      if (p.window == window) out.push_back(p);
    }
    return out;
  }
  std::vector<RecordedSegment> segments_in(int window) const {
    std::vector<RecordedSegment> out;
    for (const RecordedSegment& s : platform.segments) {
      if (s.window == window) out.push_back(s);
    }
    return out;
  }

  // The line that drawing would make next without naming a window, off the canvas: it shows the
  // window a routine left current and that window's colour.
  RecordedSegment next_line() {
    const std::size_t before = platform.segments.size();
    ++probes_;
    graphics.draw_to_pixel(0, -10 * probes_, -5, kMove);
    graphics.draw_to_pixel(0, -10 * probes_, -6, kLine);
    EXPECT_EQ(platform.segments.size(), before + 1);
    return platform.segments.back();
  }
  // The colour of the next line drawn in a window.
  Rgb next_line_color(int window) {
    graphics.select_window(window, 0);
    return next_line().color;
  }

  RecordingPlatform platform;
  Graphics graphics{platform};
  Scheme scheme;
  std::filesystem::path dir_;
  DiagnosticsLog log;
  Workspace ws{graphics, scheme, log};
  RayBundle& rays = shared_bundle();

 private:
  int probes_ = 0;

  static std::filesystem::path make_dir() {
    static int serial = 0;
    std::ostringstream name;
    name << "lumi-trace-" << ::getpid() << "-" << ++serial;
    std::filesystem::path p = std::filesystem::temp_directory_path() / name.str();
    std::filesystem::create_directories(p);
    return p;
  }
};

}  // namespace lumi::test
