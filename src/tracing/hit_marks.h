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
#pragma once

#include "graphics/graphics.h"
#include "tracing/sweep_pool.h"

namespace lumi {

class alignas(kCacheLine) HitMarks {
 public:
  HitMarks(Graphics& g, int window) : g_(g), window_(window) {}

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
    } else {
      g_.plot_pixel_rgb(window_, at, g_.palette_rgb(color));
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
  int last_color_ = -1;
};

}  // namespace lumi
