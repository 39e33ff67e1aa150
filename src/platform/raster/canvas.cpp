// Canvas drawing: clipped integer lines with dash masks, pixels, rectangles and glyph ink.
#include "platform/raster/canvas.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

namespace lumi {

namespace {

// Line set-up products reach 2^66 for lines between far-apart int coordinates; the per-pixel loop
// itself stays within 64 bits.
using Wide = __int128;

Wide floor_div(Wide a, Wide b) {  // b > 0
  const Wide q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

Wide ceil_div(Wide a, Wide b) {  // b > 0
  const Wide q = a / b;
  return (a % b != 0 && a > 0) ? q + 1 : q;
}

// A Bresenham walk over the visible part of a line, in closed form so that clipping can start at
// the first visible pixel with the error term the whole walk would have there. Along the major
// axis step i = 0..n moves the major coordinate by i and the minor one by
// k(i) = floor((2·i·m + n) / 2n), m being the minor travel; k(0) = 0 and k(n) = m, so both ends
// are exact.
struct LineWalk {
  std::ptrdiff_t at = 0;  // pixel index of the first visible step
  std::int64_t first_step = 0;
  std::int64_t count = 0;  // visible steps
  std::int64_t remainder = 0, two_m = 0, two_n = 0;
  std::ptrdiff_t major_step = 0, minor_step = 0;
};

// A line from (x0, y0) to (x1, y1) along its major and minor axes.
struct LineAxes {
  LineAxes(int x0, int y0, int x1, int y1) {
    const std::int64_t dx = std::int64_t(x1) - x0;
    const std::int64_t dy = std::int64_t(y1) - y0;
    x_major = std::abs(dx) >= std::abs(dy);
    n = x_major ? std::abs(dx) : std::abs(dy);
    m = x_major ? std::abs(dy) : std::abs(dx);
    major0 = x_major ? x0 : y0;
    minor0 = x_major ? y0 : x0;
    major_sign = (x_major ? dx : dy) < 0 ? -1 : 1;
    minor_sign = (x_major ? dy : dx) < 0 ? -1 : 1;
  }
  bool x_major;
  std::int64_t n, m;  // major and minor travel
  std::int64_t major0, minor0;
  int major_sign, minor_sign;
};

// The steps lo..hi of a line that lie on the canvas, with k(lo) and the walk's remainder at lo.
struct VisibleSteps {
  std::int64_t lo = 0, hi = 0, k = 0, remainder = 0;
};

std::optional<VisibleSteps> clip_steps(const LineAxes& a, int width, int height) {
  const std::int64_t n = a.n, m = a.m;
  const std::int64_t major_end = (a.x_major ? width : height) - 1;
  const std::int64_t minor_end = (a.x_major ? height : width) - 1;
  // Steps whose major coordinate lies on the canvas
  VisibleSteps v;
  v.lo = std::max<std::int64_t>(0, a.major_sign > 0 ? -a.major0 : a.major0 - major_end);
  v.hi = std::min(n, a.major_sign > 0 ? major_end - a.major0 : a.major0);
  // Minor offsets on the canvas, turned into steps through k(i)
  const std::int64_t k_lo =
      std::max<std::int64_t>(0, a.minor_sign > 0 ? -a.minor0 : a.minor0 - minor_end);
  const std::int64_t k_hi = std::min(m, a.minor_sign > 0 ? minor_end - a.minor0 : a.minor0);
  if (k_lo > k_hi || v.lo > v.hi) return std::nullopt;
  if (m > 0) {
    const Wide two_n = Wide(2) * n, two_m = Wide(2) * m;
    v.lo = std::max<std::int64_t>(v.lo, std::int64_t(ceil_div(two_n * k_lo - n, two_m)));
    v.hi = std::min<std::int64_t>(v.hi,
                                  std::int64_t(floor_div(two_n * (k_hi + 1) - n - 1, two_m)));
    if (v.lo > v.hi) return std::nullopt;
  }
  const Wide start = Wide(2) * v.lo * m + n;
  v.k = n == 0 ? 0 : std::int64_t(start / (Wide(2) * n));
  v.remainder = n == 0 ? 0 : std::int64_t(start % (Wide(2) * n));
  return v;
}

std::optional<LineWalk> plan_line(int x0, int y0, int x1, int y1, int width, int height) {
  const LineAxes a(x0, y0, x1, y1);
  const auto on_canvas = [&](int x, int y) {
    return x >= 0 && x < width && y >= 0 && y < height;
  };
  // A line with both ends on the canvas is walked whole from its first end, where k(0) = 0 and
  // the remainder is (2·0·m + n) mod 2n = n; it needs none of the clipping's wide divisions.
  VisibleSteps v{0, a.n, 0, a.n};
  if (!on_canvas(x0, y0) || !on_canvas(x1, y1)) {
    const std::optional<VisibleSteps> clipped = clip_steps(a, width, height);
    if (!clipped) return std::nullopt;
    v = *clipped;
  }

  LineWalk walk;
  walk.remainder = v.remainder;
  walk.two_m = 2 * a.m;
  walk.two_n = 2 * a.n;
  const std::int64_t major = a.major0 + a.major_sign * v.lo;
  const std::int64_t minor = a.minor0 + a.minor_sign * v.k;
  walk.at = a.x_major ? minor * width + major : major * width + minor;
  walk.first_step = v.lo;
  walk.count = v.hi - v.lo + 1;
  walk.major_step = a.x_major ? a.major_sign : std::ptrdiff_t(a.major_sign) * width;
  walk.minor_step = a.x_major ? std::ptrdiff_t(a.minor_sign) * width : a.minor_sign;
  return walk;
}

// Walks the line, painting the steps for which `draw(state)` says so. The index, not a pointer,
// moves: the step after the last pixel may lead off the image.
template <typename Draw>
void walk_line(Pixel* pixels, LineWalk walk, Pixel ink, Draw draw, std::uint32_t state = 0) {
  for (std::int64_t i = 0; i < walk.count; ++i) {
    if (draw(state)) pixels[walk.at] = ink;
    walk.at += walk.major_step;
    walk.remainder += walk.two_m;
    if (walk.remainder >= walk.two_n) {
      walk.remainder -= walk.two_n;
      walk.at += walk.minor_step;
    }
  }
}

bool valid_size(int width, int height) {
  return width >= 1 && height >= 1 && width <= Canvas::kMaxSide && height <= Canvas::kMaxSide;
}

}  // namespace

Canvas::Canvas(int width, int height) { resize(width, height); }

void Canvas::resize(int width, int height) {
  if (!valid_size(width, height)) width = height = 1;
  std::lock_guard lock(mutex_);
  width_ = width;
  height_ = height;
  pixels_.assign(std::size_t(width) * std::size_t(height), pixel_from_rgb(0));
  drawn_lines_.forget();
  mark_changed();
}

int Canvas::width() const {
  std::lock_guard lock(mutex_);
  return width_;
}

int Canvas::height() const {
  std::lock_guard lock(mutex_);
  return height_;
}

void Canvas::move_to(int x, int y) {
  x_ = x;
  y_ = y;
}

void Canvas::line_to(int x, int y) {
  const SegmentMemo::Segment segment{x_, y_, x, y, line_mask_};
  x_ = x;
  y_ = y;
  if (drawn_lines_.holds(segment, line_color_)) return;
  {
    std::lock_guard lock(mutex_);
    draw_segment(segment.x0, segment.y0, segment.x1, segment.y1);
  }
  drawn_lines_.painted(line_color_);
  drawn_lines_.add(segment);
  mark_changed();
}

void Canvas::draw_segment(int x0, int y0, int x1, int y1) {
  const std::optional<LineWalk> walk = plan_line(x0, y0, x1, y1, width_, height_);
  if (!walk) return;
  const Pixel ink = pixel_from_rgb(line_color_);
  if (line_mask_ == 0xFFFF) {  // solid lines, most of them: no mask test
    walk_line(pixels_.data(), *walk, ink, [](std::uint32_t&) { return true; });
    return;
  }
  // The pattern turned so that its bit 15 belongs to the first pixel on the canvas
  const std::uint32_t mask = line_mask_;
  const int phase = int(walk->first_step & 15);
  std::uint32_t pattern = (mask << phase | mask >> (16 - phase)) & 0xFFFFu;
  walk_line(pixels_.data(), *walk, ink, [](std::uint32_t& bits) {
    const bool on = bits & 0x8000u;
    bits = (bits << 1 | bits >> 15) & 0xFFFFu;
    return on;
  }, pattern);
}

void Canvas::paint(Pixel& pixel, Rgb rgb) {
  {
    std::lock_guard lock(mutex_);
    pixel = pixel_from_rgb(rgb);
  }
  drawn_lines_.painted(rgb);
  mark_changed();
}

void Canvas::fill_box(PixelBox box, Pixel pixel) {
  box.left = std::max(box.left, 0);
  box.top = std::max(box.top, 0);
  box.right = std::min(box.right, width_ - 1);
  box.bottom = std::min(box.bottom, height_ - 1);
  if (box.left > box.right) return;
  for (int y = box.top; y <= box.bottom; ++y) {
    Pixel* row = pixels_.data() + std::size_t(y) * width_;
    std::fill(row + box.left, row + box.right + 1, pixel);
  }
}

void Canvas::draw_rectangle(int mode, int x1, int y1, int x2, int y2) {
  if (mode != kRectOutline && mode != kRectFilled) return;
  const PixelBox box{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
  std::lock_guard lock(mutex_);
  drawn_lines_.painted(line_color_);
  if (mode == kRectFilled) {
    fill_box(box, pixel_from_rgb(line_color_));
  } else {
    // The outline follows the line mask like any other line, edge by edge.
    draw_segment(box.left, box.top, box.right, box.top);
    draw_segment(box.right, box.top, box.right, box.bottom);
    draw_segment(box.right, box.bottom, box.left, box.bottom);
    draw_segment(box.left, box.bottom, box.left, box.top);
  }
  mark_changed();
}

void Canvas::clear() {
  std::lock_guard lock(mutex_);
  drawn_lines_.painted(background_color_);
  std::fill(pixels_.begin(), pixels_.end(), pixel_from_rgb(background_color_));
  mark_changed();
}

void Canvas::draw_ink(std::span<const InkMask> masks, Rgb ink, const PixelBox* background) {
  const Pixel ink_pixel = pixel_from_rgb(ink);
  std::lock_guard lock(mutex_);
  if (background) drawn_lines_.painted(background_color_);
  drawn_lines_.painted(ink);
  if (background) fill_box(*background, pixel_from_rgb(background_color_));
  for (const InkMask& mask : masks) {
    const int y_from = std::max(0, -mask.top), y_to = std::min(mask.height, height_ - mask.top);
    const int x_from = std::max(0, -mask.left), x_to = std::min(mask.width, width_ - mask.left);
    for (int y = y_from; y < y_to; ++y) {
      const std::uint8_t* bits = mask.bits + std::size_t(y) * mask.width;
      Pixel* row = pixels_.data() + std::size_t(mask.top + y) * width_ + mask.left;
      for (int x = x_from; x < x_to; ++x) {
        if (bits[x]) row[x] = ink_pixel;
      }
    }
  }
  mark_changed();
}

std::uint64_t Canvas::snapshot_into(Image& out) const {
  std::lock_guard lock(mutex_);
  out.width = width_;
  out.height = height_;
  out.pixels.assign(pixels_.begin(), pixels_.end());
  return changes_.load(std::memory_order_relaxed);
}

Image Canvas::snapshot() const {
  Image image;
  snapshot_into(image);
  return image;
}

Rgb Canvas::pixel(int x, int y) const {
  std::lock_guard lock(mutex_);
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return rgb_from_pixel(pixels_[std::size_t(y) * width_ + x]);
}

}  // namespace lumi
