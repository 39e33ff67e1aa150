// Canvas drawing: clipped integer lines with dash masks, pixels, rectangles and glyph ink.
#include "platform/raster/canvas.h"

#include <algorithm>
#include <cstdlib>

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
  last_segment_valid_ = false;
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
  const Segment segment{x_, y_, x, y, line_color_, line_mask_};
  x_ = x;
  y_ = y;
  std::lock_guard lock(mutex_);
  if (last_segment_valid_ && segment == last_segment_) return;
  draw_segment(segment.x0, segment.y0, segment.x1, segment.y1);
  last_segment_ = segment;
  last_segment_valid_ = true;
  mark_changed();
}

// Bresenham's line in closed form, so that clipping can start the walk at the first visible pixel
// with the same error term the full walk would have there. Along the major axis step i = 0..n
// moves the major coordinate by i and the minor one by k(i) = floor((2·i·m + n) / 2n), m being the
// minor travel; k(0) = 0 and k(n) = m, so both ends are exact.
void Canvas::draw_segment(int x0, int y0, int x1, int y1) {
  const std::int64_t dx = std::int64_t(x1) - x0;
  const std::int64_t dy = std::int64_t(y1) - y0;
  const bool x_major = std::abs(dx) >= std::abs(dy);
  const std::int64_t n = x_major ? std::abs(dx) : std::abs(dy);
  const std::int64_t m = x_major ? std::abs(dy) : std::abs(dx);
  const std::int64_t major0 = x_major ? x0 : y0;
  const std::int64_t minor0 = x_major ? y0 : x0;
  const int major_sign = (x_major ? dx : dy) < 0 ? -1 : 1;
  const int minor_sign = (x_major ? dy : dx) < 0 ? -1 : 1;
  const std::int64_t major_end = (x_major ? width_ : height_) - 1;
  const std::int64_t minor_end = (x_major ? height_ : width_) - 1;

  // Steps whose major coordinate lies on the canvas
  std::int64_t lo = 0, hi = n;
  if (major_sign > 0) {
    lo = std::max(lo, -major0);
    hi = std::min(hi, major_end - major0);
  } else {
    lo = std::max(lo, major0 - major_end);
    hi = std::min(hi, major0);
  }
  // Minor offsets on the canvas, turned into steps through k(i)
  const std::int64_t k_lo = std::max<std::int64_t>(0, minor_sign > 0 ? -minor0 : minor0 - minor_end);
  const std::int64_t k_hi = std::min(m, minor_sign > 0 ? minor_end - minor0 : minor0);
  if (k_lo > k_hi || lo > hi) return;
  if (m > 0) {
    const Wide two_n = Wide(2) * n, two_m = Wide(2) * m;
    lo = std::max<std::int64_t>(lo, std::int64_t(ceil_div(two_n * k_lo - n, two_m)));
    hi = std::min<std::int64_t>(hi, std::int64_t(floor_div(two_n * (k_hi + 1) - n - 1, two_m)));
    if (lo > hi) return;
  }

  // Walk from the first visible step
  const Wide start = Wide(2) * lo * m + n;
  const std::int64_t two_n = 2 * n, two_m = 2 * m;
  const std::int64_t k = n == 0 ? 0 : std::int64_t(start / two_n);
  std::int64_t remainder = n == 0 ? 0 : std::int64_t(start % two_n);
  const std::int64_t major = major0 + major_sign * lo;
  const std::int64_t minor = minor0 + minor_sign * k;
  const std::int64_t x = x_major ? major : minor, y = x_major ? minor : major;
  const std::ptrdiff_t major_step = x_major ? major_sign : std::ptrdiff_t(major_sign) * width_;
  const std::ptrdiff_t minor_step = x_major ? std::ptrdiff_t(minor_sign) * width_ : minor_sign;
  Pixel* p = pixels_.data() + y * width_ + x;
  const Pixel ink = pixel_from_rgb(line_color_);
  const unsigned mask = line_mask_;
  for (std::int64_t i = lo;; ++i) {
    if (mask >> (15 - (i & 15)) & 1u) *p = ink;
    if (i == hi) break;
    p += major_step;
    remainder += two_m;
    if (remainder >= two_n) {
      remainder -= two_n;
      p += minor_step;
    }
  }
}

void Canvas::set_pixel(int x, int y, Rgb rgb) {
  std::lock_guard lock(mutex_);
  last_segment_valid_ = false;
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[std::size_t(y) * width_ + x] = pixel_from_rgb(rgb);
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
  last_segment_valid_ = false;
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
  last_segment_valid_ = false;
  std::fill(pixels_.begin(), pixels_.end(), pixel_from_rgb(background_color_));
  mark_changed();
}

void Canvas::draw_ink(std::span<const InkMask> masks, Rgb ink, const PixelBox* background) {
  const Pixel ink_pixel = pixel_from_rgb(ink);
  std::lock_guard lock(mutex_);
  last_segment_valid_ = false;
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
