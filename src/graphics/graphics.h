// Element windows and their views: window numbers 1..100 with a fixed logical size of 240 by 180,
// views 1..20 in each, the mapping between world coordinates and pixels, the 16-colour palette,
// line styles and captions. Every drawing helper first makes its window the active one, so
// callers name the window in every call.
#pragma once

#include <array>
#include <string_view>

#include "graphics/platform.h"

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
};

// Window numbers outside 1..100 and view numbers outside 1..20 store nothing, and read back as
// empty records.
class Graphics {
 public:
  // The last two coordinates mapped along one axis of a view and their pixels: rays drawn one
  // after another often share their start and their end coordinates.
  struct AxisMemo {
    float value[2] = {0.0f, 0.0f};
    int pixel[2] = {0, 0};
    int valid = 0;  // entries in use, the newest first
  };

  explicit Graphics(Platform& platform);

  Platform& platform() { return platform_; }

  void open_element_window(int window, int pixel_height, int pixel_width, std::string_view title);
  // Makes drawing_window the target of drawing and brings front_window to the front; 0 skips
  // either half. Selecting the window that is already active costs nothing.
  void select_window(int drawing_window, int front_window);
  // Closes a window and forgets it as the active one.
  void close_window(int window);

  void set_view_frame(int window, int view, float left, float bottom, float width, float height);
  void set_view_world(int window, int view, float x_min, float x_max, float y_min, float y_max);
  // Every point lands on the view's pixel rectangle; a coordinate that maps to no number (NaN, or
  // the only point of an empty world range) lands on the left or top edge.
  PixelPoint world_to_pixel(int window, int view, float x, float y) const;
  // Pixels outside the view give the nearest edge value; no number gives x min or y min.
  void pixel_to_world(int window, int view, int pixel_x, int pixel_y, float& x, float& y) const;

  void draw_to(int window, int view, float x, float y, int pen);
  void draw_to_pixel(int window, int pixel_x, int pixel_y, int pen);
  void draw_vertical(int window, int view, float x, float y1, float y2);
  void draw_horizontal(int window, int view, float x1, float x2, float y);
  void plot_point(int window, int view, float x, float y);

  void select_color(int index);
  // Sets the line and text-mode colour of the active window directly (the status line's green).
  void set_color_rgb(Rgb rgb);
  void define_color(int index, float r, float g, float b);
  void set_line_style(int style);
  void draw_caption(int window, float x, float y, float size, float angle, std::string_view text);

  const WindowRecord& window(int w) const;
  const ViewRecord& view(int w, int v) const;
  const PaletteColor& palette(int index) const;
  int current_color() const { return current_color_; }
  Rgb palette_rgb(int index) const;

 private:
  // The colours this object last gave each window, so that selecting the colour a window already
  // has costs no platform call. Unknown until set, and again after the window is (re)opened.
  struct WindowColors {
    Rgb line = 0, text = 0;
    bool line_known = false, text_known = false;
  };
  struct ViewMemo {
    AxisMemo x, y;
  };

  PixelPoint map_point(int window, int view, float x, float y);
  void set_line_rgb(Rgb rgb);
  void set_text_rgb(Rgb rgb);
  void load_palette_rgb();

  Platform& platform_;
  std::array<WindowRecord, kMaxWindows + 1> windows_{};
  std::array<std::array<ViewRecord, kMaxViews + 1>, kMaxWindows + 1> views_{};
  std::array<PaletteColor, 16> palette_{};
  std::array<Rgb, 16> palette_rgb_{};
  std::array<WindowColors, kMaxWindows + 1> colors_{};
  std::array<std::array<ViewMemo, kMaxViews + 1>, kMaxWindows + 1> memo_{};
  bool palette_loaded_ = false;
  int current_color_ = 0;
  int active_window_ = 0;  // 0: not known
};

// The font spec that draw_caption chooses for a caption size.
std::string_view caption_font_spec(float size);

}  // namespace lumi
