// The open dialog's file list in Russian: Qt's file model writes sizes and dates in the system's
// locale (English month names, "KiB" on a system without a Russian locale) and calls folders
// "Folder" whatever the translation. This proxy shows them in the program's own locale.
#pragma once

#include <QIdentityProxyModel>
#include <QString>

namespace lumi {

// "512 байт", "3,53 КБ", "12,4 МБ": powers of 1024, as file managers count them.
QString russian_file_size(qint64 bytes);

class RussianFileColumns : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override;
};

}  // namespace lumi
