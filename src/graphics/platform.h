// What the program needs of the windowing platform: child windows bound to window numbers, a menu
// bar, mouse events, drawing on the active window, text, and the open-file dialog. The desktop
// program and the headless tracer each implement it; both draw through the same raster canvas.
//
// Pixel coordinates grow right and down from the window's top-left corner. Colours are
// R + 256*G + 65536*B. Colours, line mask and font belong to each window and are set on the
// active one. Everything here is called from the program thread; the handlers registered here are
// called on the platform's own thread.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/scheme.h"
#include "model/scheme_document.h"

namespace lumi {

using Rgb = std::uint32_t;

// What a menu item does when chosen. Everything but kHandler is carried out by the platform.
enum class MenuCommand {
  kNone,         // a menu title
  kHandler,      // calls the item's handler on the platform thread
  kExit,
  kSelectWhole,  // select the whole active window
  kSelectPart,   // select part of the active window
  kCopy,         // selection to the clipboard
  kCascade,
  kTile,
  kPauseResume,
  kAbout,
};

inline constexpr int kMenuEnabled = 4;

struct MenuItem {
  int menu = 0;  // the first item of a menu number is its title
  int flags = kMenuEnabled;
  std::string text;
  MenuCommand command = MenuCommand::kNone;
  std::function<void()> handler;  // for kHandler
};

// Mouse events: 1 left down, 2 left up, 4 left double click, 8 right down, 16 right up,
// 32 right double click, 64 move. key_state 1 = left button alone.
using MouseHandler = std::function<void(int window, int event, int key_state, int x, int y)>;

struct FileFilter {
  std::string name;     // "Файлы с оптическими схемами (*.ops)"
  std::string pattern;  // "*.ops"
};

struct OpenFileRequest {
  std::string title;
  std::vector<FileFilter> filters;  // the first one selected
  std::string default_extension;
  bool start_in_current_directory = false;  // first call of the run only
};

// Where the tracing pass stands, for a progress display. shift and shifts are 0 outside a sweep.
struct TraceProgress {
  int element = 0;
  int elements = 0;
  int shift = 0;
  int shifts = 0;
};

// Frame window states of set_frame_window.
inline constexpr int kFramePlace = 4;
inline constexpr int kFrameMaximise = 2;
// Rectangle modes of draw_rectangle.
inline constexpr int kRectOutline = 2;
inline constexpr int kRectFilled = 3;
// click_menu_command
inline constexpr int kCommandCascade = 3;

// Where the scheme window shows the scheme, as the program drew it last: the world rectangle of
// its view, the view's pixels and each element's anchor, so that a front end can turn a pointer
// position into scheme coordinates and find the element the program would pick.
struct SchemeLayout {
  float x_min = 0.0f, x_max = 0.0f, y_min = 0.0f, y_max = 0.0f;
  float pixel_left = 0.0f, pixel_bottom = 0.0f, pixel_width = 0.0f, pixel_height = 0.0f;
  int count = 0;
  std::array<PointF, kMaxElements> picks{};
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Windows, by number.
  virtual void open_child_window(int window, std::string_view title) = 0;
  virtual void close_window(int window) = 0;  // unopened numbers are ignored
  virtual bool set_window_config(int window, int width, int height) = 0;
  virtual void set_frame_window(int state, int x, int y, int height, int width) = 0;
  virtual bool set_active_window(int window) = 0;  // true when done
  virtual bool focus_window(int window) = 0;       // true when done
  virtual void click_menu_command(int command) = 0;

  // Menus, about box, mouse.
  virtual void append_menu_item(MenuItem item) = 0;
  virtual void set_about_text(std::string_view text) = 0;
  virtual void register_mouse_handler(int window, int event_mask, MouseHandler handler) = 0;

  // Drawing on the active window.
  virtual void set_color_rgb(Rgb rgb) = 0;       // lines and text-mode cells
  virtual void set_text_color_rgb(Rgb rgb) = 0;  // graphic text
  virtual void set_background_color_rgb(Rgb rgb) = 0;
  virtual void set_pixel_rgb(int x, int y, Rgb rgb) = 0;
  virtual void move_to(int x, int y) = 0;
  virtual void line_to(int x, int y) = 0;  // in the line colour and mask; both ends drawn
  virtual void set_line_mask(std::uint16_t mask) = 0;
  virtual void draw_rectangle(int mode, int x1, int y1, int x2, int y2) = 0;

  // Text. set_font takes a spec such as "t'Times New Roman Cyr'h24w7" and returns a font index,
  // or -1. Texts are UTF-8.
  virtual int initialize_fonts() = 0;
  virtual int set_font(std::string_view spec) = 0;
  virtual void set_text_rotation(int tenths_of_degree) = 0;
  virtual void draw_text(std::string_view text) = 0;  // at the current position
  virtual void set_text_position(int row, int column) = 0;
  virtual void write_text(std::string_view text) = 0;  // text-mode cells, in the line colour

  // The open-file dialog: the chosen path, or nothing when the user cancelled.
  virtual std::optional<std::string> choose_file(const OpenFileRequest& request) = 0;

  // Reports that do not stop the program: a refused scheme (shown to the user; the open dialog
  // comes back), a warning (for example a log that cannot be written), and tracing progress.
  virtual void report_error(std::string_view message) = 0;
  virtual void report_warning(std::string_view message) = 0;
  virtual void report_progress(const TraceProgress& progress) = 0;

  // Called between interactive steps that found nothing changed. The desktop program yields the
  // processor; the headless tracer plays its scripted events and, when none are left, writes the
  // windows and raises the open request.
  virtual void idle() = 0;

  // Where the diagnostics log of a scheme goes (the current directory for the desktop program).
  virtual std::filesystem::path log_path_for(const std::string& scheme_path) = 0;

  // A scheme file was read (with any overrides applied) and accepted: the desktop keeps it to
  // save it again, the tracer may write it out.
  virtual void scheme_read(const SchemeDocument&) {}

  // A scheme was installed into the scheme state, leaving these records: read from its file, or
  // `edited` in the program (taken from take_changed_scheme).
  virtual void scheme_installed(const SchemeDocument&,
                                const std::array<ElementRecord, kMaxElements>&, bool /*edited*/) {}
  // A changed scheme waiting to be traced in place of the one shown; the program asks for it when
  // the edit request (PointerInput) is raised.
  virtual std::optional<SchemeDocument> take_changed_scheme() { return std::nullopt; }
  // While held, windows that are open keep their place, size and stacking when the program opens,
  // sizes or arranges them again: a changed scheme is traced into the windows the user arranged.
  virtual void hold_layout(bool /*hold*/) {}
  // The scheme window was drawn and follows the mouse.
  virtual void scheme_drawn(const SchemeLayout&) {}
  // Raises the edit request; a front end that changes schemes calls it on its own thread once
  // take_changed_scheme has one to give.
  virtual void set_change_handler(std::function<void()>) {}
};

}  // namespace lumi
