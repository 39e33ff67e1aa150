// The desktop's File menu items for what a traced scheme leaves besides its windows: "Сохранить
// отчёт…" (the report) and "Сохранить окно как SVG…" (the active window as a vector image). They
// stand before "Выход", after the program's own items, whose texts and order stay as they are.
// The file is chosen on the GUI thread; the writing runs on the program thread at its next idle
// moment (QtPlatform::run_in_program), which owns the results and the windows' vector drawings.
// The clipboard's copy of a window (or part of one) then also offers it as image/svg+xml, the
// part as the SVG's viewBox.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <QString>

namespace lumi {

class QtPlatform;

struct ResultsMenu {
  // Program thread: writes the report of the last traced scheme; the messages of what failed.
  std::function<std::vector<std::string>(const std::string& path)> save_report;
  // GUI thread: the file to save to (title, suggested name, filter), or none when cancelled. A
  // save dialog when not given.
  std::function<std::optional<std::string>(const QString& title, const QString& name,
                                           const QString& filter)>
      choose;
};

// Adds the items to menu 1 ("Файл") and the vector drawing to the clipboard's copies. Call on
// the GUI thread after initial_settings, with vector recording on
// (RasterDisplay::set_vector_recording) before the program starts.
void add_results_menu(QtPlatform& platform, ResultsMenu menu);

}  // namespace lumi
