// Keys of the menus: shortcuts for the items the program gives none, and the Alt mnemonics, marked
// so that the texts shown stay the program's own.
#pragma once

#include <QKeySequence>
#include <QString>

namespace lumi {

// Ctrl+O for "Открыть", Ctrl+C for "Copy (в буфер)", F1 for "Инструкция"; none for the rest
// (the pause command keeps its Ctrl+S and Ctrl+Q).
QKeySequence menu_shortcut(const QString& text);

// `text` with an Alt mnemonic on a letter no entry of the same menu has taken yet (`taken`, which
// gains it): the first free first letter of a word, else the first free letter. Texts that
// already carry one, or have no free letter, come back as they are.
QString with_mnemonic(const QString& text, QString& taken);

}  // namespace lumi
