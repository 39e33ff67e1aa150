// The window and drawing half of the platform, shared by the headless tracer and the desktop
// program: windows 1..100, each drawing into its own canvas, with graphic and text-mode text.
// Menus, the about box, the mouse, the file dialog and reports are left to the front ends.
//
// Threads: the Platform operations run on the program thread. The accessors below (canvas,
// title, window_order, ...) may be called from any thread; a canvas handed out stays alive while
// it is held, even if its window is closed meanwhile.
#pragma once

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "graphics/platform.h"
#include "platform/raster/canvas.h"
#include "platform/raster/text_renderer.h"
#include "platform/raster/vector_recorder.h"

namespace lumi {

struct FrameWindowState {
  int state = 0;  // 0 until set_frame_window was called
  int x = 0, y = 0, height = 0, width = 0;
};

class RasterDisplay : public Platform {
 public:
  static constexpr int kFirstWindow = 1;
  static constexpr int kLastWindow = 100;

  RasterDisplay();
  ~RasterDisplay() override;

  // Windows. A window exists from open_child_window to close_window; it has a canvas once
  // set_window_config has sized it. Numbers outside 1..100 and unopened windows are refused.
  void open_child_window(int window, std::string_view title) override;
  void close_window(int window) override;
  bool set_window_config(int window, int width, int height) override;
  void set_frame_window(int state, int x, int y, int height, int width) override;
  bool set_active_window(int window) override;
  bool focus_window(int window) override;
  void click_menu_command(int command) override;

  // Drawing on the active window; ignored while there is none or it has no canvas yet.
  void set_color_rgb(Rgb rgb) override;
  void set_text_color_rgb(Rgb rgb) override;
  void set_background_color_rgb(Rgb rgb) override;
  void set_pixel_rgb(int x, int y, Rgb rgb) override;
  void move_to(int x, int y) override;
  void line_to(int x, int y) override;
  void set_line_mask(std::uint16_t mask) override;
  void draw_rectangle(int mode, int x1, int y1, int x2, int y2) override;

  // Text. initialize_fonts reports a missing face through report_error, once.
  int initialize_fonts() override;
  int set_font(std::string_view spec) override;
  void set_text_rotation(int tenths_of_degree) override;
  void draw_text(std::string_view text) override;
  void set_text_position(int row, int column) override;
  void write_text(std::string_view text) override;

  // What the front ends show and write; any thread.
  std::shared_ptr<Canvas> canvas(int window) const;  // null when not open or not sized
  std::optional<std::string> title(int window) const;
  std::vector<int> window_order() const;  // the open windows, the front one first
  int front_window() const;               // 0 when none is open
  int active_window() const;
  FrameWindowState frame_window() const;
  std::vector<int> menu_commands() const;  // click_menu_command calls, in order
  // With recording on, each window sized from then on also keeps its drawing as vector elements
  // (see VectorRecorder); svg() gives them as an SVG document. Program thread only.
  void set_vector_recording(bool on) { record_vectors_ = on; }
  std::optional<std::string> svg(int window) const;

  // Grows with every change of the window set, titles, sizes or order.
  std::uint64_t window_changes() const { return window_changes_.load(std::memory_order_acquire); }

 private:
  struct Window {
    bool open = false;
    std::string title;
    std::shared_ptr<Canvas> canvas;
    std::unique_ptr<VectorRecorder> vectors;  // program thread only
  };

  static bool valid_number(int window) { return window >= kFirstWindow && window <= kLastWindow; }
  void bring_to_front(int window);  // lock held
  void record_rectangle(int mode, int x1, int y1, int x2, int y2);
  void record_cells(std::string_view text);
  void changed() { window_changes_.fetch_add(1, std::memory_order_release); }

  mutable std::mutex mutex_;  // guards windows_, order_, frame_, menu_commands_
  std::array<Window, kLastWindow + 1> windows_;
  std::vector<int> order_;
  FrameWindowState frame_;
  std::vector<int> menu_commands_;
  std::atomic<std::uint64_t> window_changes_{0};

  // Program thread only.
  int active_window_ = 0;
  Canvas* active_ = nullptr;
  VectorRecorder* active_vectors_ = nullptr;
  bool record_vectors_ = false;
  TextRenderer text_;
  bool font_error_reported_ = false;
};

}  // namespace lumi
