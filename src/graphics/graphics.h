// Element windows and their views: window numbers 1..100 with a fixed logical size of 240 by 180,
// views 1..20 in each, the mapping between world coordinates and pixels, the 16-colour palette,
// line styles and captions. Every drawing helper first makes its window the active one, so
// callers name the window in every call.
//
// The platform hears of drawing state only when drawing needs it: the platform's active window,
// a window's colours and its current position are passed on just before something is drawn with
// them, and a line or point that repeats the last thing drawn in its window (same pixels, same
// colour) is left out, since it would change no pixel. So everything drawn on a window must go
// through this class, never straight to the platform.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string_view>

#include "graphics/platform.h"
#include "model/numeric.h"

namespace lumi {

inline constexpr int kMaxWindows = 100;
inline constexpr int kMaxViews = 20;
inline constexpr float kLogicalWidth = 240.0f;
inline constexpr float kLogicalHeight = 180.0f;

// Palette indexes with a fixed role.
namespace color {
inline constexpr int kBlack = 0;
inline constexpr int kRay = 1;            // ray segments and stopped hits (red)
inline constexpr int kPassingHit = 3;     // passing hits and the highlighted outline (green)
inline constexpr int kAperture = 4;       // aperture shapes (cyan)
inline constexpr int kOutline = 7;        // outline of a switched-on element (white)
inline constexpr int kOffOutline = 8;     // switched-off outline and the scheme axes (grey)
inline constexpr int kOffHighlight = 11;  // highlighted outline of a switched-off element
}  // namespace color

// Pen values of draw_to.
inline constexpr int kMove = 0;
inline constexpr int kLine = 1;

struct WindowRecord {
  float logical_width = kLogicalWidth;
  float logical_height = kLogicalHeight;
  float pixel_width = 0.0f;
  float pixel_height = 0.0f;
};

struct ViewRecord {
  float pixel_left = 0.0f, pixel_bottom = 0.0f, pixel_width = 0.0f, pixel_height = 0.0f;
  float x_min = 0.0f, y_min = 0.0f, x_max = 0.0f, y_max = 0.0f;
  float logical_left = 0.0f, logical_bottom = 0.0f, logical_right = 0.0f, logical_top = 0.0f;
};

struct PaletteColor {
  float r = 0.0f, g = 0.0f, b = 0.0f;
};

struct PixelPoint {
  int x = 0;
  int y = 0;
  bool operator==(const PixelPoint&) const = default;
};

// The mapping of a view's world coordinates to its pixels, in single precision and truncated,
// with the view record's numbers arranged for one coordinate after another. Every coordinate
// lands on the view's pixel rectangle: one whose mapping is not a number (NaN, or a point on an
// empty world range) lands on the left or top edge; infinities and points beyond an empty range
// land on the edge they point to.
class ViewMapping {
 public:
  ViewMapping() : ViewMapping(ViewRecord{}) {}
  explicit ViewMapping(const ViewRecord& rec)
      : x_min_(rec.x_min), x_range_(rec.x_max - rec.x_min), pixel_left_(rec.pixel_left),
        pixel_width_(rec.pixel_width), y_min_(rec.y_min), y_range_(rec.y_max - rec.y_min),
        pixel_bottom_(rec.pixel_bottom), pixel_height_(rec.pixel_height),
        x_edges_(trunc_to_int(rec.pixel_left),
                 trunc_to_int(static_cast<float>(trunc_to_int(rec.pixel_left)) + rec.pixel_width)),
        y_edges_(trunc_to_int(static_cast<float>(trunc_to_int(rec.pixel_bottom)) -
                              rec.pixel_height),
                 trunc_to_int(rec.pixel_bottom)) {}

  int x(float x) const {
    return x_edges_.clamp((x - x_min_) / x_range_ * pixel_width_ + pixel_left_ + 0.5f);
  }
  int y(float y) const {
    return y_edges_.clamp(pixel_bottom_ - (y - y_min_) / y_range_ * pixel_height_ + 0.5f);
  }

  // One axis in the form code mapping several coordinates at once uses: v lands on
  // origin + turn·((v - min) / range · size) + 0.5, truncated, raised to `low` (NaN too) and
  // lowered to `high`. turn is +1 for x and -1 for y, whose pixel rows run downward; multiplying
  // by it and adding is exact, so this is x() and y() to the bit. `exact` is false when the
  // edges are too far out for comparing floats with them to decide the pixel.
  struct Axis {
    float min, range, size, origin, turn, low, high;
    bool exact;
  };
  Axis x_axis() const {
    return {x_min_, x_range_, pixel_width_, pixel_left_, 1.0f, x_edges_.low_f, x_edges_.high_f,
            x_edges_.exact};
  }
  Axis y_axis() const {
    return {y_min_, y_range_, pixel_height_, pixel_bottom_, -1.0f, y_edges_.low_f,
            y_edges_.high_f, y_edges_.exact};
  }

 private:
  // The pixels from `low` to `high` along one axis: a pixel coordinate v truncated toward zero,
  // raised to `low` (NaN too), then lowered to `high`.
  struct Edges {
    Edges(int lo, int hi)
        : low(lo), high(hi), low_f(static_cast<float>(lo)), high_f(static_cast<float>(hi)),
          exact(lo > -kExactLimit && lo < kExactLimit && hi > -kExactLimit && hi < kExactLimit) {}
    // Raised to the lower edge (NaN too), then lowered to the upper one, as selects rather than
    // early returns; what is left converts within int.
    int clamp(float v) const {
      if (!exact) return clamp_slowly(v);
      const float raised = v > low_f ? v : low_f;
      return static_cast<int>(raised < high_f ? raised : high_f);
    }
    int clamp_slowly(float v) const {
      int p = std::isnan(v) ? low : trunc_to_int(v);
      if (p < low) p = low;
      if (p > high) p = high;
      return p;
    }
    // Edges within this are whole floats, so comparing with them decides the truncated value.
    static constexpr int kExactLimit = 1 << 24;
    int low, high;
    float low_f, high_f;
    bool exact;
  };

  float x_min_, x_range_, pixel_left_, pixel_width_;
  float y_min_, y_range_, pixel_bottom_, pixel_height_;
  Edges x_edges_, y_edges_;
};

// A view's mapping for a stream of points that often repeat a coordinate of the point before, as
// the hit marks and segments of a beam do: the pixel of the last x and of the last y are kept.
// The view must not change while the points are mapped.
class PointMapper {
 public:
  explicit PointMapper(const ViewMapping& map) : map_(map) {}

  PixelPoint operator()(float x, float y) {
    if (!(x == x_)) {
      x_ = x;
      pixel_.x = map_.x(x);
    }
    if (!(y == y_)) {
      y_ = y;
      pixel_.y = map_.y(y);
    }
    return pixel_;
  }

 private:
  static constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();  // equals nothing
  ViewMapping map_;
  float x_ = kNoValue, y_ = kNoValue;
  PixelPoint pixel_{};
};

// Window numbers outside 1..100 and view numbers outside 1..20 store nothing, and read back as
// empty records.
class Graphics {
 public:
  explicit Graphics(Platform& platform);

  // For what is not drawing on a window: fonts, the frame window, menu commands, reports.
  Platform& platform() { return platform_; }

  void open_element_window(int window, int pixel_height, int pixel_width, std::string_view title);
  // Makes drawing_window the target of drawing and brings front_window to the front; 0 skips
  // either half. The platform's active window follows at the next call that acts on it.
  void select_window(int drawing_window, int front_window) {
    if (drawing_window != 0) active_ = drawing_window;
    if (front_window != 0) bring_to_front(front_window);
  }
  // Closes a window and forgets it as the active one.
  void close_window(int window);

  void set_view_frame(int window, int view, float left, float bottom, float width, float height);
  void set_view_world(int window, int view, float x_min, float x_max, float y_min, float y_max);
  PixelPoint world_to_pixel(int window, int view, float x, float y) const;
  ViewMapping mapping(int window, int view) const { return ViewMapping(this->view(window, view)); }
  // world_to_pixel, remembering the last coordinates of each axis of the view: rays drawn one
  // after another often share coordinates, and a repeated one needs no arithmetic.
  PixelPoint map_point(int w, int v, float x, float y) {
    if (!valid_view(w, v)) return world_to_pixel(w, v, x, y);
    ViewMemo& memo = memo_[w][v];
    return {remembered<true>(memo.x, x, memo.map), remembered<false>(memo.y, y, memo.map)};
  }

  // Pixels outside the view give the nearest edge value; no number gives x min or y min.
  void pixel_to_world(int window, int view, int pixel_x, int pixel_y, float& x, float& y) const;

  void draw_to(int window, int view, float x, float y, int pen) {
    select_window(window, 0);
    pen_to(map_point(window, view, x, y), pen);
  }
  void draw_to_pixel(int window, int pixel_x, int pixel_y, int pen) {
    select_window(window, 0);
    pen_to({pixel_x, pixel_y}, pen);
  }
  // draw_to_pixel (from, kMove) then draw_to_pixel (to, kLine): a ray's segment in pixels. The
  // line last drawn in the window, again, changes no pixel and leaves the pen at its end.
  void draw_pixel_segment(int window, PixelPoint from, PixelPoint to) {
    select_window(window, 0);
    Pen* s = active_pen();
    if (s && s->last == Pen::Last::kLine && s->from == from && s->to == to && s->rgb == s->line) {
      s->at = to;
      s->at_set = true;
      s->moved = false;
      return;
    }
    pen_to(from, kMove);
    pen_to(to, kLine);
  }
  // draw_to (x0, y0, kMove) then draw_to (x1, y1, kLine): a ray's segment. The same world segment
  // as the last line drawn in the window needs no mapping.
  void draw_segment(int window, int view, float x0, float y0, float x1, float y1) {
    select_window(window, 0);
    Pen* s = active_pen();
    if (s && s->world_known && s->last == Pen::Last::kLine && s->rgb == s->line &&
        window == active_ && view == s->world.view && x0 == s->world.x0 && y0 == s->world.y0 &&
        x1 == s->world.x1 && y1 == s->world.y1) {
      s->at = s->to;
      s->moved = false;
      return;
    }
    draw_segment_mapped(window, view, x0, y0, x1, y1);
  }
  void draw_vertical(int window, int view, float x, float y1, float y2);
  void draw_horizontal(int window, int view, float x1, float x2, float y);
  // The palette entry is read now, so a redefined colour shows in points at once.
  void plot_point(int window, int view, float x, float y) {
    select_window(window, 0);
    set_pixel(map_point(window, view, x, y), palette_rgb(current_color_));
  }
  // plot_point of a point already mapped to pixels.
  void plot_pixel(int window, PixelPoint p) {
    plot_pixel_rgb(window, p, palette_rgb(current_color_));
  }
  // plot_pixel in colour `rgb`, leaving the current colour as it is.
  void plot_pixel_rgb(int window, PixelPoint p, Rgb rgb) {
    select_window(window, 0);
    set_pixel(p, rgb);
  }

  void select_color(int index) {
    if (!valid_color(index)) return;
    const Rgb rgb = palette_rgb_[index];
    current_color_ = index;
    if (Pen* s = active_pen()) {
      s->text = s->line = rgb;
      s->text_set = s->line_set = true;
    } else {
      set_text_rgb(rgb);
      set_line_rgb(rgb);
    }
  }
  // Sets the line and text-mode colour of the active window directly (the status line's green).
  void set_color_rgb(Rgb rgb) { set_line_rgb(rgb); }
  void define_color(int index, float r, float g, float b);
  void set_line_style(int style);
  void draw_caption(int window, float x, float y, float size, float angle, std::string_view text);

  // Drawing on the active window in pixels, outside the views: a rectangle in the line colour
  // (kRectOutline or kRectFilled), and text-mode text at a character cell.
  void draw_rectangle(int mode, int x1, int y1, int x2, int y2);
  void set_text_position(int row, int column);
  void write_text(std::string_view text);

  const WindowRecord& window(int w) const;
  const ViewRecord& view(int w, int v) const;
  const PaletteColor& palette(int index) const;
  int current_color() const { return current_color_; }

  // The drawing window and the current colour index: what drawing in a window of the program's
  // own beyond the scheme's (a chart) changes. Saved before and restored after, the scheme's
  // windows go on as though nothing had been drawn in between (each window keeps its own colours).
  struct DrawingContext {
    int window = 0;
    int color = 0;
  };
  DrawingContext drawing_context() const { return {active_, current_color_}; }
  void restore(const DrawingContext& c) {
    active_ = c.window;
    current_color_ = c.color;
  }
  Rgb palette_rgb(int index) const { return valid_color(index) ? palette_rgb_[index] : 0; }

 private:
  // The last two coordinates mapped along one axis of a view and their pixels: rays drawn one
  // after another often share their start and their end coordinates.
  static constexpr float kNoValue = std::numeric_limits<float>::quiet_NaN();  // equals nothing
  struct AxisMemo {
    float value[2] = {kNoValue, kNoValue};  // the newest first
    int pixel[2] = {0, 0};
  };
  struct ViewMemo {
    ViewMapping map;
    AxisMemo x, y;
  };

  // One window's drawing state: what the program set and what the platform has been given. The
  // platform is given a colour or position only when something is drawn with it.
  struct Pen {
    Rgb line = 0, text = 0;                // as the program set them, when *_set
    Rgb platform_line = 0, platform_text = 0;  // as the platform has them, when *_known
    bool line_set = false, text_set = false;
    bool platform_line_known = false, platform_text_known = false;
    PixelPoint at, platform_at;  // current position: the program's and the platform's
    bool at_set = false, platform_at_known = false;
    bool moved = false;  // a move since the last line: the next line or text begins with it
    // The last thing drawn in the window, while nothing else has been drawn there since and its
    // line mask is unchanged: a line from `from` to `to` or a pixel at `to`, in colour `rgb`. A
    // line is remembered only when drawn from a known position in a colour the program set.
    enum class Last : std::uint8_t { kNothing, kLine, kPixel } last = Last::kNothing;
    PixelPoint from, to;
    Rgb rgb = 0;
    // The world segment of a view that the remembered line was mapped from, when known.
    struct WorldLine {
      int view = 0;
      float x0 = 0.0f, y0 = 0.0f, x1 = 0.0f, y1 = 0.0f;
    } world;
    bool world_known = false;
  };

  static bool valid_window(int w) { return w >= 1 && w <= kMaxWindows; }
  static bool valid_color(int c) { return c >= 0 && c < 16; }
  // The drawing state of the active window, or null when no window is known to be active.
  Pen* active_pen() { return valid_window(active_) ? &pens_[active_] : nullptr; }

  static bool valid_view(int w, int v) { return valid_window(w) && v >= 1 && v <= kMaxViews; }
  // The pixel of a coordinate along one axis, from the memo when it was mapped just before.
  template <bool kAlongX>
  static int remembered(AxisMemo& memo, float value, const ViewMapping& map) {
    if (value == memo.value[0]) return memo.pixel[0];
    const bool second = value == memo.value[1];
    const int pixel = second ? memo.pixel[1] : (kAlongX ? map.x(value) : map.y(value));
    memo.value[1] = memo.value[0];
    memo.pixel[1] = memo.pixel[0];
    memo.value[0] = value;
    memo.pixel[0] = pixel;
    return pixel;
  }
  // After a view's record changed: its mapping anew, nothing remembered.
  void remap(int w, int v) {
    memo_[w][v] = {ViewMapping(views_[w][v]), {}, {}};
    pens_[w].world_known = false;
  }

  // The pen of the active window moves to p (kMove, or any pen but kLine) or draws a line there.
  void pen_to(PixelPoint p, int pen) {
    Pen* s = active_pen();
    if (s && pen != kLine) {
      s->at = p;
      s->at_set = true;
      s->moved = true;
    } else if (s && s->last == Pen::Last::kLine && s->from == s->at && s->to == p &&
               s->rgb == s->line) {
      s->at = p;  // the same line again changes no pixel
      s->moved = false;
    } else {
      send_pen_to(p, pen);
    }
  }
  void set_pixel(PixelPoint p, Rgb rgb) {
    Pen* s = active_pen();
    if (s && s->last == Pen::Last::kPixel && s->to == p && s->rgb == rgb) return;
    // No window to activate: the platform draws on the active one already
    if (s && active_ == platform_active_) {
      put_pixel(*s, p, rgb);
    } else {
      send_pixel(p, rgb);
    }
  }
  void put_pixel(Pen& s, PixelPoint p, Rgb rgb) {
    platform_.set_pixel_rgb(p.x, p.y, rgb);
    s.last = Pen::Last::kPixel;
    s.to = p;
    s.rgb = rgb;
  }
  void set_line_rgb(Rgb rgb) {
    if (Pen* s = active_pen()) {
      s->line = rgb;
      s->line_set = true;
    } else {
      send_untracked_color(rgb, kLineColor);
    }
  }
  void set_text_rgb(Rgb rgb) {
    if (Pen* s = active_pen()) {
      s->text = rgb;
      s->text_set = true;
    } else {
      send_untracked_color(rgb, kTextColor);
    }
  }

  // The calls that reach the platform (graphics.cpp).
  void bring_to_front(int window);
  void draw_segment_mapped(int window, int view, float x0, float y0, float x1, float y1);
  bool activate();
  void send_pen_to(PixelPoint p, int pen);
  void send_pixel(PixelPoint p, Rgb rgb);
  enum ColorKind { kLineColor, kTextColor };
  void send_untracked_color(Rgb rgb, ColorKind kind);
  void send_line_color(Pen& s);
  void send_text_color(Pen& s);
  void send_position(Pen& s);
  void flush_all_pens();
  void forget_platform_state();
  void load_palette_rgb();

  Platform& platform_;
  std::array<WindowRecord, kMaxWindows + 1> windows_{};
  std::array<std::array<ViewRecord, kMaxViews + 1>, kMaxWindows + 1> views_{};
  std::array<PaletteColor, 16> palette_{};
  std::array<Rgb, 16> palette_rgb_{};
  std::array<Pen, kMaxWindows + 1> pens_{};
  std::array<std::array<ViewMemo, kMaxViews + 1>, kMaxWindows + 1> memo_{};
  bool palette_loaded_ = false;
  int current_color_ = 0;
  int active_ = 0;           // the window drawing goes to; 0: whatever the platform has
  int platform_active_ = 0;  // the platform's active window; 0: not known
};

// The font spec that draw_caption chooses for a caption size.
std::string_view caption_font_spec(float size);

}  // namespace lumi
