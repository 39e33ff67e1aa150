// A platform that draws nothing and records every call, for tests of the layers above the
// platform. Each call is kept as text ("w3 line_to 10 20") in `calls`, and the drawing calls are
// also kept as segments, pixels and texts with the window and colour they went to.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "graphics/platform.h"

namespace lumi::test {

struct RecordedSegment {
  int window;
  int x0, y0, x1, y1;
  Rgb color;
  std::uint16_t mask;
};

struct RecordedPixel {
  int window;
  int x, y;
  Rgb color;
};

struct RecordedText {
  int window;
  int x, y;  // the current position when drawn
  Rgb color;
  std::string font;
  int rotation;
  std::string text;
};

class RecordingPlatform : public Platform {
 public:
  std::vector<std::string> calls;
  std::vector<RecordedSegment> segments;
  std::vector<RecordedPixel> pixels;
  std::vector<RecordedText> texts;
  std::vector<MenuItem> menu;
  std::vector<std::string> errors, warnings;
  std::vector<TraceProgress> progress;
  std::map<int, std::string> open_windows;  // window number -> title
  std::string about;
  MouseHandler mouse;
  std::vector<std::optional<std::string>> dialog_answers;  // consumed in order; then cancel
  std::vector<OpenFileRequest> dialog_requests;
  // When set, a newly opened window becomes the active one, as on the desktop platform.
  bool open_activates = false;
  std::function<void()> on_idle;      // what happens between idle interactive steps
  std::filesystem::path log_path = "диагностика.dat";

  int active() const { return active_; }
  Rgb line_color(int window) { return state_[window].line; }
  Rgb text_color(int window) { return state_[window].text; }

  // Windows.
  void open_child_window(int window, std::string_view title) override {
    open_windows[window] = std::string(title);
    if (open_activates) active_ = window;
    log("open_child_window " + std::to_string(window) + " " + std::string(title));
  }
  void close_window(int window) override {
    open_windows.erase(window);
    log("close_window " + std::to_string(window));
  }
  bool set_window_config(int window, int width, int height) override {
    log("set_window_config " + std::to_string(window) + " " + std::to_string(width) + " " +
        std::to_string(height));
    return true;
  }
  void set_frame_window(int state, int x, int y, int height, int width) override {
    log("set_frame_window " + std::to_string(state) + " " + std::to_string(x) + " " +
        std::to_string(y) + " " + std::to_string(height) + " " + std::to_string(width));
  }
  bool set_active_window(int window) override {
    active_ = window;
    log("set_active_window " + std::to_string(window));
    return true;
  }
  bool focus_window(int window) override {
    log("focus_window " + std::to_string(window));
    return true;
  }
  void click_menu_command(int command) override {
    log("click_menu_command " + std::to_string(command));
  }

  // Menus and mouse.
  void append_menu_item(MenuItem item) override {
    log("append_menu_item " + std::to_string(item.menu) + " " + item.text);
    menu.push_back(std::move(item));
  }
  void set_about_text(std::string_view text) override { about = text; }
  void register_mouse_handler(int window, int event_mask, MouseHandler handler) override {
    log("register_mouse_handler " + std::to_string(window) + " " + std::to_string(event_mask));
    mouse = std::move(handler);
  }

  // Drawing.
  void set_color_rgb(Rgb rgb) override {
    state_[active_].line = rgb;
    log("set_color_rgb " + std::to_string(rgb));
  }
  void set_text_color_rgb(Rgb rgb) override {
    state_[active_].text = rgb;
    log("set_text_color_rgb " + std::to_string(rgb));
  }
  void set_background_color_rgb(Rgb rgb) override {
    log("set_background_color_rgb " + std::to_string(rgb));
  }
  void set_pixel_rgb(int x, int y, Rgb rgb) override {
    pixels.push_back({active_, x, y, rgb});
    log("set_pixel_rgb " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(rgb));
  }
  void move_to(int x, int y) override {
    state_[active_].x = x;
    state_[active_].y = y;
    log("move_to " + std::to_string(x) + " " + std::to_string(y));
  }
  void line_to(int x, int y) override {
    WindowState& s = state_[active_];
    segments.push_back({active_, s.x, s.y, x, y, s.line, s.mask});
    s.x = x;
    s.y = y;
    log("line_to " + std::to_string(x) + " " + std::to_string(y));
  }
  void set_line_mask(std::uint16_t mask) override {
    state_[active_].mask = mask;
    log("set_line_mask " + std::to_string(mask));
  }
  void draw_rectangle(int mode, int x1, int y1, int x2, int y2) override {
    log("draw_rectangle " + std::to_string(mode) + " " + std::to_string(x1) + " " +
        std::to_string(y1) + " " + std::to_string(x2) + " " + std::to_string(y2));
  }

  // Text.
  int initialize_fonts() override {
    log("initialize_fonts");
    return 1;
  }
  int set_font(std::string_view spec) override {
    state_[active_].font = spec;
    log("set_font " + std::string(spec));
    return 0;
  }
  void set_text_rotation(int tenths) override {
    state_[active_].rotation = tenths;
    log("set_text_rotation " + std::to_string(tenths));
  }
  void draw_text(std::string_view text) override {
    WindowState& s = state_[active_];
    texts.push_back({active_, s.x, s.y, s.text, s.font, s.rotation, std::string(text)});
    log("draw_text " + std::string(text));
  }
  void set_text_position(int row, int column) override {
    log("set_text_position " + std::to_string(row) + " " + std::to_string(column));
  }
  void write_text(std::string_view text) override { log("write_text " + std::string(text)); }

  // Dialog and reports.
  std::optional<std::string> choose_file(const OpenFileRequest& request) override {
    dialog_requests.push_back(request);
    if (next_answer_ >= dialog_answers.size()) return std::nullopt;
    return dialog_answers[next_answer_++];
  }
  void report_error(std::string_view message) override { errors.emplace_back(message); }
  void report_warning(std::string_view message) override { warnings.emplace_back(message); }
  void report_progress(const TraceProgress& p) override { progress.push_back(p); }
  void idle() override {
    log("idle");
    if (on_idle) on_idle();
  }
  std::filesystem::path log_path_for(const std::string&) override { return log_path; }

  // The recorded calls that start with `prefix`, in order.
  std::vector<std::string> calls_starting(std::string_view prefix) const {
    std::vector<std::string> out;
    for (const std::string& c : calls) {
      std::string_view body(c);
      body.remove_prefix(body.find(' ') + 1);
      if (body.substr(0, prefix.size()) == prefix) out.emplace_back(body);
    }
    return out;
  }

 private:
  struct WindowState {
    int x = 0, y = 0;
    Rgb line = 0xFFFFFF, text = 0xFFFFFF;
    std::uint16_t mask = 0xFFFF;
    std::string font;
    int rotation = 0;
  };

  void log(std::string text) { calls.push_back("w" + std::to_string(active_) + " " + text); }

  int active_ = 0;
  std::map<int, WindowState> state_;
  std::size_t next_answer_ = 0;
};

}  // namespace lumi::test
