// The test program of the desktop platform: one QApplication on Qt's offscreen platform for all
// tests, with Qt's own texts in Russian as in the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include "platform/qt/translation.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  lumi::install_russian_translation(app);
  // Qt's settings (recent files, the open dialog's folder and size) go to a folder of this run's
  // own, never the user's.
  QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  return RUN_ALL_TESTS();
}
