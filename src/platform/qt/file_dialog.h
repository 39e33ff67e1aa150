// The open dialog of scheme files: the program's title and filters, the current directory on the
// first call of the run and the folder where the dialog was left after that.
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

class SchemeFileDialog {
 public:
  explicit SchemeFileDialog(QString last_folder = {}) : last_folder_(std::move(last_folder)) {}

  // Sets up `dialog` for `request`: title, filters (the first selected), default suffix, folder.
  void prepare(QFileDialog& dialog, const OpenFileRequest& request) const;
  // Shows the dialog; the chosen path (UTF-8), or nothing when cancelled.
  std::optional<std::string> choose(const OpenFileRequest& request, QWidget* parent);

 private:
  QString last_folder_;
};

}  // namespace lumi
