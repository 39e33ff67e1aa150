// Element windows, their views and the mapping between world coordinates and pixels, the palette,
// line styles and captions, drawn through the platform. All arithmetic on coordinates is single
// precision and every conversion to a pixel truncates toward zero.
#include "graphics/graphics.h"

#include <cmath>
#include <cstdint>
#include <utility>
#include <string>

#include "model/numeric.h"

namespace lumi {
namespace {

// Platform calls that report failure are repeated at most this often before a warning.
constexpr int kPlatformTries = 3;

constexpr std::array<PaletteColor, 16> kDefaultPalette = {{
    {0.0f, 0.0f, 0.0f},  // black
    {1.0f, 0.0f, 0.0f},  // red
    {1.0f, 1.0f, 0.0f},  // yellow
    {0.0f, 1.0f, 0.0f},  // green
    {0.0f, 1.0f, 1.0f},  // cyan
    {0.0f, 0.0f, 1.0f},  // blue
    {1.0f, 0.0f, 1.0f},  // magenta
    {1.0f, 1.0f, 1.0f},  // white
    {0.5f, 0.5f, 0.5f},  // grey
    {1.0f, 0.0f, 0.0f},  // red
    {0.5f, 0.5f, 0.0f},  // olive
    {0.0f, 0.5f, 0.0f},  // dark green
    {0.0f, 0.5f, 0.5f},  // teal
    {0.0f, 0.0f, 1.0f},  // blue
    {1.0f, 0.0f, 1.0f},  // magenta
    {1.0f, 1.0f, 1.0f},  // white
}};

// Caption fonts by s = size * 1.5: the first row whose upper bound s does not exceed.
struct FontRow {
  float upper;
  std::string_view spec;
};
constexpr std::array<FontRow, 9> kFontRows = {{
    {4.0f, "t'Times New Roman Cyr'h4w3"},
    {6.0f, "t'Times New Roman Cyr'h12w4"},
    {8.0f, "t'Times New Roman Cyr'h16w5"},
    {10.0f, "t'Times New Roman Cyr'h20w6"},
    {12.0f, "t'Times New Roman Cyr'h24w7"},
    {15.0f, "t'Times New Roman Cyr'h28w8"},
    {20.0f, "t'Times New Roman Cyr'h36w10"},
    {30.0f, "t'Times New Roman Cyr'h52w18"},
    {50.0f, "t'Times New Roman Cyr'h96w30"},
}};
constexpr std::string_view kLargestFont = "t'Times New Roman Cyr'h120w40";

bool valid_window(int w) { return w >= 1 && w <= kMaxWindows; }
bool valid_view(int w, int v) { return valid_window(w) && v >= 1 && v <= kMaxViews; }
bool valid_color(int c) { return c >= 0 && c < 16; }

// One palette component as a byte: scaled by 255 and truncated. Components below 0 (which
// define_color accepts) give 0 rather than borrowing from the neighbouring channel.
Rgb component_byte(float c) {
  const int byte = trunc_to_int(c * 255.0f);
  return static_cast<Rgb>(byte < 0 ? 0 : (byte > 255 ? 255 : byte));
}

// A pixel coordinate that a non-finite value never reaches: NaN goes to `nan_pixel`.
int pixel_from(float v, int nan_pixel) { return std::isnan(v) ? nan_pixel : trunc_to_int(v); }

}  // namespace

Graphics::Graphics(Platform& platform) : platform_(platform) {}

// Records -------------------------------------------------------------------------------------

const WindowRecord& Graphics::window(int w) const {
  static const WindowRecord kNone{};
  return valid_window(w) ? windows_[w] : kNone;
}

const ViewRecord& Graphics::view(int w, int v) const {
  static const ViewRecord kNone{};
  return valid_view(w, v) ? views_[w][v] : kNone;
}

const PaletteColor& Graphics::palette(int index) const {
  static const PaletteColor kNone{};
  return valid_color(index) ? palette_[index] : kNone;
}

Rgb Graphics::palette_rgb(int index) const {
  return valid_color(index) ? palette_rgb_[index] : 0;
}

void Graphics::load_palette_rgb() {
  for (std::size_t i = 0; i < palette_.size(); ++i) {
    const PaletteColor& c = palette_[i];
    palette_rgb_[i] = component_byte(c.r) + 256 * component_byte(c.g) + 65536 * component_byte(c.b);
  }
}

// Windows -------------------------------------------------------------------------------------

void Graphics::open_element_window(int w, int pixel_height, int pixel_width,
                                   std::string_view title) {
  if (!valid_window(w)) return;
  platform_.open_child_window(w, title);
  // A new window may have taken over as the platform's active one.
  active_window_ = 0;
  if (!platform_.set_window_config(w, pixel_width, pixel_height)) {
    platform_.set_window_config(w, pixel_width, pixel_height);
  }
  WindowRecord& record = windows_[w];
  record.logical_width = kLogicalWidth;
  record.logical_height = kLogicalHeight;
  record.pixel_width = static_cast<float>(pixel_width);
  record.pixel_height = static_cast<float>(pixel_height);
  if (!palette_loaded_) {
    palette_ = kDefaultPalette;
    load_palette_rgb();
    palette_loaded_ = true;
  }
  colors_[w] = {};
  for (ViewMemo& memo : memo_[w]) memo = {};
  platform_.set_background_color_rgb(0);
}

void Graphics::select_window(int drawing_window, int front_window) {
  if (drawing_window != 0 && drawing_window != active_window_) {
    bool done = false;
    for (int i = 0; i < kPlatformTries && !done; ++i) {
      done = platform_.set_active_window(drawing_window);
    }
    active_window_ = done ? drawing_window : 0;
    if (!done) {
      platform_.report_warning("Не удалось выбрать окно " + std::to_string(drawing_window) +
                               " для вывода");
    }
  }
  if (front_window != 0) {
    bool done = false;
    for (int i = 0; i < kPlatformTries && !done; ++i) done = platform_.focus_window(front_window);
    if (!done) {
      platform_.report_warning("Не удалось вывести окно " + std::to_string(front_window) +
                               " на передний план");
    }
  }
}

void Graphics::close_window(int w) {
  platform_.close_window(w);
  if (w == active_window_) active_window_ = 0;
  if (valid_window(w)) colors_[w] = {};
}

// Views and mapping ---------------------------------------------------------------------------

void Graphics::set_view_frame(int w, int v, float left, float bottom, float width,
                              float height) {
  if (!valid_view(w, v)) return;
  select_window(w, 0);
  const WindowRecord& win = windows_[w];
  const float pw = win.pixel_width, ph = win.pixel_height;
  const float lw = win.logical_width, lh = win.logical_height;

  // Pixel edges of the view
  const int left_px = trunc_to_int(left * pw / lw);
  const int right_px = trunc_to_int(static_cast<float>(left_px) + (pw - 1.0f) * width / lw);
  const int bottom_px = trunc_to_int((ph - 1.0f) * (lh - bottom) / lh);
  const int top_px = trunc_to_int(static_cast<float>(bottom_px) - (ph - 1.0f) * height / lh);

  ViewRecord& rec = views_[w][v];
  rec.pixel_left = static_cast<float>(left_px);
  rec.pixel_bottom = static_cast<float>(bottom_px);
  rec.pixel_width = static_cast<float>(static_cast<long long>(right_px) - left_px);
  rec.pixel_height = static_cast<float>(static_cast<long long>(bottom_px) - top_px);
  rec.logical_left = left;
  rec.logical_bottom = bottom;
  rec.logical_right = left + width;
  rec.logical_top = bottom + height;
  memo_[w][v] = {};

  // Frame: left, top, right and bottom edges, each a segment of its own
  platform_.move_to(left_px, bottom_px);
  platform_.line_to(left_px, top_px);
  platform_.move_to(left_px, top_px);
  platform_.line_to(right_px, top_px);
  platform_.move_to(right_px, top_px);
  platform_.line_to(right_px, bottom_px);
  platform_.move_to(right_px, bottom_px);
  platform_.line_to(left_px, bottom_px);
}

void Graphics::set_view_world(int w, int v, float x_min, float x_max, float y_min, float y_max) {
  if (!valid_view(w, v)) return;
  ViewRecord& rec = views_[w][v];
  rec.x_min = x_min;
  rec.x_max = x_max;
  rec.y_min = y_min;
  rec.y_max = y_max;
  memo_[w][v] = {};
}

// Every point lands inside the view's pixel rectangle. A coordinate whose mapping is not a number
// (NaN, or a point on an empty world range) lands on the left or top edge; infinities and points
// beyond an empty range land on the edge they point to. Each axis maps and clamps on its own.
namespace {

int pixel_x_of(const ViewRecord& rec, float x) {
  const int left = trunc_to_int(rec.pixel_left);
  const int right = trunc_to_int(static_cast<float>(left) + rec.pixel_width);
  const float fx =
      (x - rec.x_min) / (rec.x_max - rec.x_min) * rec.pixel_width + rec.pixel_left + 0.5f;
  int px = pixel_from(fx, left);
  if (px < left) px = left;
  if (px > right) px = right;
  return px;
}

int pixel_y_of(const ViewRecord& rec, float y) {
  const int bottom = trunc_to_int(rec.pixel_bottom);
  const int top = trunc_to_int(static_cast<float>(bottom) - rec.pixel_height);
  const float fy =
      rec.pixel_bottom - (y - rec.y_min) / (rec.y_max - rec.y_min) * rec.pixel_height + 0.5f;
  int py = pixel_from(fy, top);
  if (py < top) py = top;
  if (py > bottom) py = bottom;
  return py;
}

}  // namespace

PixelPoint Graphics::world_to_pixel(int w, int v, float x, float y) const {
  const ViewRecord& rec = view(w, v);
  return {pixel_x_of(rec, x), pixel_y_of(rec, y)};
}

// The pixel of a coordinate along one axis, from the memo when it was mapped just before.
template <class Map>
int remembered(Graphics::AxisMemo& memo, float value, Map&& map) {
  if (memo.valid > 0 && value == memo.value[0]) return memo.pixel[0];
  if (memo.valid > 1 && value == memo.value[1]) {
    std::swap(memo.value[0], memo.value[1]);
    std::swap(memo.pixel[0], memo.pixel[1]);
    return memo.pixel[0];
  }
  memo.value[1] = memo.value[0];
  memo.pixel[1] = memo.pixel[0];
  memo.value[0] = value;
  memo.pixel[0] = map(value);
  if (memo.valid < 2) ++memo.valid;
  return memo.pixel[0];
}

// world_to_pixel, remembering the last coordinates of each axis of the view: rays drawn one
// after another often share coordinates, and a repeated one needs no arithmetic.
PixelPoint Graphics::map_point(int w, int v, float x, float y) {
  if (!valid_view(w, v)) return world_to_pixel(w, v, x, y);
  const ViewRecord& rec = views_[w][v];
  ViewMemo& memo = memo_[w][v];
  return {remembered(memo.x, x, [&rec](float c) { return pixel_x_of(rec, c); }),
          remembered(memo.y, y, [&rec](float c) { return pixel_y_of(rec, c); })};
}

// Pixels outside the view give the nearest edge value; a view without pixels gives x min, y min.
void Graphics::pixel_to_world(int w, int v, int pixel_x, int pixel_y, float& x, float& y) const {
  const ViewRecord& rec = view(w, v);
  x = rec.x_min +
      (rec.x_max - rec.x_min) * (static_cast<float>(pixel_x) - rec.pixel_left) / rec.pixel_width;
  y = rec.y_min - (rec.y_max - rec.y_min) * (static_cast<float>(pixel_y) - rec.pixel_bottom) /
                      rec.pixel_height;
  if (std::isnan(x)) x = rec.x_min;
  if (std::isnan(y)) y = rec.y_min;

  if (x < rec.x_min) x = rec.x_min;
  if (y < rec.y_min) y = rec.y_min;
  if (x > rec.x_max) x = rec.x_max;
  if (y > rec.y_max) y = rec.y_max;
}

// Lines and points ----------------------------------------------------------------------------

void Graphics::draw_to(int w, int v, float x, float y, int pen) {
  select_window(w, 0);
  const PixelPoint p = map_point(w, v, x, y);
  if (pen == kLine) platform_.line_to(p.x, p.y);
  platform_.move_to(p.x, p.y);
}

void Graphics::draw_to_pixel(int w, int pixel_x, int pixel_y, int pen) {
  select_window(w, 0);
  if (pen == kLine) platform_.line_to(pixel_x, pixel_y);
  platform_.move_to(pixel_x, pixel_y);
}

void Graphics::draw_vertical(int w, int v, float x, float y1, float y2) {
  draw_to(w, v, x, y1, kMove);
  draw_to(w, v, x, y2, kLine);
}

void Graphics::draw_horizontal(int w, int v, float x1, float x2, float y) {
  draw_to(w, v, x1, y, kMove);
  draw_to(w, v, x2, y, kLine);
}

// The palette entry is read now, so a redefined colour shows in points at once.
void Graphics::plot_point(int w, int v, float x, float y) {
  select_window(w, 0);
  const PixelPoint p = map_point(w, v, x, y);
  platform_.set_pixel_rgb(p.x, p.y, palette_rgb(current_color_));
}

// Colours and line styles ---------------------------------------------------------------------

void Graphics::select_color(int index) {
  if (!valid_color(index)) return;
  const Rgb rgb = palette_rgb_[index];
  set_text_rgb(rgb);
  set_line_rgb(rgb);
  current_color_ = index;
}

void Graphics::set_color_rgb(Rgb rgb) { set_line_rgb(rgb); }

// A colour the active window is known to have already is not sent again.
void Graphics::set_line_rgb(Rgb rgb) {
  WindowColors* known = active_window_ != 0 ? &colors_[active_window_] : nullptr;
  if (known && known->line_known && known->line == rgb) return;
  platform_.set_color_rgb(rgb);
  if (known) {
    known->line = rgb;
    known->line_known = true;
  }
}

void Graphics::set_text_rgb(Rgb rgb) {
  WindowColors* known = active_window_ != 0 ? &colors_[active_window_] : nullptr;
  if (known && known->text_known && known->text == rgb) return;
  platform_.set_text_color_rgb(rgb);
  if (known) {
    known->text = rgb;
    known->text_known = true;
  }
}

// Components above 1 keep the 1; anything else (a negative value included) is stored as given.
// A NaN component fails the comparison and keeps the 1 as well.
void Graphics::define_color(int index, float r, float g, float b) {
  if (!valid_color(index)) return;
  PaletteColor& c = palette_[index];
  c = {1.0f, 1.0f, 1.0f};
  if (r <= 1.0f) c.r = r;
  if (g <= 1.0f) c.g = g;
  if (b <= 1.0f) c.b = b;
  load_palette_rgb();
}

void Graphics::set_line_style(int style) {
  platform_.set_line_mask(0xFFFF);
  switch (style) {
    case 1: platform_.set_line_mask(0xFFFF); break;
    case 2: platform_.set_line_mask(0xFF00); break;
    case 3: platform_.set_line_mask(0xF0F0); break;
    case 4: platform_.set_line_mask(0xCCCC); break;
    default: break;
  }
}

// Captions ------------------------------------------------------------------------------------

// A NaN size matches no row and takes the largest font.
std::string_view caption_font_spec(float size) {
  const float s = size * 1.5f;
  for (const FontRow& row : kFontRows) {
    if (s <= row.upper) return row.spec;
  }
  return kLargestFont;
}

void Graphics::draw_caption(int w, float x, float y, float size, float angle,
                            std::string_view text) {
  select_window(w, 0);
  const WindowRecord& win = window(w);
  const int px = trunc_to_int(x * win.pixel_width / win.logical_width);
  const int py = trunc_to_int(win.pixel_height - y * win.pixel_height / win.logical_height);

  // Font; a refusal is retried with the text turned upright
  const std::string_view spec = caption_font_spec(size);
  bool font_set = platform_.set_font(spec) != -1;
  for (int i = 0; i < kPlatformTries && !font_set; ++i) {
    platform_.set_text_rotation(900);
    font_set = platform_.set_font(spec) != -1;
  }
  if (!font_set) platform_.report_warning("Не удалось выбрать шрифт " + std::string(spec));

  platform_.set_text_rotation(trunc_to_int(angle * 10.0f));
  platform_.move_to(px, py);
  select_color(current_color_);
  platform_.draw_text(text);
  platform_.set_text_rotation(0);
}

}  // namespace lumi
