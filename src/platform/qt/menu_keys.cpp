// Shortcuts and Alt mnemonics of the menus.
#include "platform/qt/menu_keys.h"

#include <array>
#include <utility>

namespace lumi {

QKeySequence menu_shortcut(const QString& text) {
  static const std::array<std::pair<QString, QKeySequence>, 3> kKeys = {{
      {QStringLiteral("Открыть"), QKeySequence(Qt::CTRL | Qt::Key_O)},
      {QStringLiteral("Copy (в буфер)"), QKeySequence(Qt::CTRL | Qt::Key_C)},
      {QStringLiteral("Инструкция"), QKeySequence(Qt::Key_F1)},
  }};
  for (const auto& [item, keys] : kKeys) {
    if (item == text) return keys;
  }
  return {};
}

QString with_mnemonic(const QString& text, QString& taken) {
  if (text.contains(QLatin1Char('&'))) return text;
  auto free_letter = [&](qsizetype i) {
    return text[i].isLetterOrNumber() && !taken.contains(text[i].toLower());
  };
  qsizetype chosen = -1;
  for (qsizetype i = 0; i < text.size() && chosen < 0; ++i) {
    const bool word_start = i == 0 || !text[i - 1].isLetterOrNumber();
    if (word_start && free_letter(i)) chosen = i;
  }
  for (qsizetype i = 0; i < text.size() && chosen < 0; ++i) {
    if (free_letter(i)) chosen = i;
  }
  if (chosen < 0) return text;
  taken += text[chosen].toLower();
  return QString(text).insert(chosen, QLatin1Char('&'));
}

}  // namespace lumi
