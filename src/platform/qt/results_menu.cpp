// The File menu's report and SVG items.
#include "platform/qt/results_menu.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QMdiArea>
#include <QMenu>

#include "model/text_file.h"
#include "platform/qt/file_dialog.h"
#include "platform/qt/frame_window.h"
#include "platform/qt/scheme_file_commands.h"
#include "platform/qt/qt_platform.h"

namespace lumi {

namespace {

std::optional<std::string> save_dialog(QWidget* parent, const QString& title, const QString& name,
                                       const QString& filter) {
  const QString path = choose_save_path(parent, title, name, filter);
  if (path.isEmpty()) return std::nullopt;
  return path.toStdString();
}

// The window to export: the active sub-window's, 0 when none of ours is.
int active_window(FrameWindow& frame) {
  return frame.window_number(frame.mdi_area()->activeSubWindow());
}

// A copy's part of the window's drawing as SVG: the same elements, the document the part's size
// and its viewBox the part. The recorder writes the size and the viewBox together in the root.
std::string cropped(const std::string& svg, const QRect& part) {
  const std::size_t from = svg.find(" width=\"");
  const std::size_t box = svg.find("viewBox=\"");
  const std::size_t end = box == std::string::npos ? box : svg.find('"', box + 9);
  if (from == std::string::npos || end == std::string::npos || from > box) return svg;
  const auto number = [](int v) { return std::to_string(v); };
  return svg.substr(0, from) + " width=\"" + number(part.width()) + "\" height=\"" +
         number(part.height()) + "\" viewBox=\"" + number(part.x()) + " " + number(part.y()) + " " +
         number(part.width()) + " " + number(part.height()) + svg.substr(end);
}

// The copy's image goes to the clipboard at once, and again with its vector drawing as
// image/svg+xml once the program thread, next idle, has given it (tracing may hold it a while).
void copy_with_svg(QtPlatform& platform, int window, const QRect& part, const QImage& image) {
  QGuiApplication::clipboard()->setImage(image);
  platform.run_in_program([&platform, window, part, image] {
    std::optional<std::string> svg = platform.svg(window);
    if (svg) svg = cropped(*svg, part);
    platform.run_in_gui([image, svg] {
      auto* data = new QMimeData;
      data->setImageData(image);
      if (svg) data->setData(QStringLiteral("image/svg+xml"), QByteArray::fromStdString(*svg));
      QGuiApplication::clipboard()->setMimeData(data);
    });
  });
}

}  // namespace

void add_results_menu(QtPlatform& platform, ResultsMenu menu) {
  FrameWindow& frame = platform.frame();
  frame.set_copy_hook([&platform](int window, const QRect& part, const QImage& image) {
    copy_with_svg(platform, window, part, image);
  });
  QMenu* file = frame.menu(1);
  if (file == nullptr) return;
  if (!menu.choose) {
    menu.choose = [&frame](const QString& title, const QString& name, const QString& filter) {
      return save_dialog(&frame, title, name, filter);
    };
  }
  // After the scheme's own saving, before the recent files and "Выход".
  const QList<QAction*> items = file->actions();
  const qsizetype save_as = items.indexOf(frame.scheme_files().save_as_action());
  QAction* before = save_as >= 0 && save_as + 1 < items.size() ? items[save_as + 1]
                    : items.isEmpty()                          ? nullptr
                                                               : items.back();
  auto* report = new QAction(frame.with_menu_mnemonic(1, QStringLiteral("Сохранить отчёт…")), file);
  auto* svg =
      new QAction(frame.with_menu_mnemonic(1, QStringLiteral("Сохранить окно как SVG…")), file);
  file->insertAction(before, report);
  file->insertAction(before, svg);

  QObject::connect(report, &QAction::triggered, &frame, [&platform, menu] {
    const std::optional<std::string> path = menu.choose(
        QStringLiteral("Сохранить отчёт"), QStringLiteral("отчёт.json"),
        QStringLiteral("Отчёт JSON (*.json)"));
    if (!path) return;
    platform.run_in_program([&platform, save = menu.save_report, path = *path] {
      for (const std::string& error : save(path)) platform.report_error(error);
    });
  });
  QObject::connect(svg, &QAction::triggered, &frame, [&platform, &frame, menu] {
    const int window = active_window(frame);
    if (window == 0) return;
    const std::optional<std::string> path = menu.choose(
        QStringLiteral("Сохранить окно как SVG"), QStringLiteral("окно-%1.svg").arg(window),
        QStringLiteral("Изображение SVG (*.svg)"));
    if (!path) return;
    platform.run_in_program([&platform, window, path = *path] {
      const std::optional<std::string> text = platform.svg(window);
      const std::string error = text ? write_text_file(path, *text)
                                     : "окно " + std::to_string(window) + " не записано как SVG";
      if (!error.empty()) platform.report_error(error);
    });
  });
}

}  // namespace lumi
