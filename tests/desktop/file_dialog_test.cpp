// The open dialog as the program asks for it: title, filters with "Все файлы" showing every file,
// and the folder: the current one on the first call of the run, where it was left after that.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QTemporaryDir>

#include "platform/qt/file_dialog.h"

namespace lumi {
namespace {

OpenFileRequest scheme_request(bool first_call) {
  OpenFileRequest request;
  request.title = "Чтение файла цели";
  request.filters = {{"Файлы с оптическими схемами (*.ops)", "*.ops"}, {"Все файлы", "*"}};
  request.default_extension = "spa";
  request.start_in_current_directory = first_call;
  return request;
}

TEST(DesktopFileDialog, NameFiltersCarryTheirPatternsOnce) {
  EXPECT_EQ(qt_name_filters(scheme_request(true).filters),
            QStringList({"Файлы с оптическими схемами (*.ops)", "Все файлы (*)"}));
}

TEST(DesktopFileDialog, ShowsTheProgramsTitleAndFilterNames) {
  QFileDialog dialog;
  SchemeFileDialog().prepare(dialog, scheme_request(true));
  EXPECT_EQ(dialog.windowTitle(), "Чтение файла цели");
  EXPECT_EQ(dialog.selectedNameFilter(), "Файлы с оптическими схемами (*.ops)");
  EXPECT_EQ(dialog.defaultSuffix(), "spa");
  auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
  ASSERT_NE(types, nullptr);
  ASSERT_EQ(types->count(), 2);
  EXPECT_EQ(types->itemText(0), "Файлы с оптическими схемами (*.ops)");
  EXPECT_EQ(types->itemText(1), "Все файлы");
}

TEST(DesktopFileDialog, StartsInTheCurrentFolderOnlyOnTheFirstCall) {
  QTemporaryDir here;
  QTemporaryDir last;
  const QString previous = QDir::currentPath();
  QDir::setCurrent(here.path());
  const SchemeFileDialog chooser(last.path());
  QFileDialog first;
  chooser.prepare(first, scheme_request(true));
  EXPECT_EQ(first.directory().canonicalPath(), QDir(here.path()).canonicalPath());
  QFileDialog later;
  chooser.prepare(later, scheme_request(false));
  EXPECT_EQ(later.directory().canonicalPath(), QDir(last.path()).canonicalPath());
  QDir::setCurrent(previous);
}

}  // namespace
}  // namespace lumi
