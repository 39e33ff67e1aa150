// The scheme editor: checked changes, their undo steps, saving and the questions before unsaved
// changes are dropped.
#include "platform/qt/scheme_editor.h"

#include <QMessageBox>
#include <QPushButton>
#include <QUndoCommand>

#include "model/scheme_error.h"
#include "model/scheme_reader.h"
#include "platform/qt/qt_platform.h"

namespace lumi {

namespace {

// One change: the documents before and after it, whole, so that undo gives back the very bytes.
class DocumentStep : public QUndoCommand {
 public:
  DocumentStep(SchemeEditor& editor, const QString& text, SchemeDocument before,
               SchemeDocument after)
      : QUndoCommand(text), editor_(editor), before_(std::move(before)), after_(std::move(after)) {}

  void undo() override { editor_.show(before_); }
  void redo() override { editor_.show(after_); }

 private:
  SchemeEditor& editor_;
  SchemeDocument before_;
  SchemeDocument after_;
};

}  // namespace

SchemeEditor::SchemeEditor(QtPlatform& platform, QWidget* window)
    : QObject(window), platform_(platform), window_(window), state_(std::make_unique<Scheme>()) {}

SchemeEditor::~SchemeEditor() = default;

std::optional<SchemeDocument> SchemeEditor::checked(const Change& make, QString& refusal) const {
  if (!document_) return std::nullopt;
  try {
    SchemeDocument next = make(*document_);
    next.check({state_.get(), {}});
    return next;
  } catch (const SchemeError& error) {
    refusal = QString::fromUtf8(error.what());
    return std::nullopt;
  }
}

std::optional<QString> SchemeEditor::change(const QString& description, const Change& make) {
  QString refusal;
  std::optional<SchemeDocument> next = checked(make, refusal);
  if (!next) {
    if (!refusal.isEmpty()) Q_EMIT refused(refusal);
    return refusal;
  }
  if (next->bytes() != document_->bytes()) {
    undo_.push(new DocumentStep(*this, description, *document_, std::move(*next)));
  }
  return std::nullopt;
}

std::optional<QString> SchemeEditor::preview(const Change& make) {
  QString refusal;
  std::optional<SchemeDocument> next = checked(make, refusal);
  if (!next) return refusal;
  show(*next);
  return std::nullopt;
}

void SchemeEditor::commit(const QString& description, const SchemeDocument& before) {
  if (document_ && document_->bytes() != before.bytes()) {
    undo_.push(new DocumentStep(*this, description, before, *document_));
  }
}

void SchemeEditor::show(const SchemeDocument& document) {
  // A step taken before "Сохранить как…" holds the file the scheme belonged to then: its content
  // is shown, in the file the scheme belongs to now, which "Сохранить" then writes.
  if (document_ && document.label() != document_->label()) {
    show(SchemeDocument::parse(document.bytes(), document_->label()));
    return;
  }
  if (document_ && document_->bytes() == document.bytes()) return;
  document_ = document;
  install_scheme(document.file(), document.label(), *state_);
  handed_over_ = std::chrono::steady_clock::now();
  retracing_ = true;
  platform_.submit_changed_scheme(document);
  Q_EMIT document_changed();
}

// Saving -----------------------------------------------------------------------------------------

bool SchemeEditor::save() {
  if (!document_) return false;
  return save_as(QString::fromStdString(document_->label()));
}

bool SchemeEditor::save_as(const QString& path) {
  if (!document_) return false;
  try {
    document_->save(path.toStdString());
  } catch (const SchemeError& error) {
    QMessageBox::warning(window_, QStringLiteral("Ошибка"), QString::fromUtf8(error.what()));
    return false;
  }
  if (path.toStdString() != document_->label()) {
    // The document now belongs to the new file.
    document_ = SchemeDocument::parse(document_->bytes(), path.toStdString());
  }
  undo_.setClean();
  Q_EMIT document_changed();
  return true;
}

bool SchemeEditor::confirm_discard() {
  if (!modified()) return true;
  QMessageBox box(QMessageBox::Question, QStringLiteral("LumiRastra"),
                  QStringLiteral("Схема изменена. Сохранить изменения?"), QMessageBox::NoButton,
                  window_);
  QPushButton* save = box.addButton(QStringLiteral("Сохранить"), QMessageBox::AcceptRole);
  QPushButton* drop = box.addButton(QStringLiteral("Не сохранять"), QMessageBox::DestructiveRole);
  box.addButton(QStringLiteral("Отмена"), QMessageBox::RejectRole);
  box.exec();
  if (box.clickedButton() == save) return this->save();
  return box.clickedButton() == drop;
}

// From the program ------------------------------------------------------------------------------

void SchemeEditor::scheme_installed(const SchemeDocument& document,
                                    const std::array<ElementRecord, kMaxElements>& records,
                                    bool edited) {
  if (edited) {
    if (document_ && document_->bytes() == document.bytes()) state_->elements = records;
    return;
  }
  // A scheme read from its file starts a new history.
  document_ = document;
  state_->elements = records;
  undo_.clear();
  undo_.setClean();
  Q_EMIT document_changed();
}

void SchemeEditor::scheme_drawn() {
  if (!retracing_) return;
  retracing_ = false;
  last_retrace_ = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - handed_over_);
}

}  // namespace lumi
