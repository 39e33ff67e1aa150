// The element panel: a dock beside the windows with one row per element (number, name, on/off)
// and under it one row per slot (number, name, value, unit, help), from the table of element
// kinds. Values are edited in place; whole elements are inserted, removed, moved and switched on
// or off. Every change goes through the scheme editor; a refused one shows its message on the row
// and in the panel, and the scheme stays as it was.
#pragma once

#include <QDockWidget>
#include <QString>
#include <functional>
#include <set>

#include "model/scheme_document.h"

class QComboBox;
class QLabel;
class QTreeWidget;
class QTreeWidgetItem;

namespace lumi {

class SchemeEditor;

class ElementPanel : public QDockWidget {
 public:
  enum Column { kNumber, kName, kValue, kUnit, kHelp };

  ElementPanel(SchemeEditor& editor, QWidget* parent);

  QTreeWidget* tree() const { return tree_; }
  QComboBox* kinds() const { return kinds_; }
  QString message() const;

  // The commands of the panel's buttons and the "Схема" menu, on the selected element.
  void insert_element();
  void remove_element();
  void move_element(int step);
  void switch_element();

  // Sets slot `slot` of element k from a text read as the file reader reads a field; the message
  // of a refusal, or an empty text.
  QString set_value(int k, int slot, const QString& text);

 private:
  void rebuild();
  void fill_element(QTreeWidgetItem* row, int k);
  int selected_element() const;
  QTreeWidgetItem* slot_row(int k, int slot) const;
  void item_changed(QTreeWidgetItem* item, int column);
  void show_refusal(const QString& message, QTreeWidgetItem* row);
  QString run(const QString& description, int select_after,
              const std::function<SchemeDocument(const SchemeDocument&)>& make);

  SchemeEditor& editor_;
  QTreeWidget* tree_;
  QComboBox* kinds_;
  QLabel* message_;
  bool filling_ = false;  // itemChanged comes from rebuilding, not from the user
};

}  // namespace lumi
