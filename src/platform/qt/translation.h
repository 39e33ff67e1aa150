// Qt's own texts (dialog buttons, file dialog, message boxes) in Russian.
#pragma once

class QCoreApplication;

namespace lumi {

// Loads qtbase_ru from Qt's translations folder and makes Russian the default locale. False when
// the translation is not installed (Qt's texts then stay in English).
bool install_russian_translation(QCoreApplication& app);

}  // namespace lumi
