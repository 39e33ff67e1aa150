// The hit marks of a sweep, each in its own palette colour. An element draws a ray as its segment
// in the scheme window (window 1) and its mark in the element's window, choosing the mark's colour
// just before plotting it. Where the marks have a window of their own, no segment is drawn in a
// colour chosen for a mark (the element chooses the segments' colour again before each, or
// chooses the marks' colours in the element's window), so of all those choices only the last
// outlives the sweep: the marks are plotted in their colours without choosing them, and the
// element makes the last choice once, when the sweep is over. Marks in the scheme window itself
// choose their colours as they come.
//
// The tracing thread writes the last colour for every mark it draws, while the helpers of a sweep
// read what the element keeps beside it on the stack (its frame, its bounds): the object takes a
// cache line of its own, or every mark would take that line away from the helpers.
//
// A mark whose pixel an earlier mark of the same sweep painted in the same colour would change
// nothing: the marks' window takes nothing but the marks while they are drawn. With a
// PaintedPixels, such a mark is not plotted at all, which spares the tracing thread the drawing
// calls of most marks of a dense spot; the pixels, and every choice of colour and window that
// outlives the sweep, are the same.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "graphics/graphics.h"
#include "tracing/sweep_pool.h"
#include "tracing/zeroed_pages.h"

namespace lumi {

// The colours the marks of one element have painted, a byte for each pixel of the first kSide
// rows and columns of its window: the palette index plus one, 0 where no mark painted. Made once
// with the program; its pages are zeroed by the system as they are first touched, and only the
// box the marks touched is cleared after each element.
class PaintedPixels {
 public:
  static constexpr int kSide = 1024;

  PaintedPixels() : memory_(std::size_t{kSide} * kSide), colors_(memory_.as<std::uint8_t>()) {}

  bool painted(PixelPoint p, int color) const {
    return inside(p) && colors_[index(p)] == color + 1;
  }
  void paint(PixelPoint p, int color) {
    if (!inside(p)) return;
    colors_[index(p)] = static_cast<std::uint8_t>(color + 1);
    if (p.x < box_.x0) box_.x0 = p.x;
    if (p.x > box_.x1) box_.x1 = p.x;
    if (p.y < box_.y0) box_.y0 = p.y;
    if (p.y > box_.y1) box_.y1 = p.y;
  }
  // Nothing painted: for the next element, whose window may show anything there.
  void forget() {
    for (int y = box_.y0; y <= box_.y1; ++y) {
      std::uint8_t* row = colors_ + index({box_.x0, y});
      std::fill(row, row + (box_.x1 - box_.x0 + 1), std::uint8_t{0});
    }
    box_ = {};
  }

 private:
  static bool inside(PixelPoint p) { return p.x >= 0 && p.x < kSide && p.y >= 0 && p.y < kSide; }
  static std::size_t index(PixelPoint p) {
    return static_cast<std::size_t>(p.y) * kSide + static_cast<std::size_t>(p.x);
  }

  ZeroedPages memory_;
  std::uint8_t* colors_;
  struct Box {
    int x0 = kSide, x1 = -1, y0 = kSide, y1 = -1;  // empty
  } box_;
};

class alignas(kCacheLine) HitMarks {
 public:
  // With `painted`, marks that an earlier mark of this object painted are left out (not for the
  // scheme window, where segments are drawn between marks).
  HitMarks(Graphics& g, int window, PaintedPixels* painted = nullptr)
      : g_(g), window_(window), painted_(window == 1 ? nullptr : painted) {}
  ~HitMarks() {
    if (painted_) painted_->forget();
  }
  HitMarks(const HitMarks&) = delete;
  HitMarks& operator=(const HitMarks&) = delete;

  // Chooses `color` in the scheme window for the segment drawn next, for an element that chooses
  // its segments' colour there before each: only before the first, unless the marks choose
  // theirs there as they come.
  void choose_segment_color(int color) {
    if (any() && !choose_each()) return;
    g_.select_window(1, 0);
    g_.select_color(color);
  }

  void plot(PixelPoint at, int color) {
    last_color_ = color;
    if (choose_each()) {
      g_.select_window(window_, 0);
      g_.select_color(color);
      g_.plot_pixel(window_, at);
    } else if (!painted_ || !painted_->painted(at, color)) {
      g_.plot_pixel_rgb(window_, at, g_.palette_rgb(color));
      if (painted_) painted_->paint(at, color);
    }
  }

  bool any() const { return last_color_ >= 0; }

  // The choice of the last mark's colour, made in window `chosen_in`, where the element chooses
  // the marks' colours, and the window selected after it; nothing when no mark was plotted.
  void choose_last_color(int chosen_in, int then_selected) {
    if (!any()) return;
    g_.select_window(chosen_in, 0);
    g_.select_color(last_color_);
    g_.select_window(then_selected, 0);
  }

 private:
  // Whether each mark's colour is chosen (in the scheme window) as it is plotted.
  bool choose_each() const { return window_ == 1; }

  Graphics& g_;
  int window_;
  PaintedPixels* painted_;
  int last_color_ = -1;
};

}  // namespace lumi
