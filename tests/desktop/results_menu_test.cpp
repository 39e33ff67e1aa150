// The File menu's report and SVG items of the desktop: they stand before "Выход" with the
// program's own items in their order, and write the report and the active window's vector image
// on the program thread once the scheme is traced.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMdiArea>
#include <QMenu>
#include <QMimeData>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "desktop/desktop_fixture.h"
#include "output/scheme_outputs.h"
#include "platform/qt/results_menu.h"
#include "shell/main_loop.h"

namespace lumi {
namespace {

std::string file_text(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST_F(DesktopTest, FileMenuSavesTheReportAndTheActiveWindowAsSvg) {
  make_platform(example("singlet.ops"));
  platform().set_vector_recording(true);
  const std::filesystem::path report = std::filesystem::current_path() / "r.json";
  const std::filesystem::path svg = std::filesystem::current_path() / "w.svg";
  std::deque<std::string> paths{report.string(), svg.string()};
  ResultsMenu menu;
  menu.save_report = [this](const std::string& path) {
    return write_scheme_outputs(program(), {path, {}});
  };
  menu.choose = [&paths](const QString&, const QString&, const QString&) {
    std::optional<std::string> path = paths.front();
    paths.pop_front();
    return path;
  };
  add_results_menu(platform(), menu);
  platform().start([this] { return main_program(program()); });
  ASSERT_TRUE(wait_for_interactive());

  QStringList items;
  for (QAction* item : frame().menu(1)->actions()) {
    if (!item->isSeparator()) items << shown_text(item);
  }
  EXPECT_EQ(items, (QStringList{"Открыть", "Сохранить", "Сохранить как…", "Сохранить отчёт…",
                                "Сохранить окно как SVG…", "Недавние файлы", "Выход"}));

  action("Сохранить отчёт…")->trigger();
  ASSERT_TRUE(wait_until([&] { return file_text(report).ends_with("}\n"); }));
  const std::string json = file_text(report);
  EXPECT_NE(json.find("\"format\": \"lumirastra-report\""), std::string::npos);
  EXPECT_NE(json.find("\"best_rms_d\": 5"), std::string::npos) << json;

  frame().mdi_area()->setActiveSubWindow(frame().sub_window(3));
  action("Сохранить окно как SVG…")->trigger();
  ASSERT_TRUE(wait_until([&] { return file_text(svg).ends_with("</svg>\n"); }));
  EXPECT_NE(file_text(svg).find("viewBox=\"0 0 640 480\""), std::string::npos);
  EXPECT_NE(file_text(svg).find("dd="), std::string::npos) << "the focal plane's caption";

  // A copy of the whole window offers its image and its drawing as SVG
  frame().select_whole_window();
  frame().copy_selection();
  ASSERT_TRUE(wait_until([] {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data != nullptr && data->hasFormat("image/svg+xml");
  }));
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  EXPECT_TRUE(data->hasImage());
  const QByteArray vector = data->data("image/svg+xml");
  EXPECT_TRUE(vector.contains("width=\"640\" height=\"480\" viewBox=\"0 0 640 480\""))
      << vector.left(300).toStdString();
}

}  // namespace
}  // namespace lumi
