// The open scheme's file in the desktop program: "Сохранить как…" writes the bytes it read and
// makes the new file the scheme's own; a change of that file on disk is traced again, while a
// refused version leaves the scheme shown.
#include <QAction>
#include <QFile>
#include <QStatusBar>
#include <fstream>

#include "desktop_fixture.h"
#include "platform/qt/scheme_file_commands.h"

namespace lumi {
namespace {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void write_file(const std::string& path, const std::string& bytes) {
  std::ofstream(path + ".new", std::ios::binary) << bytes;
  std::rename((path + ".new").c_str(), path.c_str());  // as editors save
}

TEST_F(DesktopTest, DesktopSaveAsWritesTheSchemeAndAChangedFileIsTracedAgain) {
  const std::string original = read_file(example("singlet.ops"));
  write_file("singlet.ops", original);
  start_program("singlet.ops");
  ASSERT_TRUE(wait_for_interactive());
  QAction* save_as = action("Сохранить как…");
  ASSERT_TRUE(wait_until([&] { return save_as->isEnabled(); }));

  frame().scheme_files().set_save_chooser([](QWidget*, const QString&) { return "copy.ops"; });
  save_as->trigger();
  EXPECT_EQ(read_file("copy.ops"), original);

  const std::string first_log = diagnostics_log_text();
  std::string moved = original;
  moved.replace(moved.find("150.   Xo"), 4, "151.");
  write_file("copy.ops", moved);
  ASSERT_TRUE(wait_until([&] {
    return diagnostics_log_text().find("151.000") != std::string::npos && wait_for_interactive();
  }));

  const std::string second_log = diagnostics_log_text();
  write_file("copy.ops", original.substr(0, 300));  // refused: the scheme shown stays
  ASSERT_TRUE(wait_until([&] { return !frame().statusBar()->currentMessage().isEmpty(); }));
  EXPECT_TRUE(frame().statusBar()->currentMessage().contains("copy.ops"));
  EXPECT_EQ(diagnostics_log_text(), second_log);
  EXPECT_NE(second_log, first_log);
}

}  // namespace
}  // namespace lumi
