// Pixel contract of the canvas: lines with both ends and dash masks, clipping of far-away
// coordinates, rectangles, and the shortcut for lines drawn before leaving the image unchanged.
#include "platform/raster/canvas.h"

#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <thread>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace lumi {
namespace {

constexpr Rgb kRed = 0x0000FF;
constexpr Rgb kGreen = 0x00FF00;
constexpr Rgb kWhite = 0xFFFFFF;

struct Point {
  int x, y;
  bool operator==(const Point&) const = default;
};

std::vector<Point> lit(const Canvas& canvas, Rgb rgb) {
  std::vector<Point> points;
  const Image image = canvas.snapshot();
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.rgb(x, y) == rgb) points.push_back({x, y});
    }
  }
  return points;
}

std::string row_pattern(const Canvas& canvas, int y, int x_from, int x_to) {
  std::string s;
  for (int x = x_from; x <= x_to; ++x) s += canvas.pixel(x, y) ? '#' : '.';
  return s;
}

void line(Canvas& canvas, int x0, int y0, int x1, int y1) {
  canvas.move_to(x0, y0);
  canvas.line_to(x1, y1);
}

TEST(CanvasTest, StartsBlackAndKeepsColoursAsRgb) {
  Canvas canvas(4, 3);
  EXPECT_EQ(canvas.width(), 4);
  EXPECT_EQ(canvas.height(), 3);
  EXPECT_EQ(lit(canvas, 0).size(), 12u);
  canvas.set_pixel(1, 2, 0x123456);
  EXPECT_EQ(canvas.pixel(1, 2), 0x123456u);
  EXPECT_EQ(canvas.snapshot().pixels[2 * 4 + 1], 0xFF563412u);  // stored as 0xFFRRGGBB
  canvas.set_pixel(4, 0, kRed);
  canvas.set_pixel(-1, 0, kRed);
  EXPECT_TRUE(lit(canvas, kRed).empty());
}

TEST(CanvasTest, HorizontalVerticalAndDiagonalLinesDrawBothEnds) {
  Canvas canvas(20, 20);
  canvas.set_line_color(kRed);
  line(canvas, 2, 3, 9, 3);
  EXPECT_EQ(row_pattern(canvas, 3, 0, 11), "..########..");
  line(canvas, 15, 12, 15, 5);  // upwards
  for (int y = 5; y <= 12; ++y) EXPECT_EQ(canvas.pixel(15, y), kRed) << y;
  EXPECT_EQ(canvas.pixel(15, 4), 0u);
  EXPECT_EQ(canvas.pixel(15, 13), 0u);
  Canvas diagonal(20, 20);
  diagonal.set_line_color(kGreen);
  line(diagonal, 10, 10, 4, 16);
  std::vector<Point> expected;
  for (int i = 0; i <= 6; ++i) expected.push_back({10 - i, 10 + i});
  std::vector<Point> got = lit(diagonal, kGreen);
  std::sort(expected.begin(), expected.end(), [](Point a, Point b) {
    return a.y != b.y ? a.y < b.y : a.x < b.x;
  });
  EXPECT_EQ(got, expected);
  EXPECT_EQ(diagonal.x(), 4);
  EXPECT_EQ(diagonal.y(), 16);
}

// Every line, in every direction: one pixel per step of the longer axis, both ends, 8-connected,
// and each pixel within half a pixel of the true line along the shorter axis.
TEST(CanvasTest, LinesInAllDirectionsFollowTheTrueLine) {
  for (int dx = -9; dx <= 9; ++dx) {
    for (int dy = -9; dy <= 9; ++dy) {
      Canvas canvas(21, 21);
      line(canvas, 10, 10, 10 + dx, 10 + dy);
      const std::vector<Point> points = lit(canvas, kWhite);
      const int n = std::max(std::abs(dx), std::abs(dy));
      ASSERT_EQ(int(points.size()), n + 1) << dx << "," << dy;
      EXPECT_EQ(canvas.pixel(10, 10), kWhite);
      EXPECT_EQ(canvas.pixel(10 + dx, 10 + dy), kWhite);
      for (Point p : points) {
        const double t = n == 0 ? 0 : (std::abs(dx) >= std::abs(dy) ? double(p.x - 10) / dx
                                                                     : double(p.y - 10) / dy);
        EXPECT_LE(std::abs(10 + t * dx - p.x), 0.5 + 1e-9) << dx << "," << dy;
        EXPECT_LE(std::abs(10 + t * dy - p.y), 0.5 + 1e-9) << dx << "," << dy;
      }
    }
  }
}

TEST(CanvasTest, MaskStartsAtBit15OnEveryLineTo) {
  Canvas canvas(60, 4);
  canvas.set_line_mask(0xFF00);
  line(canvas, 0, 0, 39, 0);
  EXPECT_EQ(row_pattern(canvas, 0, 0, 39), "########........########........########");
  // A second segment from the end of the first starts the pattern afresh at its first pixel.
  canvas.move_to(0, 1);
  canvas.line_to(10, 1);
  canvas.line_to(30, 1);
  EXPECT_EQ(row_pattern(canvas, 1, 0, 30), "########..########........#####");
  canvas.set_line_mask(0xCCCC);
  line(canvas, 20, 2, 5, 2);  // right to left: the pattern runs from the start point
  EXPECT_EQ(row_pattern(canvas, 2, 5, 20), "..##..##..##..##");
  canvas.set_line_mask(0);
  line(canvas, 0, 3, 59, 3);
  EXPECT_EQ(row_pattern(canvas, 3, 0, 59), std::string(60, '.'));
}

TEST(CanvasTest, MaskPhaseSurvivesClipping) {
  // The same dashed line on a canvas and on a larger one: clipping must not shift the dashes.
  for (std::uint16_t mask : {std::uint16_t(0xFF00), std::uint16_t(0xF0F0), std::uint16_t(0xCCCC)}) {
    Canvas small(50, 40), large(350, 340);
    small.set_line_mask(mask);
    large.set_line_mask(mask);
    line(small, -97, -41, 180, 77);
    line(large, -97 + 150, -41 + 150, 180 + 150, 77 + 150);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 50; ++x) {
        ASSERT_EQ(small.pixel(x, y), large.pixel(x + 150, y + 150)) << mask << " " << x << "," << y;
      }
    }
  }
}

TEST(CanvasTest, FarAwayCoordinatesAreClippedWithoutOverflow) {
  Canvas canvas(30, 20);
  line(canvas, INT_MIN, 5, INT_MAX, 5);
  EXPECT_EQ(row_pattern(canvas, 5, 0, 29), std::string(30, '#'));
  Canvas diagonal(30, 20);
  line(diagonal, INT_MIN, INT_MIN, INT_MAX, INT_MAX);  // runs through (0, 0) at 45 degrees
  const std::vector<Point> points = lit(diagonal, kWhite);
  ASSERT_EQ(points.size(), 20u);
  for (int i = 0; i < 20; ++i) EXPECT_EQ(points[i], (Point{i, i}));
  Canvas outside(30, 20);
  line(outside, INT_MAX, INT_MIN, INT_MAX - 3, INT_MAX);
  line(outside, -1000000, 21, 1000000, 21);
  line(outside, INT_MIN, INT_MAX, INT_MAX, INT_MIN + 100);  // misses the corner
  EXPECT_TRUE(lit(outside, kWhite).empty());
  EXPECT_EQ(outside.x(), INT_MAX);
  EXPECT_EQ(outside.y(), INT_MIN + 100);
}

TEST(CanvasTest, SteepAndShallowLinesClipConsistently) {
  // Lines from far outside, compared pixel by pixel with the same lines on a canvas big enough
  // to hold them whole.
  const int lines[][4] = {{-500, 3, 700, 31}, {12, -800, 27, 900}, {-300, 600, 400, -250},
                          {45, 45, -1000, -990}, {-7, 19, 60, 1}};
  for (const auto& l : lines) {
    Canvas small(50, 40), large(2100, 2100);
    const int shift = 1050;
    line(small, l[0], l[1], l[2], l[3]);
    line(large, l[0] + shift, l[1] + shift, l[2] + shift, l[3] + shift);
    for (int y = 0; y < 40; ++y) {
      for (int x = 0; x < 50; ++x) {
        ASSERT_EQ(small.pixel(x, y), large.pixel(x + shift, y + shift))
            << l[0] << " " << x << "," << y;
      }
    }
  }
}

// Lines that leave the canvas across the minor axis exactly where the true line is half a pixel
// past the last row (x-major) or column (y-major): the walk rounds such a tie away from the
// canvas, so the step there is off it and must not be painted, neither past the pixels' end nor
// wrapped into the next row.
TEST(CanvasTest, LineLeavingAtAHalfPixelTieDrawsNothingOffTheCanvas) {
  // Slope 1/2 from the last row or column inward: the minor coordinate is k(i) = floor((i+1)/2)
  const int lines[][4] = {{0, 17, 8, 21}, {2, 10, -2, 18}, {27, 0, 31, 8},  {2, 19, -2, 11},
                          {0, 19, 4, 21}, {29, 0, 25, -2}, {29, 5, 31, 9},  {0, 5, -2, 9}};
  const int shift = 100;
  for (const auto& l : lines) {
    Canvas small(30, 20), large(240, 220);
    line(small, l[0], l[1], l[2], l[3]);
    line(large, l[0] + shift, l[1] + shift, l[2] + shift, l[3] + shift);
    for (int y = 0; y < 20; ++y) {
      for (int x = 0; x < 30; ++x) {
        ASSERT_EQ(small.pixel(x, y), large.pixel(x + shift, y + shift))
            << l[0] << "," << l[1] << " - " << l[2] << "," << l[3] << " at " << x << "," << y;
      }
    }
  }
}

// Lines with ends on, just off and well off the edges, dashed: a line that stays on the canvas
// is walked whole and one that leaves it is clipped, and either way the pixels are those of the
// same line drawn whole on a larger canvas.
TEST(CanvasTest, LinesNearTheEdgesDrawAsOnALargerCanvas) {
  const int coordinates[] = {-40, -1, 0, 1, 17, 28, 29, 30, 31, 70};
  const int shift = 100;
  for (int x0 : coordinates) {
    for (int y1 : coordinates) {
      const int ends[][4] = {{x0, 5, 13, y1}, {29 - x0, y1, x0, 19 - y1}, {x0, y1, 31 - y1, x0}};
      for (const auto& e : ends) {
        Canvas small(30, 20), large(240, 220);
        small.set_line_mask(0xF0F0);
        large.set_line_mask(0xF0F0);
        line(small, e[0], e[1], e[2], e[3]);
        line(large, e[0] + shift, e[1] + shift, e[2] + shift, e[3] + shift);
        for (int y = 0; y < 20; ++y) {
          for (int x = 0; x < 30; ++x) {
            ASSERT_EQ(small.pixel(x, y), large.pixel(x + shift, y + shift))
                << e[0] << "," << e[1] << " - " << e[2] << "," << e[3] << " at " << x << "," << y;
          }
        }
      }
    }
  }
}

TEST(CanvasTest, RectanglesFilledAndOutlinedWithCornersInAnyOrder) {
  Canvas canvas(12, 10);
  canvas.set_line_color(kGreen);
  canvas.draw_rectangle(kRectFilled, 7, 6, 3, 2);
  std::vector<Point> expected;
  for (int y = 2; y <= 6; ++y) {
    for (int x = 3; x <= 7; ++x) expected.push_back({x, y});
  }
  EXPECT_EQ(lit(canvas, kGreen), expected);

  Canvas outline(12, 10);
  outline.set_line_color(kRed);
  outline.draw_rectangle(kRectOutline, 9, 1, 2, 7);
  EXPECT_EQ(row_pattern(outline, 1, 0, 11), "..########..");
  EXPECT_EQ(row_pattern(outline, 4, 0, 11), "..#......#..");
  EXPECT_EQ(row_pattern(outline, 7, 0, 11), "..########..");
  EXPECT_EQ(row_pattern(outline, 8, 0, 11), "............");
  outline.draw_rectangle(1, 0, 0, 11, 9);  // not a mode
  EXPECT_EQ(lit(outline, kRed).size(), 2u * 8 + 2u * 5);

  Canvas huge(12, 10);
  huge.draw_rectangle(kRectFilled, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  EXPECT_EQ(lit(huge, kWhite).size(), 120u);
  huge.set_background_color(kRed);
  huge.clear();
  EXPECT_EQ(lit(huge, kRed).size(), 120u);
}

// A canvas that draws every line afresh on a blank canvas of its own and copies its pixels over:
// whatever was drawn before, no line is left out.
class EveryLineCanvas {
 public:
  EveryLineCanvas(int width, int height) : image_(width, height) {}

  void move_to(int x, int y) { image_.move_to(x, y); }
  void line_to(int x, int y) {
    Canvas alone(image_.width(), image_.height());
    alone.set_background_color(0x010203);  // no line's colour
    alone.clear();
    alone.set_line_color(image_.line_color());
    alone.set_line_mask(image_.line_mask());
    alone.move_to(image_.x(), image_.y());
    alone.line_to(x, y);
    image_.move_to(x, y);
    const Image lines = alone.snapshot();
    for (int py = 0; py < lines.height; ++py) {
      for (int px = 0; px < lines.width; ++px) {
        if (lines.rgb(px, py) != 0x010203) image_.set_pixel(px, py, lines.rgb(px, py));
      }
    }
  }
  void set_pixel(int x, int y, Rgb rgb) { image_.set_pixel(x, y, rgb); }
  void set_line_color(Rgb rgb) { image_.set_line_color(rgb); }
  void set_line_mask(std::uint16_t mask) { image_.set_line_mask(mask); }
  void set_background_color(Rgb rgb) { image_.set_background_color(rgb); }
  void draw_rectangle(int mode, int x1, int y1, int x2, int y2) {
    image_.draw_rectangle(mode, x1, y1, x2, y2);
  }
  void draw_ink(std::span<const InkMask> masks, Rgb ink, const PixelBox* background) {
    image_.draw_ink(masks, ink, background);
  }
  void clear() { image_.clear(); }
  const Canvas& image() const { return image_; }

 private:
  Canvas image_;
};

// Draws the same scene on a canvas, where lines drawn before may be skipped, and on one that
// draws every line.
TEST(CanvasTest, SkippingLinesDrawnBeforeLeavesTheImageIdentical) {
  Canvas fast(40, 30);
  EveryLineCanvas reference(40, 30);
  auto run = [](auto& c) {
    auto seg = [&](int x0, int y0, int x1, int y1) {
      c.move_to(x0, y0);
      c.line_to(x1, y1);
    };
    seg(0, 0, 39, 29);
    c.set_background_color(0x202020);
    c.clear();
    seg(0, 0, 39, 29);  // cleared away: drawn again
    c.set_line_color(kRed);
    seg(1, 1, 30, 20);
    seg(1, 1, 30, 20);
    c.set_pixel(15, 10, kGreen);  // on the line: the repeat must paint it again
    seg(1, 1, 30, 20);
    c.set_line_color(kGreen);  // same line, other colour
    seg(1, 1, 30, 20);
    c.set_line_mask(0xF0F0);  // same line, other mask over the green one
    c.set_line_color(kRed);
    seg(1, 1, 30, 20);
    seg(1, 1, 30, 20);
    c.set_line_mask(0xFFFF);
    // Lines drawn again after others in their colour, and after others in another colour
    seg(0, 5, 39, 5);
    seg(10, 0, 10, 28);
    seg(0, 5, 39, 5);
    c.set_pixel(20, 5, kRed);  // a pixel in the lines' colour leaves them whole
    seg(10, 0, 10, 28);
    c.set_line_color(kGreen);
    seg(0, 6, 39, 4);  // crosses the red line at (20, 5)
    c.set_line_color(kRed);
    seg(0, 27, 39, 27);  // red again, but the green crossing stays
    seg(0, 5, 39, 5);
    c.set_pixel(10, 12, kGreen);
    c.set_pixel(12, 12, kRed);
    seg(10, 0, 10, 28);
    c.set_line_color(kWhite);
    seg(0, 29, 39, 0);
    c.draw_rectangle(kRectFilled, 18, 10, 22, 18);
    seg(0, 29, 39, 0);
    c.set_background_color(0x808080);
    seg(0, 29, 39, 0);
    c.draw_ink({}, kRed, nullptr);
    seg(0, 29, 39, 0);
    // A repeat that is skipped still moves the current position.
    c.move_to(5, 25);
    c.line_to(35, 25);
    c.move_to(5, 25);
    c.line_to(35, 25);
    c.line_to(35, 2);
  };
  run(fast);
  run(reference);
  EXPECT_EQ(fast.snapshot().pixels, reference.image().snapshot().pixels);
  EXPECT_EQ(fast.pixel(35, 2), kWhite);
  EXPECT_EQ(fast.pixel(20, 5), kRed);  // the red line drawn over the green one crossing it
  EXPECT_EQ(fast.pixel(10, 12), kRed);
}

TEST(CanvasTest, ChangeCounterGrowsWithDrawingButNotWithASkippedRepeat) {
  Canvas canvas(10, 10);
  const std::uint64_t start = canvas.change_count();
  line(canvas, 0, 0, 9, 9);
  const std::uint64_t after_line = canvas.change_count();
  EXPECT_GT(after_line, start);
  line(canvas, 0, 0, 9, 9);
  EXPECT_EQ(canvas.change_count(), after_line);
  line(canvas, 9, 0, 0, 9);
  const std::uint64_t after_cross = canvas.change_count();
  line(canvas, 0, 0, 9, 9);  // drawn whole before, in the one colour painted since
  EXPECT_EQ(canvas.change_count(), after_cross);
  canvas.set_pixel(3, 4, kRed);
  EXPECT_GT(canvas.change_count(), after_cross);
  Image copy;
  EXPECT_EQ(canvas.snapshot_into(copy), canvas.change_count());
  EXPECT_EQ(copy.rgb(3, 4), kRed);
}

// Meant for thread checkers as much as for itself: copies are whole images of one size.
TEST(CanvasTest, AViewerCopiesWhileTheProgramDraws) {
  Canvas canvas(200, 100);
  std::atomic<bool> done{false};
  std::thread viewer([&] {
    Image copy;
    std::uint64_t seen = 0;
    while (!done.load()) {
      if (canvas.change_count() == seen) continue;
      const std::uint64_t version = canvas.snapshot_into(copy);
      EXPECT_GE(version, seen);
      seen = version;
      EXPECT_EQ(copy.pixels.size(), std::size_t(copy.width) * copy.height);
    }
  });
  for (int i = 0; i < 20000; ++i) {
    canvas.set_line_color(Rgb(i));
    line(canvas, i % 200, 0, 199 - i % 200, 99);
    if (i % 5000 == 0) canvas.resize(i % 10000 ? 100 : 200, i % 10000 ? 50 : 100);
  }
  done = true;
  viewer.join();
}

TEST(CanvasTest, ResizeGivesABlackImageAndKeepsTheDrawingState) {
  Canvas canvas(10, 10);
  canvas.set_line_color(kGreen);
  canvas.set_line_mask(0xF0F0);
  line(canvas, 0, 0, 9, 0);
  canvas.resize(30, 5);
  EXPECT_EQ(canvas.width(), 30);
  EXPECT_EQ(lit(canvas, 0).size(), 150u);
  line(canvas, 0, 0, 9, 0);  // the same line again is drawn: the image was replaced
  EXPECT_EQ(row_pattern(canvas, 0, 0, 9), "####....##");
  EXPECT_EQ(canvas.pixel(0, 0), kGreen);
}

}  // namespace
}  // namespace lumi
