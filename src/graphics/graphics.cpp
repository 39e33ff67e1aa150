// Element windows, their views and the mapping between world coordinates and pixels, the palette,
// line styles and captions, drawn through the platform. All arithmetic on coordinates is single
// precision and every conversion to a pixel truncates toward zero.
#include "graphics/graphics.h"

#include <cmath>
#include <cstdint>
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

std::string window_warning(std::string_view before, int window, std::string_view after) {
  return std::string(before) + std::to_string(window) + std::string(after);
}

// One palette component as a byte: scaled by 255 and truncated. Components below 0 (which
// define_color accepts) give 0 rather than borrowing from the neighbouring channel.
Rgb component_byte(float c) {
  const int byte = trunc_to_int(c * 255.0f);
  return static_cast<Rgb>(byte < 0 ? 0 : (byte > 255 ? 255 : byte));
}

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
  flush_all_pens();
  platform_.open_child_window(w, title);
  // A new window may have taken over as the platform's active one.
  active_ = 0;
  platform_active_ = 0;
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
  pens_[w] = {};
  for (int v = 1; v <= kMaxViews; ++v) remap(w, v);
  platform_.set_background_color_rgb(0);
}

void Graphics::close_window(int w) {
  flush_all_pens();
  platform_.close_window(w);
  if (w == active_) active_ = 0;
  if (w == platform_active_) platform_active_ = 0;
  if (valid_window(w)) pens_[w] = {};
}

// Makes the platform's active window the one the program selected, before a call that acts on
// it. False when no window is known to be active (none selected since a window was opened or
// closed, or the platform refused it): such calls go to whatever window the platform has.
bool Graphics::activate() {
  if (active_ == 0) return false;
  if (active_ == platform_active_) return true;
  bool done = false;
  for (int i = 0; i < kPlatformTries && !done; ++i) done = platform_.set_active_window(active_);
  if (done) {
    platform_active_ = active_;
    return true;
  }
  platform_.report_warning(window_warning("Не удалось выбрать окно ", active_, " для вывода"));
  active_ = 0;
  platform_active_ = 0;
  return false;
}

void Graphics::bring_to_front(int front_window) {
  activate();
  bool done = false;
  for (int i = 0; i < kPlatformTries && !done; ++i) done = platform_.focus_window(front_window);
  if (!done) {
    platform_.report_warning(
        window_warning("Не удалось вывести окно ", front_window, " на передний план"));
  }
}

// Drawing state on its way to the platform -------------------------------------------------------

void Graphics::send_line_color(Pen& s) {
  if (!s.line_set || (s.platform_line_known && s.platform_line == s.line)) return;
  platform_.set_color_rgb(s.line);
  s.platform_line = s.line;
  s.platform_line_known = true;
}

void Graphics::send_text_color(Pen& s) {
  if (!s.text_set || (s.platform_text_known && s.platform_text == s.text)) return;
  platform_.set_text_color_rgb(s.text);
  s.platform_text = s.text;
  s.platform_text_known = true;
}

// A line or text after a move begins with it, even where the platform stands there already.
void Graphics::send_position(Pen& s) {
  if (!s.at_set || (!s.moved && s.platform_at_known && s.platform_at == s.at)) return;
  platform_.move_to(s.at.x, s.at.y);
  s.platform_at = s.at;
  s.platform_at_known = true;
  s.moved = false;
}

// Gives every window the colours and position the program set there, so that nothing is waiting
// when the platform's windows change under the program.
void Graphics::flush_all_pens() {
  const int selected = active_;
  for (int w = 1; w <= kMaxWindows; ++w) {
    Pen& s = pens_[w];
    const bool waiting = (s.line_set && !(s.platform_line_known && s.platform_line == s.line)) ||
                         (s.text_set && !(s.platform_text_known && s.platform_text == s.text)) ||
                         (s.at_set && !(s.platform_at_known && s.platform_at == s.at));
    if (!waiting) continue;
    active_ = w;
    if (!activate()) continue;
    send_line_color(s);
    send_text_color(s);
    send_position(s);
  }
  active_ = selected;
  activate();
}

// Drawing went to a window this object does not know: nothing it knows of any window holds.
void Graphics::forget_platform_state() { pens_.fill(Pen{}); }

void Graphics::send_untracked_color(Rgb rgb, ColorKind kind) {
  activate();
  if (kind == kLineColor) {
    platform_.set_color_rgb(rgb);
  } else {
    platform_.set_text_color_rgb(rgb);
  }
  forget_platform_state();
}

void Graphics::send_pen_to(PixelPoint p, int pen) {
  if (!activate()) {
    if (pen == kLine) platform_.line_to(p.x, p.y);
    platform_.move_to(p.x, p.y);
    forget_platform_state();
    return;
  }
  Pen& s = pens_[active_];
  if (pen != kLine) {
    s.at = p;
    s.at_set = true;
    s.moved = true;
    return;
  }
  send_line_color(s);
  send_position(s);
  platform_.line_to(p.x, p.y);
  s.world_known = false;
  // A line from an unknown position or in the platform's own colour cannot be told again.
  s.last = s.at_set && s.line_set ? Pen::Last::kLine : Pen::Last::kNothing;
  s.from = s.at;
  s.to = p;
  s.rgb = s.line;
  s.at = s.platform_at = p;
  s.at_set = s.platform_at_known = true;
  s.moved = false;
}

void Graphics::send_pixel(PixelPoint p, Rgb rgb) {
  if (!activate()) {
    platform_.set_pixel_rgb(p.x, p.y, rgb);
    forget_platform_state();
    return;
  }
  put_pixel(pens_[active_], p, rgb);
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
  remap(w, v);

  // Frame: left, top, right and bottom edges, each a segment of its own
  const auto edge = [this](int x0, int y0, int x1, int y1) {
    pen_to({x0, y0}, kMove);
    pen_to({x1, y1}, kLine);
  };
  edge(left_px, bottom_px, left_px, top_px);
  edge(left_px, top_px, right_px, top_px);
  edge(right_px, top_px, right_px, bottom_px);
  edge(right_px, bottom_px, left_px, bottom_px);
}

void Graphics::set_view_world(int w, int v, float x_min, float x_max, float y_min, float y_max) {
  if (!valid_view(w, v)) return;
  ViewRecord& rec = views_[w][v];
  rec.x_min = x_min;
  rec.x_max = x_max;
  rec.y_min = y_min;
  rec.y_max = y_max;
  remap(w, v);
}

PixelPoint Graphics::world_to_pixel(int w, int v, float x, float y) const {
  const ViewMapping map = mapping(w, v);
  return {map.x(x), map.y(y)};
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

// Lines, points, rectangles and text-mode cells ---------------------------------------------------

void Graphics::draw_segment_mapped(int w, int v, float x0, float y0, float x1, float y1) {
  pen_to(map_point(w, v, x0, y0), kMove);
  pen_to(map_point(w, v, x1, y1), kLine);
  // The line the pen remembers now is this segment's, drawn or left out as a repeat
  Pen* s = active_pen();
  if (s && s->last == Pen::Last::kLine && w == active_ && valid_view(w, v)) {
    s->world = {v, x0, y0, x1, y1};
    s->world_known = true;
  }
}

void Graphics::draw_vertical(int w, int v, float x, float y1, float y2) {
  draw_to(w, v, x, y1, kMove);
  draw_to(w, v, x, y2, kLine);
}

void Graphics::draw_horizontal(int w, int v, float x1, float x2, float y) {
  draw_to(w, v, x1, y, kMove);
  draw_to(w, v, x2, y, kLine);
}

void Graphics::draw_rectangle(int mode, int x1, int y1, int x2, int y2) {
  if (!activate()) {
    platform_.draw_rectangle(mode, x1, y1, x2, y2);
    forget_platform_state();
    return;
  }
  Pen& s = pens_[active_];
  send_line_color(s);
  platform_.draw_rectangle(mode, x1, y1, x2, y2);
  s.last = Pen::Last::kNothing;
}

void Graphics::set_text_position(int row, int column) {
  activate();
  platform_.set_text_position(row, column);
}

// Text-mode cells take the line colour.
void Graphics::write_text(std::string_view text) {
  if (!activate()) {
    platform_.write_text(text);
    forget_platform_state();
    return;
  }
  Pen& s = pens_[active_];
  send_line_color(s);
  platform_.write_text(text);
  s.last = Pen::Last::kNothing;
}

// Colours and line styles ---------------------------------------------------------------------

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

// A new mask makes the last line of the window one that may draw differently.
void Graphics::set_line_style(int style) {
  const bool known = activate();
  platform_.set_line_mask(0xFFFF);
  switch (style) {
    case 1: platform_.set_line_mask(0xFFFF); break;
    case 2: platform_.set_line_mask(0xFF00); break;
    case 3: platform_.set_line_mask(0xF0F0); break;
    case 4: platform_.set_line_mask(0xCCCC); break;
    default: break;
  }
  if (!known) {
    forget_platform_state();
  } else if (pens_[active_].last == Pen::Last::kLine) {
    pens_[active_].last = Pen::Last::kNothing;
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
  activate();
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
  pen_to({px, py}, kMove);
  select_color(current_color_);
  if (Pen* s = active_pen()) {
    send_text_color(*s);
    send_position(*s);
    platform_.draw_text(text);
    s->last = Pen::Last::kNothing;
  } else {
    platform_.draw_text(text);
    forget_platform_state();
  }
  platform_.set_text_rotation(0);
}

}  // namespace lumi
