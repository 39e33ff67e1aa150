// The scheme being designed in the desktop program: the document the user changes, its undo
// history, and whether it differs from its file. Every change is made on a copy of the document,
// checked as a file that is read would be (against the slots the scheme state keeps), and only
// then taken, pushed on the undo stack and handed to the program to trace in place of the scheme
// shown. Runs on the GUI thread.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "model/scheme.h"
#include "model/scheme_document.h"

class QWidget;

namespace lumi {

class QtPlatform;

class SchemeEditor : public QObject {
  Q_OBJECT

 public:
  using Change = std::function<SchemeDocument(const SchemeDocument&)>;

  SchemeEditor(QtPlatform& platform, QWidget* window);
  ~SchemeEditor() override;

  const std::optional<SchemeDocument>& document() const { return document_; }
  QUndoStack& undo_stack() { return undo_; }
  bool modified() const { return document_ && !undo_.isClean(); }

  // Makes the change on a copy of the document and checks it. Accepted: one undo step, traced.
  // Refused: the message, as a refused file would give it, and nothing changes.
  std::optional<QString> change(const QString& description, const Change& make);
  // A change shown and traced without an undo step (a drag on its way), and the step that ends it.
  std::optional<QString> preview(const Change& make);
  void commit(const QString& description, const SchemeDocument& before);

  // Checks a document as the program will before installing it, against the slots the scheme
  // state keeps. Throws SchemeError.
  void check(const SchemeDocument& document) const { document.check({state_.get(), {}}); }

  // Writes the document to its file, or to another one, which it then belongs to.
  bool save();
  bool save_as(const QString& path);
  // Asks what to do with unsaved changes: save them, drop them or cancel. False on cancel.
  bool confirm_discard();

  // From the program: a scheme was installed (read from its file, or one of ours), and the
  // scheme window now follows the mouse.
  void scheme_installed(const SchemeDocument& document,
                        const std::array<ElementRecord, kMaxElements>& records, bool edited);
  void scheme_drawn();
  // How long the last change took from being handed over until the scheme followed the mouse.
  std::optional<std::chrono::milliseconds> last_retrace() const { return last_retrace_; }

  // Shows a document (from the undo stack) and hands it to the program.
  void show(const SchemeDocument& document);

 Q_SIGNALS:
  void document_changed();
  void refused(const QString& message);

 private:
  std::optional<SchemeDocument> checked(const Change& make, QString& refusal) const;

  QtPlatform& platform_;
  QWidget* window_;
  QUndoStack undo_;
  std::optional<SchemeDocument> document_;
  // The records the scheme state holds, as the program keeps them: the checks read the slots a
  // file does not give from here.
  std::unique_ptr<Scheme> state_;
  std::chrono::steady_clock::time_point handed_over_{};
  bool retracing_ = false;
  std::optional<std::chrono::milliseconds> last_retrace_;
};

}  // namespace lumi
