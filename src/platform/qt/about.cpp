// The about box's title and the README it names.
#include "platform/qt/about.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include "version.h"

namespace lumi {

QString about_title() {
  return QStringLiteral("О программе ") +
         QString::fromUtf8(kVersionText.data(), static_cast<qsizetype>(kVersionText.size()));
}

std::string readme_location() {
  const QDir bin(QCoreApplication::applicationDirPath());
  const QFileInfo installed(bin.filePath(QStringLiteral("../share/doc/lumirastra/README.md")));
  if (installed.isFile()) return QDir::cleanPath(installed.absoluteFilePath()).toStdString();
  return LUMI_CHECKOUT_README;
}

}  // namespace lumi
