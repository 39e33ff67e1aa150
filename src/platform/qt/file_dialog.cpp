// The open dialog of scheme files.
#include "platform/qt/file_dialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>

namespace lumi {

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
  dialog.setOption(QFileDialog::DontUseNativeDialog);
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
  last_folder_ = dialog.directory().absolutePath();
  if (!chosen) return std::nullopt;
  return dialog.selectedFiles().front().toStdString();
}

}  // namespace lumi
