// Start-up, menus and the main loop.
#include "shell/main_loop.h"

#include "graphics/focus_chart.h"
#include "model/listing.h"
#include "model/scheme_check.h"
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

// The tracing pass. Returns false when an open request stopped it (the windows are then closed).
bool trace_scheme(Program& program) {
  Workspace ws = program.workspace();
  Scheme& scheme = program.scheme;
  for (int k = 1; k <= scheme.count; ++k) {
    if (scheme.input.open_request.load(std::memory_order_relaxed) == 1) {
      close_scheme_windows(program);
      return false;
    }
    program.platform.report_progress({k, scheme.count, 0, 0});
    trace_element(ws, scheme.element(k), program.rays, k);
  }
  return true;
}

void run_interactive_phase(Program& program) {
  Graphics& graphics = program.graphics;
  PointerInput& input = program.scheme.input;
  program.platform.register_mouse_handler(
      1, kMouseEventMask, [&graphics, &input](int, int, int key_state, int x, int y) {
        mouse_handler(graphics, input, x, y, key_state);
      });
  Workspace ws = program.workspace();
  program.interactive.status = 0;
  while (program.interactive.status != 2) {
    if (!interactive_step(ws, program.interactive)) program.platform.idle();
  }
}

}  // namespace

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
  return true;
}

void open_menu_handler(Scheme& scheme) {
  scheme.input.open_request.store(1, std::memory_order_relaxed);
}

std::string_view about_text() {
  return "Инструкция в файле lumirastra2.pdf\r \r Если у Вас его нет, загляните на\r"
         "    https://lumirastra.example.org";
}

bool read_scheme(Program& program) {
  Platform& platform = program.platform;
  for (;;) {
    const bool first_call = program.dialog_calls++ == 0;
    std::optional<std::string> path = platform.choose_file(open_request(first_call));
    if (!path) return false;
    try {
      SchemeFile file = read_scheme_file(*path);
      check_scheme(file, *path, program.scheme);
      install_scheme(file, *path, program.scheme);
      program.log = DiagnosticsLog(platform.log_path_for(*path),
                                   [&platform](std::string_view m) { platform.report_warning(m); });
      program.log.restart(scheme_echo_lines(file));
      return true;
    } catch (const SchemeError& error) {
      platform.report_error(error.what());
    }
  }
}

int main_program(Program& program) {
  program.platform.set_about_text(about_text());
  for (;;) {
    if (!read_scheme(program)) return 0;
    program.scheme.input.open_request.store(0, std::memory_order_relaxed);
    append_scheme_listing(program.scheme, program.log);
    program.results.start(program.scheme.count, program.collect_hits, RayBundle::kCapacity);
    Workspace ws = program.workspace();
    prepare_scheme(ws);
    if (!trace_scheme(program)) continue;
    if (program.focus_charts) draw_focus_charts(program);
    run_interactive_phase(program);
  }
}

}  // namespace lumi
