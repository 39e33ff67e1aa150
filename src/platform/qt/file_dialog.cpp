// The open dialog of scheme files, and the save dialogs with the same list.
#include "platform/qt/file_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QTreeView>

#include "platform/qt/file_columns.h"
#include "platform/qt/settings.h"

namespace lumi {

namespace {

const QString kSizeKey = QStringLiteral("openDialog/size");

// The detail list's size, type and date as wide as their texts; the names take the rest.
void widen_columns(QFileDialog& dialog) {
  auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
  if (!details) return;
  QHeaderView* header = details->header();
  header->setStretchLastSection(false);
  header->setSectionResizeMode(0, QHeaderView::Stretch);
  for (int column = 1; column < header->count(); ++column) {
    header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
  }
}

// The list in Russian, its columns wide enough and the dialog as large as the user left it.
void show_list_as_we_do(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setProxyModel(new RussianFileColumns(&dialog));
  widen_columns(dialog);
  dialog.resize(program_settings().value(kSizeKey, QSize(SchemeFileDialog::kDefaultWidth,
                                                         SchemeFileDialog::kDefaultHeight))
                    .toSize());
}

}  // namespace

QString choose_save_path(QWidget* parent, const QString& title, const QString& suggested,
                         const QString& filter) {
  QFileDialog dialog(parent, title);
  show_list_as_we_do(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setNameFilter(filter);
  dialog.selectFile(suggested);
  const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  program_settings().setValue(kSizeKey, dialog.size());
  return chosen ? dialog.selectedFiles().front() : QString();
}

QStringList qt_name_filters(const std::vector<FileFilter>& filters) {
  QStringList names;
  for (const FileFilter& filter : filters) {
    QString name = QString::fromStdString(filter.name);
    const QString pattern = QString::fromStdString(filter.pattern);
    if (!name.endsWith(QStringLiteral("(") + pattern + QStringLiteral(")"))) {
      name += QStringLiteral(" (") + pattern + QStringLiteral(")");
    }
    names << name;
  }
  return names;
}

void SchemeFileDialog::prepare(QFileDialog& dialog, const OpenFileRequest& request) const {
  show_list_as_we_do(dialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setWindowTitle(QString::fromStdString(request.title));
  const QStringList filters = qt_name_filters(request.filters);
  dialog.setNameFilters(filters);
  if (!filters.isEmpty()) dialog.selectNameFilter(filters.front());
  // The list shows the program's own filter names; Qt keeps the patterns by position.
  if (auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
    for (int i = 0; i < types->count() && i < static_cast<int>(request.filters.size()); ++i) {
      types->setItemText(i, QString::fromStdString(request.filters[i].name));
    }
  }
  dialog.setDefaultSuffix(QString::fromStdString(request.default_extension));
  const bool here = request.start_in_current_directory || last_folder_.isEmpty();
  dialog.setDirectory(here ? QDir::currentPath() : last_folder_);
}

std::optional<std::string> SchemeFileDialog::choose(const OpenFileRequest& request,
                                                    QWidget* parent) {
  QFileDialog dialog(parent);
  prepare(dialog, request);
  const bool chosen = dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty();
  program_settings().setValue(kSizeKey, dialog.size());
  if (!chosen) {
    last_folder_ = dialog.directory().absolutePath();
    return std::nullopt;
  }
  const QString file = dialog.selectedFiles().front();
  last_folder_ = QFileInfo(file).absolutePath();
  return file.toStdString();
}

}  // namespace lumi
