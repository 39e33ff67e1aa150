// The open scheme's file in the desktop program: "Сохранить" and "Сохранить как…" write it
// through the scheme writer, and a change of the file on disk (written in place or replaced, as
// editors save) has the scheme read and traced again once the file holds still and reads as an
// accepted scheme, unless the scheme shown has unsaved changes.
#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>

class QAction;
class QWidget;

namespace lumi {

class QtPlatform;
class SchemeEditor;

class SchemeFileCommands : public QObject {
 public:
  // Answers the save dialog: the path chosen, or an empty text when cancelled.
  using SaveChooser = std::function<QString(QWidget* parent, const QString& suggested)>;

  SchemeFileCommands(QtPlatform& platform, SchemeEditor& editor, QWidget* window);

  // "Сохранить" and "Сохранить как…", enabled once a scheme was read.
  QAction* save_action() const { return save_; }
  QAction* save_as_action() const { return save_as_; }
  void set_save_chooser(SaveChooser chooser) { chooser_ = std::move(chooser); }

  // The program read the scheme at this path: its file is watched from now on.
  void watch(const QString& path);

  void save_as();

 private:
  void changed();       // the file or its folder changed: wait for the writer to be done
  void look_at_file();  // then read it and, when it is a new scheme that is accepted, reload

  QtPlatform& platform_;
  SchemeEditor& editor_;
  QWidget* window_;
  QAction* save_;
  QAction* save_as_;
  SaveChooser chooser_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
  QString path_;
};

}  // namespace lumi
