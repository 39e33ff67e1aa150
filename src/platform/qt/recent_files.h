// The schemes opened last, kept with Qt's settings across runs, and the "Недавние файлы" menu
// that offers them again.
#pragma once

#include <QMenu>
#include <QString>
#include <QStringList>
#include <functional>

namespace lumi {

class RecentFiles {
 public:
  static constexpr int kMost = 8;

  // The newest first.
  static QStringList paths();
  // `path` made absolute and moved to the front; the oldest beyond kMost are dropped.
  static void add(const QString& path);
};

// The "Недавние файлы" submenu: filled from RecentFiles each time it opens; an entry calls `open`
// with its path.
class RecentFilesMenu : public QMenu {
 public:
  RecentFilesMenu(std::function<void(const QString&)> open, QWidget* parent);

 private:
  void fill();

  std::function<void(const QString&)> open_;
};

}  // namespace lumi
