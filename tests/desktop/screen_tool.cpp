// A helper for looking at the desktop program by hand on a virtual X display: moves the pointer,
// waits and saves screenshots, in the order given, e.g.
//   screen_tool move 700 400 sleep 500 shot /tmp/screen.png
#include <QCursor>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>
#include <cstdio>

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QStringList args = QGuiApplication::arguments();
  for (qsizetype i = 1; i < args.size(); ++i) {
    if (args[i] == "move" && i + 2 < args.size()) {
      QCursor::setPos(args[i + 1].toInt(), args[i + 2].toInt());
      i += 2;
    } else if (args[i] == "sleep" && i + 1 < args.size()) {
      QThread::msleep(args[++i].toULong());
    } else if (args[i] == "shot" && i + 1 < args.size()) {
      if (!QGuiApplication::primaryScreen()->grabWindow(0).save(args[++i])) return 1;
    } else {
      std::fprintf(stderr, "usage: screen_tool [move X Y | sleep MS | shot FILE]...\n");
      return 2;
    }
    QGuiApplication::processEvents();
  }
  return 0;
}
