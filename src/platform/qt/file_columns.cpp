// Sizes, types and dates of the open dialog's file list, in Russian.
#include "platform/qt/file_columns.h"

#include <QFileSystemModel>
#include <QLocale>
#include <array>

namespace lumi {

namespace {

// The columns of Qt's file model.
constexpr int kSizeColumn = 1;
constexpr int kTypeColumn = 2;
constexpr int kDateColumn = 3;

}  // namespace

QString russian_file_size(qint64 bytes) {
  static const std::array<QString, 4> kUnits = {QStringLiteral("КБ"), QStringLiteral("МБ"),
                                                QStringLiteral("ГБ"), QStringLiteral("ТБ")};
  if (bytes < 1024) return QStringLiteral("%1 байт").arg(bytes);
  double value = static_cast<double>(bytes);
  std::size_t unit = 0;
  for (value /= 1024; value >= 1024 && unit + 1 < kUnits.size(); value /= 1024) ++unit;
  const int decimals = value < 10 ? 2 : value < 100 ? 1 : 0;
  return QLocale().toString(value, 'f', decimals) + QLatin1Char(' ') + kUnits[unit];
}

// Files keep the type Qt finds in the MIME database, whose descriptions are translated.
QVariant RussianFileColumns::data(const QModelIndex& index, int role) const {
  const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
  if (role != Qt::DisplayRole || !files || !index.isValid()) {
    return QIdentityProxyModel::data(index, role);
  }
  const QModelIndex source = mapToSource(index);
  switch (index.column()) {
    case kSizeColumn:
      return files->isDir(source) ? QString() : russian_file_size(files->size(source));
    case kTypeColumn:
      if (files->isDir(source)) return QStringLiteral("Папка");
      break;
    case kDateColumn: return QLocale().toString(files->lastModified(source), QLocale::ShortFormat);
    default: break;
  }
  return QIdentityProxyModel::data(index, role);
}

}  // namespace lumi
