// lumirastra: the desktop program. Traces scheme files chosen in the open dialog (or the one
// named on the command line first) and lets the user explore them with the mouse.
#include <QApplication>
#include <QStringList>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "platform/qt/about.h"
#include "platform/qt/frame_window.h"
#include "output/scheme_outputs.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/results_menu.h"
#include "platform/qt/translation.h"
#include "shell/main_loop.h"
#include "version.h"

namespace {

// The File menu's report and SVG items; every window keeps its drawing as vector elements too.
void add_results_items(lumi::QtPlatform& platform, lumi::Program& program) {
  platform.set_vector_recording(true);
  lumi::ResultsMenu menu;
  menu.save_report = [&program](const std::string& path) {
    return lumi::write_scheme_outputs(program, {path, {}});
  };
  lumi::add_results_menu(platform, std::move(menu));
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before Qt starts, so that it needs no display.
  if (lumi::asks_for_version(argc, argv)) {
    std::cout << lumi::kVersionText << '\n';
    return 0;
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("lumirastra"));
  lumi::install_russian_translation(app);

  std::optional<std::string> scheme;
  if (const QStringList args = QApplication::arguments(); args.size() > 1) {
    scheme = args[1].toStdString();
  }
  lumi::QtPlatform platform(scheme);
  auto program = std::make_unique<lumi::Program>(platform);
  program->readme = lumi::readme_location();
  program->focus_charts = true;
  lumi::initial_settings(platform, program->scheme);
  add_results_items(platform, *program);
  QObject::connect(&platform.frame(), &lumi::FrameWindow::ended, &app, &QApplication::exit,
                   Qt::QueuedConnection);

  platform.start([&program] { return lumi::main_program(*program); });
  const int status = QApplication::exec();
  // The program thread uses `program`: it is stopped before anything is destroyed.
  return platform.finish(status);
}
