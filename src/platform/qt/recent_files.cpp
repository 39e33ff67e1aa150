// Recent schemes in the program's settings.
#include "platform/qt/recent_files.h"

#include <QDir>
#include <QFileInfo>

#include "platform/qt/settings.h"

namespace lumi {

namespace {

const QString kKey = QStringLiteral("recentFiles");

}  // namespace

QStringList RecentFiles::paths() { return program_settings().value(kKey).toStringList(); }

void RecentFiles::add(const QString& path) {
  const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
  QStringList list = paths();
  list.removeAll(absolute);
  list.prepend(absolute);
  while (list.size() > kMost) list.removeLast();
  program_settings().setValue(kKey, list);
}

RecentFilesMenu::RecentFilesMenu(std::function<void(const QString&)> open, QWidget* parent)
    : QMenu(QStringLiteral("Недавние файлы"), parent), open_(std::move(open)) {
  connect(this, &QMenu::aboutToShow, this, [this] { fill(); });
  fill();
}

// Entries are numbered 1 to 8, the number their Alt key.
void RecentFilesMenu::fill() {
  clear();
  const QStringList list = RecentFiles::paths();
  for (qsizetype i = 0; i < list.size(); ++i) {
    const QString path = list[i];
    const QString text = QStringLiteral("&%1  %2").arg(i + 1).arg(QDir::toNativeSeparators(path));
    QAction* entry = addAction(text);
    connect(entry, &QAction::triggered, this, [this, path] { open_(path); });
  }
  if (list.isEmpty()) addAction(QStringLiteral("(пусто)"))->setEnabled(false);
}

}  // namespace lumi
