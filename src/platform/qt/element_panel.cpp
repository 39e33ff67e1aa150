// The element panel: the tree of elements and slots, its editors and its commands.
#include "platform/qt/element_panel.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

#include "model/element_kinds.h"
#include "model/numeric_field.h"
#include "model/scheme_text.h"
#include "platform/qt/scheme_editor.h"

namespace lumi {

namespace {

constexpr int kElementRole = Qt::UserRole;   // element number of a row
constexpr int kSlotRole = Qt::UserRole + 1;  // slot number of a slot row, 0 on an element row

QString text_of(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())).trimmed();
}

// The name of an element as the listing prints it, or as messages name its kind.
QString element_name(const ElementRecord& record) {
  const ElementKind* kind = kind_of(record);
  if (!kind) return QStringLiteral("неизвестный элемент");
  return text_of(kind->listing_name.empty() ? kind->kind_name : kind->listing_name);
}

QString shown(float value) { return QString::fromStdString(shortest_text(value)); }

// A number as the scheme file holds it: shown in its shortest form, typed as the reader reads a
// field (a comma taken for the point), and never rounded to a count of decimals, so a value looked
// at and left is written back to the bit. A step is a tenth of a degree for an angle, else a tenth
// of the value's order of magnitude (a wavelength of 0.55 moves by 0.01, a distance of 300 by 10).
class FieldSpinBox : public QDoubleSpinBox {
 public:
  FieldSpinBox(QWidget* parent, bool angle) : QDoubleSpinBox(parent), angle_(angle) {
    setDecimals(323);  // the most Qt takes: its rounding to decimals then changes no float
    setRange(-std::numeric_limits<float>::max(), std::numeric_limits<float>::max());
    connect(lineEdit(), &QLineEdit::textEdited, this, [this](const QString& text) {
      typed_ = text;
    });
  }

  // What the panel is to take: the value, or a text typed that is no value ("abc", "1e40"),
  // which Qt puts back to the last value on Enter, for the panel to refuse with its reason.
  QString entered() const {
    if (!typed_.isEmpty() && read(typed_).status != FieldStatus::kNumber) return typed_;
    return textFromValue(value());
  }

  QString textFromValue(double value) const override {
    return QString::fromStdString(shortest_text(static_cast<float>(value)));
  }
  double valueFromText(const QString& text) const override { return read(text).value; }
  QValidator::State validate(QString& text, int&) const override {
    return read(text).status == FieldStatus::kNumber ? QValidator::Acceptable
                                                     : QValidator::Intermediate;
  }
  void stepBy(int steps) override {
    const double v = value();
    const double step =
        angle_ ? 0.1 : v == 0.0 ? 1.0 : std::pow(10.0, std::floor(std::log10(std::fabs(v))) - 1.0);
    setValue(static_cast<float>(v + steps * step));
  }

 private:
  static FieldValue read(QString text) {
    return read_numeric_field(text.replace(QLatin1Char(','), QLatin1Char('.')).toStdString());
  }

  bool angle_;
  QString typed_;
};

// Editors that fit the slot: the type code is chosen among the kinds (its sign kept), numbers are
// FieldSpinBoxes.
class SlotDelegate : public QStyledItemDelegate {
 public:
  SlotDelegate(ElementPanel& panel, const SchemeEditor& editor)
      : QStyledItemDelegate(&panel), panel_(panel), editor_(editor) {}

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&,
                        const QModelIndex& index) const override {
    const int slot = index.data(kSlotRole).toInt();
    if (slot == 1) {
      auto* box = new QComboBox(parent);
      for (const ElementKind& kind : element_kinds()) {
        box->addItem(QString::number(kind.code) + "  " + text_of(kind.kind_name), kind.code);
      }
      return box;
    }
    const SlotDescription slot_info =
        describe_slot(editor_.document()->element(index.data(kElementRole).toInt()), slot);
    return new FieldSpinBox(parent, slot_info.unit == "°");
  }

  void setEditorData(QWidget* widget, const QModelIndex& index) const override {
    const ElementRecord& record = editor_.document()->element(index.data(kElementRole).toInt());
    const float value = record.slot(index.data(kSlotRole).toInt());
    if (auto* box = qobject_cast<QComboBox*>(widget)) {
      box->setCurrentIndex(std::max(0, box->findData(static_cast<int>(std::fabs(value)))));
    } else if (auto* spin = qobject_cast<QDoubleSpinBox*>(widget)) {
      spin->setValue(value);
    }
  }

  // The change goes through the editor once the editing is over, never into the tree itself:
  // the tree is made anew from the document when a change is taken.
  void setModelData(QWidget* widget, QAbstractItemModel*, const QModelIndex& index) const override {
    const int k = index.data(kElementRole).toInt();
    const int slot = index.data(kSlotRole).toInt();
    QString text;
    if (auto* box = qobject_cast<QComboBox*>(widget)) {
      const float old = editor_.document()->element(k).code();
      text = QString::number(std::signbit(old) ? -box->currentData().toInt()
                                               : box->currentData().toInt());
    } else if (auto* spin = dynamic_cast<FieldSpinBox*>(widget)) {
      text = spin->entered();
    }
    QTimer::singleShot(0, &panel_, [panel = &panel_, k, slot, text] {
      panel->set_value(k, slot, text);
    });
  }

 private:
  ElementPanel& panel_;
  const SchemeEditor& editor_;
};

}  // namespace

ElementPanel::ElementPanel(SchemeEditor& editor, QWidget* parent)
    : QDockWidget(QStringLiteral("Элементы схемы"), parent),
      editor_(editor),
      tree_(new QTreeWidget),
      kinds_(new QComboBox),
      message_(new QLabel) {
  setObjectName(QStringLiteral("element-panel"));
  tree_->setColumnCount(5);
  tree_->setHeaderLabels({QStringLiteral("№"), QStringLiteral("Имя"), QStringLiteral("Значение"),
                          QStringLiteral("Ед."), QStringLiteral("Пояснение")});
  tree_->setItemDelegateForColumn(kValue, new SlotDelegate(*this, editor));
  tree_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::SelectedClicked);
  tree_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  for (const ElementKind& kind : element_kinds()) {
    if (kind.code != 61 && kind.code != 62) {
      kinds_->addItem(QString::number(kind.code) + "  " + text_of(kind.kind_name), kind.code);
    }
  }
  message_->setWordWrap(true);
  message_->setStyleSheet(QStringLiteral("color: #b00000"));

  auto* buttons = new QHBoxLayout;
  const auto button = [&](const QString& text, auto action) {
    auto* b = new QPushButton(text);
    connect(b, &QPushButton::clicked, this, action);
    buttons->addWidget(b);
  };
  buttons->addWidget(kinds_, 1);
  button(QStringLiteral("Вставить"), [this] { insert_element(); });
  button(QStringLiteral("Удалить"), [this] { remove_element(); });
  button(QStringLiteral("Вверх"), [this] { move_element(-1); });
  button(QStringLiteral("Вниз"), [this] { move_element(1); });

  auto* body = new QWidget;
  auto* layout = new QVBoxLayout(body);
  layout->addLayout(buttons);
  layout->addWidget(tree_, 1);
  layout->addWidget(message_);
  setWidget(body);

  connect(tree_, &QTreeWidget::itemChanged, this, &ElementPanel::item_changed);
  connect(&editor_, &SchemeEditor::document_changed, this, &ElementPanel::rebuild);
}

QString ElementPanel::message() const { return message_->text(); }

// The tree ---------------------------------------------------------------------------------------

void ElementPanel::rebuild() {
  std::set<int> expanded;
  for (int i = 0; i < tree_->topLevelItemCount(); ++i) {
    if (tree_->topLevelItem(i)->isExpanded()) expanded.insert(i + 1);
  }
  const int selected = selected_element();
  filling_ = true;
  tree_->clear();
  message_->clear();
  if (const auto& document = editor_.document()) {
    for (int k = 1; k <= document->count(); ++k) {
      auto* row = new QTreeWidgetItem(tree_);
      fill_element(row, k);
      row->setExpanded(expanded.contains(k));
      if (k == selected) tree_->setCurrentItem(row);
    }
  }
  filling_ = false;
}

void ElementPanel::fill_element(QTreeWidgetItem* row, int k) {
  const ElementRecord& record = editor_.document()->element(k);
  row->setText(kNumber, QString::number(k));
  row->setText(kName, element_name(record));
  row->setText(kValue, shown(record.code()));
  row->setData(kNumber, kElementRole, k);
  row->setData(kNumber, kSlotRole, 0);
  row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
  row->setCheckState(kNumber, record.switched_off() ? Qt::Unchecked : Qt::Checked);
  const int slots = std::max(record.parameter_count(), 0) + 2;
  for (int slot = 1; slot <= slots; ++slot) {
    const SlotDescription info = describe_slot(record, slot);
    auto* child = new QTreeWidgetItem(row);
    child->setText(kNumber, QString::number(slot));
    child->setText(kName, QString::fromStdString(info.name));
    child->setText(kValue, shown(record.slot(slot)));
    child->setText(kUnit, text_of(info.unit));
    child->setText(kHelp, text_of(info.help));
    for (int column : {kNumber, kValue}) {
      child->setData(column, kElementRole, k);
      child->setData(column, kSlotRole, slot);
    }
    child->setFlags(child->flags() | Qt::ItemIsEditable);
  }
}

int ElementPanel::selected_element() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  return item ? item->data(kNumber, kElementRole).toInt() : 0;
}

QTreeWidgetItem* ElementPanel::slot_row(int k, int slot) const {
  if (k < 1 || k > tree_->topLevelItemCount()) return nullptr;
  QTreeWidgetItem* row = tree_->topLevelItem(k - 1);
  return slot >= 1 && slot <= row->childCount() ? row->child(slot - 1) : row;
}

void ElementPanel::item_changed(QTreeWidgetItem* item, int column) {
  if (filling_ || column != kNumber || item->data(kNumber, kSlotRole).toInt() != 0) return;
  const int k = item->data(kNumber, kElementRole).toInt();
  const bool on = item->checkState(kNumber) == Qt::Checked;
  if (editor_.document() && editor_.document()->element(k).switched_off() == on) {
    QTimer::singleShot(0, this, [this, k] {
      tree_->setCurrentItem(slot_row(k, 0));
      switch_element();
    });
  }
}

void ElementPanel::show_refusal(const QString& message, QTreeWidgetItem* row) {
  message_->setText(message);
  if (!row) return;
  filling_ = true;
  row->setText(kHelp, message);
  row->setToolTip(kHelp, message);
  row->setForeground(kHelp, QBrush(QColor(0xb0, 0, 0)));
  filling_ = false;
}

// Changes ----------------------------------------------------------------------------------------

QString ElementPanel::run(const QString& description, int select_after,
                          const std::function<SchemeDocument(const SchemeDocument&)>& make) {
  const std::optional<QString> refusal = editor_.change(description, make);
  if (refusal) {
    show_refusal(*refusal, tree_->currentItem());
    return *refusal;
  }
  if (QTreeWidgetItem* row = slot_row(select_after, 0)) tree_->setCurrentItem(row);
  return {};
}

QString ElementPanel::set_value(int k, int slot, const QString& text) {
  const FieldValue value = read_numeric_field(text.toStdString());
  if (value.status != FieldStatus::kNumber) {
    const std::string_view reason = refusal_reason(value.status);
    const QString message = QStringLiteral("\"%1\" — %2").arg(text, text_of(reason));
    show_refusal(message, slot_row(k, slot));
    return message;
  }
  const std::optional<QString> refusal =
      editor_.change(QStringLiteral("Ячейка %1 элемента %2").arg(slot).arg(k),
                     [=](const SchemeDocument& d) { return d.with_slot(k, slot, value.value); });
  if (refusal) show_refusal(*refusal, slot_row(k, slot));
  return refusal.value_or(QString());
}

void ElementPanel::insert_element() {
  const int before = std::max(selected_element(), 1);
  const int code = kinds_->currentData().toInt();
  run(QStringLiteral("Вставка элемента %1").arg(before), before,
      [=](const SchemeDocument& d) { return d.with_inserted(before, code); });
}

void ElementPanel::remove_element() {
  const int k = selected_element();
  if (k < 1) return;
  run(QStringLiteral("Удаление элемента %1").arg(k), k,
      [=](const SchemeDocument& d) { return d.without(k); });
}

void ElementPanel::move_element(int step) {
  const int k = selected_element();
  if (k < 1) return;
  run(QStringLiteral("Перемещение элемента %1").arg(k), k + step,
      [=](const SchemeDocument& d) { return d.with_moved(k, k + step); });
}

void ElementPanel::switch_element() {
  const int k = selected_element();
  if (k < 1 || !editor_.document()) return;
  const float code = editor_.document()->element(k).code();
  run(QStringLiteral("Включение элемента %1").arg(k), k,
      [=](const SchemeDocument& d) { return d.with_slot(k, 1, -code); });
}

}  // namespace lumi
