// The status bar's account of the tracing: "Трассировка: элемент k из n, смещение i из m" with a
// progress bar beside it, and the acknowledgement of a command chosen while the program cannot
// act on it yet (another scheme during a trace or a pause, the end of the run), shown with a busy
// cursor until the command takes effect.
#pragma once

#include <QString>

#include "graphics/platform.h"

class QLabel;
class QProgressBar;
class QStatusBar;

namespace lumi {

class TraceStatus {
 public:
  explicit TraceStatus(QStatusBar* bar);
  ~TraceStatus();  // gives the cursor back

  void show_progress(const TraceProgress& progress);
  // No trace runs: text and bar go, and an acknowledged command has taken effect (the notice
  // goes and the cursor is the user's again).
  void show_ready();
  bool tracing() const { return tracing_; }

  void acknowledge(const QString& text);  // at once, with a busy cursor

  QLabel* label() const { return label_; }
  QProgressBar* bar() const { return bar_; }
  QLabel* notice() const { return notice_; }

 private:
  void settle();

  QLabel* label_;
  QProgressBar* bar_;
  QLabel* notice_;
  bool tracing_ = false;
  bool busy_ = false;
};

// The share of the pass done when element `element` (with its shift, if any) starts, in 0..1.
double trace_fraction(const TraceProgress& progress);

}  // namespace lumi
