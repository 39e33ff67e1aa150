// The desktop program's settings (recent files, the open dialog's size), kept by Qt: on Linux in
// ~/.config/LumiRastra/lumirastra.conf.
#pragma once

#include <QSettings>

namespace lumi {

inline QSettings program_settings() {
  return QSettings(QStringLiteral("LumiRastra"), QStringLiteral("lumirastra"));
}

}  // namespace lumi
