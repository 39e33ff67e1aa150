// Start-up, menus and the main loop.
#include "shell/main_loop.h"

#include <memory>
#include <ostream>

#include "graphics/focus_chart.h"
#include "model/element_kinds.h"
#include "model/listing.h"
#include "model/scheme_check.h"
#include "model/scheme_document.h"
#include "model/scheme_error.h"
#include "model/scheme_reader.h"
#include "tracing/passes.h"

namespace lumi {

namespace {

struct MenuEntry {
  int menu;
  const char* text;
  MenuCommand command;
};

constexpr MenuEntry kMenu[] = {
    {1, "Файл", MenuCommand::kNone},
    {1, "Открыть", MenuCommand::kHandler},
    {1, "Выход", MenuCommand::kExit},
    {2, "Edit", MenuCommand::kNone},
    {2, "Выделить все окно", MenuCommand::kSelectWhole},
    {2, "Выделить часть окна", MenuCommand::kSelectPart},
    {2, "Copy (в буфер)", MenuCommand::kCopy},
    {3, "Window", MenuCommand::kNone},
    {3, "Cascade", MenuCommand::kCascade},
    {3, "Tile", MenuCommand::kTile},
    {4, "Пауза", MenuCommand::kNone},
    {4, "winstate", MenuCommand::kPauseResume},
    {5, "Инструкция", MenuCommand::kAbout},
};

OpenFileRequest open_request(bool first_call) {
  OpenFileRequest request;
  request.title = std::string(kDialogTitle);
  request.filters = {{"Файлы с оптическими схемами (*.ops)", "*.ops"}, {"Все файлы", "*"}};
  request.default_extension = "spa";
  request.start_in_current_directory = first_call;
  return request;
}

void close_scheme_windows(Program& program) {
  for (int w = 1; w <= program.scheme.count; ++w) program.graphics.close_window(w);
  program.scheme.count = 0;
  close_focus_charts(program.graphics, program.results);
}

// After the scheme's own windows, a through-focus chart for each focal plane traced.
void draw_focus_charts(Program& program) {
  for (const FocusSweep& sweep : program.results.focus) draw_focus_chart(program.graphics, sweep);
}

bool edit_requested(const Scheme& scheme) {
  return scheme.input.edit_request.load(std::memory_order_relaxed) == 1;
}

// The tracing pass. Stops before an element when a new file is requested (the windows are then
// closed) or a changed scheme waits.
PassEnd trace_scheme(Program& program) {
  Workspace ws = program.workspace();
  Scheme& scheme = program.scheme;
  for (int k = 1; k <= scheme.count; ++k) {
    if (scheme.input.open_request.load(std::memory_order_relaxed) == 1) {
      close_scheme_windows(program);
      return PassEnd::kOpen;
    }
    if (edit_requested(scheme)) return PassEnd::kEdit;
    program.platform.report_progress({k, scheme.count, 0, 0});
    trace_element(ws, scheme.element(k), program.rays, k);
  }
  return edit_requested(scheme) ? PassEnd::kEdit : PassEnd::kDone;
}

SchemeLayout scheme_layout(const Program& program) {
  const ViewRecord& view = program.graphics.view(1, 1);
  SchemeLayout layout{view.x_min,      view.x_max,        view.y_min,       view.y_max,
                      view.pixel_left, view.pixel_bottom, view.pixel_width, view.pixel_height,
                      program.scheme.count, program.scheme.picks};
  return layout;
}

PassEnd run_interactive_phase(Program& program) {
  Graphics& graphics = program.graphics;
  PointerInput& input = program.scheme.input;
  // The layout first: whoever sees the handler registered finds the layout it goes with.
  program.platform.scheme_drawn(scheme_layout(program));
  program.platform.register_mouse_handler(
      1, kMouseEventMask, [&graphics, &input](int, int, int key_state, int x, int y) {
        mouse_handler(graphics, input, x, y, key_state);
      });
  Workspace ws = program.workspace();
  program.interactive.status = 0;
  while (program.interactive.status != 2) {
    if (edit_requested(program.scheme)) {
      // The view of window 1, which the handler reads, is about to be drawn again.
      program.platform.register_mouse_handler(1, 0, {});
      return PassEnd::kEdit;
    }
    if (!interactive_step(ws, program.interactive)) program.platform.idle();
  }
  return PassEnd::kOpen;
}

// Lists, prepares and traces the installed scheme, then follows the mouse; a changed scheme made
// meanwhile is installed and traced in its place, into the same windows.
void run_scheme(Program& program) {
  for (bool again = false;; again = true) {
    PassEnd end = draw_and_trace(program, again);
    if (end == PassEnd::kDone) end = run_interactive_phase(program);
    if (end == PassEnd::kOpen) return;
    install_changed_scheme(program);
  }
}

}  // namespace

PassEnd draw_and_trace(Program& program, bool in_open_windows) {
  append_scheme_listing(program.scheme, program.log);
  program.results.start(program.scheme.count, program.collect_hits, RayBundle::kCapacity);
  Workspace ws = program.workspace();
  program.platform.hold_layout(in_open_windows);
  prepare_scheme(ws);
  program.platform.hold_layout(false);
  const PassEnd end = trace_scheme(program);
  if (end == PassEnd::kDone && program.focus_charts) {
    program.platform.hold_layout(in_open_windows);
    draw_focus_charts(program);
    program.platform.hold_layout(false);
  }
  return end;
}

// Installs the changed scheme that waits, if it is still accepted (else the scheme shown is
// installed again, its pass perhaps cut short), and restarts the log as reading its file would.
// The windows of elements that no longer have one are closed; the others are drawn again in place.
void install_changed_scheme(Program& program) {
  program.scheme.input.edit_request.store(0, std::memory_order_relaxed);
  Scheme& scheme = program.scheme;
  if (std::optional<SchemeDocument> changed = program.platform.take_changed_scheme()) {
    try {
      changed->check({&scheme, {}});
      program.document = std::move(changed);
    } catch (const SchemeError& error) {
      program.platform.report_error(error.what());
    }
  }
  const SchemeDocument& document = *program.document;
  const int old_count = scheme.count;
  install_scheme(document.file(), document.label(), scheme);
  program.platform.scheme_installed(document, scheme.elements, true);
  for (int w = 2; w <= old_count; ++w) {
    const ElementKind* kind = w <= scheme.count ? kind_of(scheme.element(w)) : nullptr;
    if (!kind || !kind->own_window) program.graphics.close_window(w);
  }
  for (const FocusSweep& sweep : program.results.focus) {
    if (sweep.k > scheme.count || scheme.element(sweep.k).code() != code::kFocalPlane) {
      program.graphics.close_window(focus_chart_window(sweep.k));
    }
  }
  program.log.restart(scheme_echo_lines(document.file()));
  // The element selected may be gone: the selection starts again, as for a new file.
  program.interactive = InteractiveState{};
}

bool initial_settings(Platform& platform, Scheme& scheme) {
  platform.set_frame_window(kFramePlace, 50, 50, 400, 650);
  for (const MenuEntry& entry : kMenu) {
    MenuItem item;
    item.menu = entry.menu;
    item.text = entry.text;
    item.command = entry.command;
    if (entry.command == MenuCommand::kHandler) item.handler = [&scheme] { open_menu_handler(scheme); };
    platform.append_menu_item(std::move(item));
  }
  platform.set_change_handler(
      [&scheme] { scheme.input.edit_request.store(1, std::memory_order_relaxed); });
  return true;
}

void open_menu_handler(Scheme& scheme) {
  scheme.input.open_request.store(1, std::memory_order_relaxed);
}

std::string about_text(std::string_view readme) {
  return "Инструкция в файле lumirastra2.pdf\r \r Если у Вас его нет, загляните на\r    " +
         std::string(readme);
}

bool read_scheme(Program& program) {
  Platform& platform = program.platform;
  for (;;) {
    const bool first_call = program.dialog_calls++ == 0;
    std::optional<std::string> path = platform.choose_file(open_request(first_call));
    if (!path) return false;
    try {
      const SchemeDocument document =
          read_checked_scheme(*path, program.overrides, program.scheme,
                              [&platform](const SchemeDocument& d) { platform.scheme_read(d); });
      install_scheme(document.file(), *path, program.scheme);
      platform.scheme_installed(document, program.scheme.elements, false);
      program.document = document;
      program.log = DiagnosticsLog(platform.log_path_for(*path),
                                   [&platform](std::string_view m) { platform.report_warning(m); });
      program.log.restart(scheme_echo_lines(document.file()));
      return true;
    } catch (const SchemeError& error) {
      platform.report_error(error.what());
    }
  }
}

SchemeDocument read_checked_scheme(const std::string& path,
                                   std::span<const SlotOverride> overrides, const Scheme& current,
                                   const std::function<void(const SchemeDocument&)>& on_read) {
  std::vector<SlotOrigin> origins;
  SchemeDocument document = SchemeDocument::read(path).with_overrides(overrides, origins);
  document.check({&current, origins});
  if (on_read) on_read(document);
  return document;
}

int check_schemes(std::span<const std::string> paths, std::span<const SlotOverride> overrides,
                  std::ostream& report, std::ostream& errors) {
  auto scheme = std::make_unique<Scheme>();
  int refused = 0;
  for (const std::string& path : paths) {
    try {
      const SchemeDocument document = read_checked_scheme(path, overrides, *scheme);
      install_scheme(document.file(), path, *scheme);
      const ElementRecord& source = document.element(1);
      report << path << ": схема принята, элементов: " << document.count() << ", лучей: "
             << (source.code() == code::kSource ? source_ray_count(source) : 0) << '\n';
    } catch (const SchemeError& error) {
      ++refused;
      errors << "lumirastra-trace: " << error.what() << '\n';
    }
  }
  return refused;
}

int main_program(Program& program) {
  program.platform.set_about_text(about_text(program.readme));
  for (;;) {
    if (!read_scheme(program)) return 0;
    program.scheme.input.open_request.store(0, std::memory_order_relaxed);
    program.scheme.input.edit_request.store(0, std::memory_order_relaxed);
    run_scheme(program);
  }
}

}  // namespace lumi
