// The open dialog as the program asks for it: title, filters with "Все файлы" showing every file,
// and the folder: the current one on the first call of the run, where it was left after that.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "platform/qt/file_columns.h"
#include "platform/qt/file_dialog.h"
#include "platform/qt/settings.h"

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

// The list's sizes, folder types and dates as the Russian user reads them, not in the system's
// locale: a 2 KB scheme dated 5 March 2024 14:07 beside a folder.
TEST(DesktopFileDialog, ListsSizesTypesAndDatesInRussian) {
  EXPECT_EQ(russian_file_size(512), "512 байт");
  EXPECT_EQ(russian_file_size(3617), "3,53 КБ");
  EXPECT_EQ(russian_file_size(5LL << 30), "5,00 ГБ");

  QTemporaryDir here;
  ASSERT_TRUE(QDir(here.path()).mkdir("схемы"));
  QFile scheme(here.filePath("a.ops"));
  ASSERT_TRUE(scheme.open(QIODevice::WriteOnly));
  scheme.write(QByteArray(2048, 'C'));
  scheme.flush();  // before the date: writing would set it again
  ASSERT_TRUE(scheme.setFileTime(QDateTime(QDate(2024, 3, 5), QTime(14, 7)),
                                 QFileDevice::FileModificationTime));
  scheme.close();
  const QString previous = QDir::currentPath();
  QDir::setCurrent(here.path());
  QFileDialog dialog;
  SchemeFileDialog().prepare(dialog, scheme_request(true));
  QDir::setCurrent(previous);
  QAbstractProxyModel* list = dialog.proxyModel();
  ASSERT_NE(list, nullptr);
  auto* files = qobject_cast<QFileSystemModel*>(list->sourceModel());
  ASSERT_NE(files, nullptr);
  const QModelIndex folder = files->index(here.path());
  ASSERT_TRUE(QTest::qWaitFor([&] { return files->rowCount(folder) == 2; }));
  auto shown = [&](const QString& name, int column) {
    return list->mapFromSource(files->index(here.filePath(name), column)).data().toString();
  };
  EXPECT_EQ(shown("a.ops", 1), "2,00 КБ");
  EXPECT_EQ(shown("a.ops", 3), "05.03.2024 14:07");
  EXPECT_EQ(shown("схемы", 2), "Папка");
  EXPECT_EQ(shown("схемы", 1), "");
}

// A file typed into the name field as a full path: the next dialog opens in its folder, with the
// size the user gave the dialog.
TEST(DesktopFileDialog, ReopensInTheFolderOfATypedPathWithTheSizeItWasLeftAt) {
  program_settings().clear();
  QTemporaryDir here;
  QTemporaryDir elsewhere;
  const QString typed = elsewhere.filePath("x.ops");
  QFile(typed).open(QIODevice::WriteOnly);
  const QString previous = QDir::currentPath();
  QDir::setCurrent(here.path());
  SchemeFileDialog chooser;
  QSize first_size;
  QTimer::singleShot(0, [&] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    first_size = dialog->size();
    dialog->resize(1000, 640);
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    name->setText(typed);
    QTest::keyClick(name, Qt::Key_Return);
  });
  const std::optional<std::string> chosen = chooser.choose(scheme_request(true), nullptr);
  QDir::setCurrent(previous);
  ASSERT_TRUE(chosen.has_value());
  EXPECT_EQ(QFileInfo(QString::fromStdString(*chosen)).canonicalFilePath(),
            QFileInfo(typed).canonicalFilePath());
  EXPECT_EQ(first_size, QSize(SchemeFileDialog::kDefaultWidth, SchemeFileDialog::kDefaultHeight));
  QFileDialog later;
  chooser.prepare(later, scheme_request(false));
  EXPECT_EQ(later.directory().canonicalPath(), QDir(elsewhere.path()).canonicalPath());
  EXPECT_EQ(later.size(), QSize(1000, 640));
}

}  // namespace
}  // namespace lumi
