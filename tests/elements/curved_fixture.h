// Helpers for the tests of the curved elements, the grating, the focal plane and the cylindrical
// lens, on top of the tracing workspace fixture.
#pragma once

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

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
