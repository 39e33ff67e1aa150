// The open dialog of scheme files: the program's title and filters, its list in Russian, the
// current directory on the first call of the run and after that the folder of the file chosen
// last (however it was chosen: clicked or typed as a full path). Its size is kept with Qt's
// settings, so a dialog the user made larger opens as large the next time.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <string>

#include "graphics/platform.h"

class QFileDialog;
class QWidget;

namespace lumi {

// Qt takes a filter's patterns from the parentheses at the end of its name: a name that does not
// end with its own pattern gets " (pattern)" appended.
QStringList qt_name_filters(const std::vector<FileFilter>& filters);

// The save dialogs (a scheme, a report, an SVG image): the open dialog's Russian list and size,
// `suggested` as the file first offered. The chosen path, or an empty one when cancelled.
QString choose_save_path(QWidget* parent, const QString& title, const QString& suggested,
                         const QString& filter);

class SchemeFileDialog {
 public:
  explicit SchemeFileDialog(QString last_folder = {}) : last_folder_(std::move(last_folder)) {}

  // Sets up `dialog` for `request`: title, filters (the first selected), default suffix, folder.
  void prepare(QFileDialog& dialog, const OpenFileRequest& request) const;
  // Shows the dialog; the chosen path (UTF-8), or nothing when cancelled.
  std::optional<std::string> choose(const OpenFileRequest& request, QWidget* parent);

  // Large enough for the list's four columns the first time.
  static constexpr int kDefaultWidth = 860;
  static constexpr int kDefaultHeight = 520;

 private:
  QString last_folder_;
};

}  // namespace lumi
