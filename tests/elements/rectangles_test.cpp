// The rectangular flat elements (flat mirror, rectangular diaphragm, grating) on a rectangle much
// wider than high, through every path a ray can take: one ray at a time, lanes of 4 and of 8, and
// parallel and fan beams (a parallel beam repeats its crossings and goes one ray at a time even
// where lanes are at hand). Which rays pass is worked out here from the geometry alone.
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "elements/elements.h"
#include "tracing/trace_fixture.h"

namespace lumi::test {
namespace {

constexpr float kWidth = 40.0f, kHeight = 10.0f;

struct RectElement {
  std::string name;
  ElementRecord record;
  std::function<void(Workspace&, const ElementRecord&, RayBundle&, int)> trace;
  std::function<void(Workspace&, const ElementRecord&, int, int)> prepare;
};

std::vector<RectElement> rect_elements() {
  // Each stands across x = 0 with its normal along -x; the width runs along y, the height along z
  return {
      {"flat mirror", make_element(31, {kWidth, kHeight, 0, 0, 180}), trace_flat_mirror,
       prepare_flat_mirror},
      {"rectangular diaphragm", make_element(22, {kWidth, kHeight, 0, 0, 180}),
       trace_rect_diaphragm, prepare_rect_diaphragm},
      {"grating", make_element(51, {kWidth, kHeight, 0, 0, 180, 600, 0, 0}), trace_grating,
       prepare_grating},
  };
}

// Points of the plane x = 0 on a grid that keeps clear of the rim (|y| = 20, |z| = 5), and
// whether each lies inside the rectangle.
struct Target {
  double y, z;
  bool inside;
};

std::vector<Target> targets() {
  std::vector<Target> out;
  for (int i = -8; i <= 8; ++i) {
    for (int j = -7; j <= 7; ++j) {
      const double y = 3.0 * i + 0.5, z = 1.0 * j + 0.5;
      out.push_back({y, z, std::abs(y) < kWidth / 2 && std::abs(z) < kHeight / 2});
    }
  }
  return out;
}

class RectanglesTest : public TraceTest {
 protected:
  RectanglesTest() { open_scheme_view(-30.0f, 30.0f, -30.0f, 30.0f); }

  // Rays aimed from x = -10 at each target: all along +x from beside it (a parallel beam, rows
  // of equal y differing only in z), or from one point (a fan).
  void set_beam(const std::vector<Target>& to, bool parallel) {
    rays.count = 0;
    for (const Target& t : to) {
      Ray r = parallel ? make_ray(-10, t.y, t.z, 1, 0, 0) : make_ray(-10, 0, 0, 10, t.y, t.z);
      if (!parallel) {
        const double norm = std::sqrt(100.0 + t.y * t.y + t.z * t.z);
        r.dir_x /= norm;
        r.dir_y /= norm;
        r.dir_z /= norm;
      }
      r.wavelength = 0.5;
      rays[rays.count++] = r;
    }
  }
};

TEST_F(RectanglesTest, WideRectanglePassesExactlyTheRaysInsideOnEveryPath) {
  const std::vector<Target> to = targets();
  for (const RectElement& element : rect_elements()) {
    for (const int lanes : {1, 4, 8}) {
      if (lanes > widest_lanes()) continue;
      for (const bool parallel : {true, false}) {
        SCOPED_TRACE(element.name + (parallel ? ", parallel beam" : ", fan") + " on " +
                     std::to_string(lanes) + " lanes");
        ws.lanes = lanes;
        element.prepare(ws, element.record, 3, kFullMode);
        set_beam(to, parallel);
        element.trace(ws, element.record, rays, 3);
        std::string wrong;
        for (std::size_t i = 0; i < to.size(); ++i) {
          if (rays[static_cast<int>(i)].alive != (to[i].inside ? 1.0 : 0.0)) {
            wrong += " (" + std::to_string(to[i].y) + ", " + std::to_string(to[i].z) + ")";
          }
        }
        EXPECT_EQ(wrong, "") << "rays aimed at these (y, z) pass or stop wrongly";
      }
    }
  }
}

}  // namespace
}  // namespace lumi::test
