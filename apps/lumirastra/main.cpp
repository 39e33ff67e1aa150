// lumirastra: the desktop program. Traces scheme files chosen in the open dialog (or the one
// named on the command line first) and lets the user explore them with the mouse.
#include <QApplication>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>

#include "platform/qt/frame_window.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/translation.h"
#include "shell/main_loop.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("lumirastra"));
  lumi::install_russian_translation(app);

  std::optional<std::string> scheme;
  if (const QStringList args = QApplication::arguments(); args.size() > 1) {
    scheme = args[1].toStdString();
  }
  lumi::QtPlatform platform(scheme);
  auto program = std::make_unique<lumi::Program>(platform);
  program->focus_charts = true;
  lumi::initial_settings(platform, program->scheme);
  QObject::connect(&platform.frame(), &lumi::FrameWindow::ended, &app, &QApplication::exit,
                   Qt::QueuedConnection);

  platform.start([&program] { return lumi::main_program(*program); });
  const int status = QApplication::exec();
  // The program thread uses `program`: it is stopped before anything is destroyed.
  return platform.finish(status);
}
