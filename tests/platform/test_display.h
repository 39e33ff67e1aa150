// The raster display with the front-end operations filled in by recorders, for tests.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "platform/raster/raster_display.h"

namespace lumi::test {

class TestDisplay : public RasterDisplay {
 public:
  std::vector<std::string> errors;

  void append_menu_item(MenuItem) override {}
  void set_about_text(std::string_view) override {}
  void register_mouse_handler(int, int, MouseHandler) override {}
  std::optional<std::string> choose_file(const OpenFileRequest&) override { return std::nullopt; }
  void report_error(std::string_view message) override { errors.emplace_back(message); }
  void report_warning(std::string_view) override {}
  void report_progress(const TraceProgress&) override {}
  void idle() override {}
  std::filesystem::path log_path_for(const std::string& scheme_path) override {
    return scheme_path;
  }

  // Opens and sizes a window and makes it the active one.
  void open(int window, int width, int height, std::string_view title = "") {
    open_child_window(window, title);
    set_window_config(window, width, height);
    set_active_window(window);
  }
};

}  // namespace lumi::test
