// Helpers for the tests of the curved elements, the grating, the focal plane and the cylindrical
// lens, on top of the tracing workspace fixture.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "tracing/hit_rows.h"
#include "tracing/lanes.h"
#include "tracing/trace_fixture.h"

namespace lumi::test {

class CurvedTest : public TraceTest {
 protected:
  // The points of the lines drawn in a window, in order: where each run of lines began (each
  // move the platform was given) and where each line ended.
  std::vector<PixelPoint> points_in(int window) const {
    std::vector<PixelPoint> out;
    const std::string prefix = "w" + std::to_string(window) + " ";
    for (const std::string& c : platform.calls) {
      if (c.rfind(prefix, 0) != 0) continue;
      std::istringstream in(c.substr(prefix.size()));
      std::string call;
      PixelPoint p;
      if (in >> call >> p.x >> p.y && (call == "move_to" || call == "line_to")) out.push_back(p);
    }
    return out;
  }

  PixelPoint pixel(int window, float x, float y) const {
    return graphics.world_to_pixel(window, 1, x, y);
  }

  // The colour of the last pixel plotted into a window at the world point (x, y).
  Rgb mark_color_at(int window, float x, float y) const {
    const PixelPoint p = pixel(window, x, y);
    Rgb c = 0xFFFFFFFF;
    for (const RecordedPixel& px : pixels_in(window)) {
      if (px.x == p.x && px.y == p.y) c = px.color;
    }
    return c;
  }

  void forget_drawing() {
    platform.calls.clear();
    platform.segments.clear();
    platform.pixels.clear();
    platform.texts.clear();
  }

  // Traces 103 rays scattered around the origin one ray at a time, then on each width of lanes
  // this processor has: the rays, the drawing calls and the lines logged must come out the same. The rays start
  // before (x = 30), behind (x = -30) and at x = 0, travel mostly toward -x in all directions,
  // have three wavelengths (0.5, 0.625, 0.75), and include dead ones, one without a direction,
  // one far out, one not a number, and one along the x axis.
  template <class Prepare, class Trace>
  void expect_lanes_trace_alike(Prepare&& prepare, Trace&& trace) {
    std::vector<Ray> start;
    unsigned seed = 12345;
    const auto next = [&seed] {
      seed = seed * 1103515245u + 12345u;
      return static_cast<double>(seed >> 8) / (1u << 24);
    };
    for (int i = 0; i < 103; ++i) {
      const double x = i % 7 == 0 ? -30.0 : i % 11 == 0 ? 0.0 : 30.0;
      const double dy = 1.2 * (next() - 0.5), dz = 1.2 * (next() - 0.5);
      const double l = std::sqrt(1.0 + dy * dy + dz * dz);
      Ray r = make_ray(x, 28 * (next() - 0.5), 28 * (next() - 0.5), -1.0 / l, dy / l, dz / l);
      r.wavelength = 0.5 + 0.125 * (i % 3);
      if (i % 13 == 5) r.alive = 0.0;
      start.push_back(r);
    }
    start[40].dir_x = start[40].dir_y = start[40].dir_z = 0.0;
    start[41].y = 1e300;
    start[42].z = std::nan("");
    start[43] = make_ray(30, 0, 0, -1, 0, 0);
    expect_lanes_trace_alike(start, prepare, trace);
  }

  // The same for the rays `start`.
  template <class Prepare, class Trace>
  void expect_lanes_trace_alike(const std::vector<Ray>& start, Prepare&& prepare, Trace&& trace) {
    // A first run one ray at a time leaves the platform's state (colours, fonts) as the second
    // one leaves it, so the runs after it start alike
    std::vector<int> widths = {1, 1, 4};
    if (widest_lanes() == 8) widths.push_back(8);
    std::vector<std::vector<std::string>> calls, logged, hits;
    std::vector<std::vector<Ray>> traced;
    for (int lanes : widths) {
      // Every element's hits are kept, to be compared too
      TraceResults results;
      results.start(kMaxElements, true, static_cast<int>(start.size()));
      for (int k = 1; k <= kMaxElements; ++k) results.make_hit_room(k, true);
      ws.results = &results;
      prepare();
      std::copy(start.begin(), start.end(), rays.begin());
      rays.count = static_cast<int>(start.size());
      ws.lanes = lanes;
      const std::size_t lines_before = log_lines().size();
      trace();
      calls.push_back(platform.calls);
      logged.push_back(log_lines());
      logged.back().erase(logged.back().begin(), logged.back().begin() + lines_before);
      traced.emplace_back(rays.begin(), rays.end());
      hits.push_back(hit_texts(results));
    }
    ws.lanes = widest_lanes();
    ws.results = nullptr;
    for (std::size_t run = 2; run < widths.size(); ++run) {
      SCOPED_TRACE(testing::Message() << widths[run] << " rays at a time");
      EXPECT_EQ(calls[1], calls[run]);
      EXPECT_EQ(logged[1], logged[run]);
      EXPECT_EQ(hits[1], hits[run]);
      for (int i = 0; i < rays.count; ++i) {
        ASSERT_TRUE(same_ray(traced[1][i], traced[run][i])) << "ray " << i;
      }
    }
  }

  // The hits each element kept, a line per hit, its numbers to the bit (NaN as "nan").
  std::vector<std::string> hit_texts(const TraceResults& results) const {
    std::vector<std::string> out;
    for (std::size_t k = 0; k < results.hits.size(); ++k) {
      for (const HitRow& h : hit_rows(results.hits[k], rays)) {
        std::ostringstream line;
        line << k + 1 << ' ' << h.ray << ' ' << std::hexfloat;
        for (const float v : {h.u, h.v}) {
          if (std::isnan(v)) line << "nan ";
          else line << v << ' ';
        }
        line << h.passed;
        out.push_back(line.str());
      }
    }
    return out;
  }

  // Bit for bit, but for the sign and payload of a NaN: which operand's NaN an operation passes
  // on depends on the order the compiler gives the operands, which the program never looks at.
  static bool same_ray(const Ray& a, const Ray& b) {
    double x[10], y[10];
    static_assert(sizeof(Ray) == sizeof(x));
    std::memcpy(x, &a, sizeof(x));
    std::memcpy(y, &b, sizeof(y));
    for (int k = 0; k < 10; ++k) {
      if (std::isnan(x[k]) ? !std::isnan(y[k]) : std::memcmp(&x[k], &y[k], sizeof(double)) != 0) {
        return false;
      }
    }
    return true;
  }

  // The scheme window over a world rectangle, with nothing recorded yet.
  void scheme_window(float x_min, float x_max, float y_min, float y_max) {
    open_scheme_view(x_min, x_max, y_min, y_max);
    forget_drawing();
  }
};

inline bool same_points(const std::vector<PixelPoint>& a, const std::vector<PixelPoint>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].x != b[i].x || a[i].y != b[i].y) return false;
  }
  return true;
}

// A count line as the log holds it: text, the count in 8 columns, the unit.
inline std::string expected_count_line(const std::string& text, const std::string& count,
                                       const std::string& unit = "  лучей") {
  return text + std::string(8 - count.size(), ' ') + count + unit;
}

}  // namespace lumi::test
