// The pixels of one window and its drawing state: current position, colours, line mask, font and
// text angle. The program thread draws into it while a GUI thread may copy the image out; every
// drawing operation holds the canvas mutex once, briefly, and bumps a change counter.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "graphics/platform.h"
#include "platform/raster/large_pages.h"
#include "platform/raster/segment_memo.h"

namespace lumi {

// Pixels are stored as 0xFFRRGGBB, the layout of a 32-bit RGB image in the GUI toolkits, so a
// copy can be shown without converting it.
using Pixel = std::uint32_t;

constexpr Pixel pixel_from_rgb(Rgb rgb) noexcept {
  return 0xFF000000u | (rgb & 0xFFu) << 16 | (rgb & 0xFF00u) | (rgb >> 16 & 0xFFu);
}
constexpr Rgb rgb_from_pixel(Pixel p) noexcept {
  return (p >> 16 & 0xFFu) | (p & 0xFF00u) | (p & 0xFFu) << 16;
}

struct Image {
  int width = 0;
  int height = 0;
  std::vector<Pixel> pixels;  // row by row, top row first

  Rgb rgb(int x, int y) const { return rgb_from_pixel(pixels[std::size_t(y) * width + x]); }
};

// Pixels of an image held elsewhere, laid out as Image's.
struct ImageView {
  int width = 0;
  int height = 0;
  const Pixel* pixels = nullptr;
};

// A glyph bitmap placed on the canvas: one byte per pixel, non-zero where there is ink.
struct InkMask {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  const std::uint8_t* bits = nullptr;
};

struct PixelBox {
  int left = 0, top = 0, right = 0, bottom = 0;  // inclusive
};

class Canvas {
 public:
  static constexpr int kMaxSide = 16384;

  Canvas(int width, int height);  // black
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  // A new black image of the given size; the drawing state stays. Sides are 1..kMaxSide.
  void resize(int width, int height);
  int width() const;
  int height() const;

  // Drawing state. Only the program thread calls these.
  void set_line_color(Rgb rgb) { line_color_ = rgb; }
  void set_text_color(Rgb rgb) { text_color_ = rgb; }
  void set_background_color(Rgb rgb) { background_color_ = rgb; }
  void set_line_mask(std::uint16_t mask) { line_mask_ = mask; }
  void set_font(int font) { font_ = font; }
  void set_text_rotation(int tenths) { text_rotation_ = tenths; }
  void set_text_cell(int row, int column) { text_row_ = row, text_column_ = column; }
  Rgb line_color() const { return line_color_; }
  Rgb text_color() const { return text_color_; }
  Rgb background_color() const { return background_color_; }
  std::uint16_t line_mask() const { return line_mask_; }
  int font() const { return font_; }
  int text_rotation() const { return text_rotation_; }
  int text_row() const { return text_row_; }
  int text_column() const { return text_column_; }
  int x() const { return x_; }
  int y() const { return y_; }

  // Drawing. Coordinates may lie anywhere; what falls outside the image is clipped.
  void move_to(int x, int y);
  // A line from the current position to (x, y), both ends drawn, in the line colour; pixel i of
  // the line (from 0) is drawn when bit 15 - i % 16 of the mask is set. (x, y) becomes current.
  void line_to(int x, int y);
  void set_pixel(int x, int y, Rgb rgb) {
    // Only this thread changes the image, so it may read it without the lock: a pixel that has
    // the colour already is left alone.
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    Pixel& pixel = pixels_[std::size_t(y) * width_ + x];
    if (pixel != pixel_from_rgb(rgb)) paint(pixel, rgb);
  }
  // kRectOutline or kRectFilled, in the line colour; corners in any order. Other modes are ignored.
  void draw_rectangle(int mode, int x1, int y1, int x2, int y2);
  void clear();  // everything in the background colour
  // Glyph bitmaps in one colour, over an optional box filled with the background colour first.
  void draw_ink(std::span<const InkMask> masks, Rgb ink, const PixelBox* background);

  // For other threads: a counter that grows with every change of the image, and a copy of the
  // image taken under the lock. snapshot_into reuses the storage of `out` and returns the counter
  // that the copy reflects.
  std::uint64_t change_count() const { return changes_.load(std::memory_order_acquire); }
  std::uint64_t snapshot_into(Image& out) const;
  Image snapshot() const;
  // Calls read(ImageView) with the image itself under the lock, and returns what it returns: for
  // a reader that goes over the image once (a file written), a copy would cost more than the
  // reading.
  template <class Read>
  auto read(Read&& read) const {
    std::lock_guard lock(mutex_);
    return read(ImageView{width_, height_, pixels_.data()});
  }
  Rgb pixel(int x, int y) const;  // locks; 0 outside the image

 private:
  // Only the drawing thread changes the image, so a plain store of the next count suffices.
  void mark_changed() {
    changes_.store(changes_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
  }
  void paint(Pixel& pixel, Rgb rgb);  // a pixel of the image that has another colour
  void fill_box(PixelBox box, Pixel pixel);  // lock held
  void draw_segment(int x0, int y0, int x1, int y1);  // lock held

  mutable std::mutex mutex_;
  std::atomic<std::uint64_t> changes_{0};
  int width_ = 0;
  int height_ = 0;
  std::vector<Pixel, LargePages<Pixel>> pixels_;

  int x_ = 0, y_ = 0;
  Rgb line_color_ = 0xFFFFFF;
  Rgb text_color_ = 0xFFFFFF;
  Rgb background_color_ = 0;
  std::uint16_t line_mask_ = 0xFFFF;
  int font_ = -1;
  int text_rotation_ = 0;
  int text_row_ = 1, text_column_ = 1;

  // The lines drawn since anything was painted in another colour: the program thread's own.
  SegmentMemo drawn_lines_;
};

}  // namespace lumi
