// Windows by number over canvases, and the drawing operations forwarded to the active one.
#include "platform/raster/raster_display.h"

#include <algorithm>

namespace lumi {

RasterDisplay::RasterDisplay() = default;
RasterDisplay::~RasterDisplay() = default;

void RasterDisplay::bring_to_front(int window) {
  std::erase(order_, window);
  order_.insert(order_.begin(), window);
}

void RasterDisplay::open_child_window(int window, std::string_view title) {
  if (!valid_number(window)) return;
  std::lock_guard lock(mutex_);
  windows_[window].open = true;
  windows_[window].title = std::string(title);
  bring_to_front(window);
  changed();
}

void RasterDisplay::close_window(int window) {
  if (!valid_number(window)) return;
  std::lock_guard lock(mutex_);
  if (!windows_[window].open) return;
  windows_[window] = Window{};
  std::erase(order_, window);
  if (window == active_window_) {
    active_window_ = 0;
    active_ = nullptr;
    active_vectors_ = nullptr;
  }
  changed();
}

bool RasterDisplay::set_window_config(int window, int width, int height) {
  if (!valid_number(window) || width < 1 || height < 1 || width > Canvas::kMaxSide ||
      height > Canvas::kMaxSide) {
    return false;
  }
  std::lock_guard lock(mutex_);
  Window& w = windows_[window];
  if (!w.open) return false;
  if (w.canvas) {
    w.canvas->resize(width, height);
  } else {
    w.canvas = std::make_shared<Canvas>(width, height);
    if (window == active_window_) active_ = w.canvas.get();
  }
  if (record_vectors_) {
    w.vectors = std::make_unique<VectorRecorder>(width, height);
    if (window == active_window_) active_vectors_ = w.vectors.get();
  }
  changed();
  return true;
}

void RasterDisplay::set_frame_window(int state, int x, int y, int height, int width) {
  std::lock_guard lock(mutex_);
  frame_ = {state, x, y, height, width};
  changed();
}

bool RasterDisplay::set_active_window(int window) {
  if (window == active_window_ && window != 0) return true;
  if (!valid_number(window)) return false;
  // Only the program thread changes the window table, and this is the program thread: it reads
  // the table without the lock, which other threads take only to read it too.
  const Window& target = windows_[window];
  if (!target.open) return false;
  active_window_ = window;
  active_ = target.canvas.get();
  active_vectors_ = target.vectors.get();
  return true;
}

bool RasterDisplay::focus_window(int window) {
  if (!valid_number(window)) return false;
  std::lock_guard lock(mutex_);
  if (!windows_[window].open) return false;
  if (order_.front() != window) {
    bring_to_front(window);
    changed();
  }
  return true;
}

void RasterDisplay::click_menu_command(int command) {
  std::lock_guard lock(mutex_);
  menu_commands_.push_back(command);
}

void RasterDisplay::set_color_rgb(Rgb rgb) {
  if (active_) active_->set_line_color(rgb);
}

void RasterDisplay::set_text_color_rgb(Rgb rgb) {
  if (active_) active_->set_text_color(rgb);
}

void RasterDisplay::set_background_color_rgb(Rgb rgb) {
  if (active_) active_->set_background_color(rgb);
}

void RasterDisplay::set_pixel_rgb(int x, int y, Rgb rgb) {
  if (active_vectors_) active_vectors_->pixel(x, y, rgb);
  if (active_) active_->set_pixel(x, y, rgb);
}

void RasterDisplay::move_to(int x, int y) {
  if (active_) active_->move_to(x, y);
}

void RasterDisplay::line_to(int x, int y) {
  if (active_ && active_vectors_) {
    active_vectors_->line(active_->x(), active_->y(), x, y, active_->line_color(),
                          active_->line_mask());
  }
  if (active_) active_->line_to(x, y);
}

void RasterDisplay::set_line_mask(std::uint16_t mask) {
  if (active_) active_->set_line_mask(mask);
}

void RasterDisplay::draw_rectangle(int mode, int x1, int y1, int x2, int y2) {
  if (active_ && active_vectors_) record_rectangle(mode, x1, y1, x2, y2);
  if (active_) active_->draw_rectangle(mode, x1, y1, x2, y2);
}

// As the canvas draws it: filled, or the outline edge by edge, each edge following the mask.
void RasterDisplay::record_rectangle(int mode, int x1, int y1, int x2, int y2) {
  const Rgb rgb = active_->line_color();
  if (mode == kRectFilled) {
    active_vectors_->filled_rectangle(x1, y1, x2, y2, rgb);
    return;
  }
  if (mode != kRectOutline) return;
  const int l = std::min(x1, x2), t = std::min(y1, y2), r = std::max(x1, x2),
            b = std::max(y1, y2);
  const std::uint16_t mask = active_->line_mask();
  active_vectors_->line(l, t, r, t, rgb, mask);
  active_vectors_->line(r, t, r, b, rgb, mask);
  active_vectors_->line(r, b, l, b, rgb, mask);
  active_vectors_->line(l, b, l, t, rgb, mask);
}

int RasterDisplay::initialize_fonts() {
  const int count = text_.initialize();
  if (count == 0 && !font_error_reported_) {
    font_error_reported_ = true;
    report_error("fonts: " + text_.error());
  }
  return count;
}

int RasterDisplay::set_font(std::string_view spec) {
  const int font = text_.font_index(spec);
  if (font >= 0 && active_) active_->set_font(font);
  return font;
}

void RasterDisplay::set_text_rotation(int tenths_of_degree) {
  if (active_) active_->set_text_rotation(tenths_of_degree);
}

void RasterDisplay::draw_text(std::string_view text) {
  if (!active_) return;
  if (active_vectors_) {
    if (const auto m = text_.drawn_metrics(active_->font())) {
      const TextStyle style{m->family, m->em_x, m->em_y, m->ascent, active_->text_rotation()};
      active_vectors_->text(active_->x(), active_->y(), text, style,
                            text_.advance(active_->font(), text), active_->text_color());
    }
  }
  text_.draw_text(*active_, text);
}

void RasterDisplay::set_text_position(int row, int column) {
  if (active_) active_->set_text_cell(row, column);
}

void RasterDisplay::write_text(std::string_view text) {
  if (!active_) return;
  if (active_vectors_) record_cells(text);
  text_.write_text(*active_, text);
}

// Text-mode cells: filled with the background colour, the text in the line colour over them.
void RasterDisplay::record_cells(std::string_view text) {
  const auto m = text_.drawn_metrics(TextRenderer::kCellFont);
  // Characters, not bytes: every byte but a UTF-8 continuation byte starts one
  const int count = static_cast<int>(std::count_if(text.begin(), text.end(), [](char c) {
    return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  }));
  if (!m || count == 0) return;
  const int left = (active_->text_column() - 1) * TextRenderer::kCellWidth;
  const int top = (active_->text_row() - 1) * TextRenderer::kCellHeight;
  active_vectors_->filled_rectangle(left, top, left + count * TextRenderer::kCellWidth - 1,
                                    top + TextRenderer::kCellHeight - 1,
                                    active_->background_color());
  const TextStyle style{m->family, m->em_x, m->em_y, m->ascent, 0};
  active_vectors_->text(left, top, text, style, count * TextRenderer::kCellWidth,
                        active_->line_color());
}

std::optional<std::string> RasterDisplay::svg(int window) const {
  if (!valid_number(window) || !windows_[window].vectors) return std::nullopt;
  return windows_[window].vectors->svg();
}

std::shared_ptr<Canvas> RasterDisplay::canvas(int window) const {
  if (!valid_number(window)) return nullptr;
  std::lock_guard lock(mutex_);
  return windows_[window].canvas;
}

std::optional<std::string> RasterDisplay::title(int window) const {
  if (!valid_number(window)) return std::nullopt;
  std::lock_guard lock(mutex_);
  if (!windows_[window].open) return std::nullopt;
  return windows_[window].title;
}

std::vector<int> RasterDisplay::window_order() const {
  std::lock_guard lock(mutex_);
  return order_;
}

int RasterDisplay::front_window() const {
  std::lock_guard lock(mutex_);
  return order_.empty() ? 0 : order_.front();
}

int RasterDisplay::active_window() const {
  std::lock_guard lock(mutex_);
  return active_window_;
}

FrameWindowState RasterDisplay::frame_window() const {
  std::lock_guard lock(mutex_);
  return frame_;
}

std::vector<int> RasterDisplay::menu_commands() const {
  std::lock_guard lock(mutex_);
  return menu_commands_;
}

}  // namespace lumi
