// Saving and watching the open scheme's file.
#include "platform/qt/scheme_file_commands.h"

#include <QAction>
#include <QFileInfo>

#include "model/scheme_document.h"
#include "model/scheme_error.h"
#include "platform/qt/file_dialog.h"
#include "platform/qt/frame_window.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/scheme_editor.h"

namespace lumi {

namespace {

// A file being written changes more than once; it is read when it has held still this long.
constexpr int kSettleMilliseconds = 250;

QString default_save_chooser(QWidget* parent, const QString& suggested) {
  return choose_save_path(parent, QStringLiteral("Сохранить схему как"), suggested,
                          QStringLiteral("Файлы с оптическими схемами (*.ops)"));
}

}  // namespace

SchemeFileCommands::SchemeFileCommands(QtPlatform& platform, SchemeEditor& editor,
                                       QWidget* window)
    : QObject(window),
      platform_(platform),
      editor_(editor),
      window_(window),
      save_(new QAction(QStringLiteral("Сохранить"), this)),
      save_as_(new QAction(QStringLiteral("Сохранить как…"), this)),
      chooser_(default_save_chooser) {
  save_->setEnabled(false);
  save_as_->setEnabled(false);
  connect(save_, &QAction::triggered, &editor_, [this] { editor_.save(); });
  connect(save_as_, &QAction::triggered, this, &SchemeFileCommands::save_as);
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMilliseconds);
  connect(&settle_, &QTimer::timeout, this, &SchemeFileCommands::look_at_file);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &SchemeFileCommands::changed);
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &SchemeFileCommands::changed);
}

void SchemeFileCommands::watch(const QString& path) {
  save_->setEnabled(true);
  save_as_->setEnabled(true);
  if (path == path_) return;
  if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  path_ = path;
  // The folder too: an editor that saves by renaming a new file over the old one replaces the
  // file the watcher was following.
  watcher_.addPath(QFileInfo(path).absolutePath());
  watcher_.addPath(path);
}

void SchemeFileCommands::save_as() {
  const std::optional<SchemeDocument>& document = editor_.document();
  if (!document) return;
  const QString path = chooser_(window_, QString::fromStdString(document->label()));
  if (path.isEmpty() || !editor_.save_as(path)) return;
  watch(path);
}

void SchemeFileCommands::changed() { settle_.start(); }

// A version that cannot be read or is refused is named in the status bar and the scheme shown
// stays; so does a file that reads as the scheme shown (saved again, or touched).
void SchemeFileCommands::look_at_file() {
  if (path_.isEmpty()) return;
  if (!watcher_.files().contains(path_)) watcher_.addPath(path_);
  const std::optional<SchemeDocument>& shown = editor_.document();
  try {
    const SchemeDocument document = SchemeDocument::read(path_.toStdString());
    if (shown && document.bytes() == shown->bytes()) return;
    if (editor_.modified()) {
      platform_.frame().show_warning(
          path_ + QStringLiteral(": файл изменился на диске; схема с несохраненными изменениями "
                                 "остается"));
      return;
    }
    editor_.check(document);
  } catch (const SchemeError& error) {
    platform_.frame().show_warning(QString::fromUtf8(error.what()));
    return;
  }
  platform_.reload(path_.toStdString());
}

}  // namespace lumi
