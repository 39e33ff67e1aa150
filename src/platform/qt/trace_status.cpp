// Progress and acknowledgements in the status bar.
#include "platform/qt/trace_status.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QStatusBar>
#include <algorithm>
#include <cmath>

namespace lumi {

namespace {

constexpr int kBarSteps = 1000;
constexpr int kBarWidth = 160;

QString progress_text(const TraceProgress& p) {
  QString text = QStringLiteral("Трассировка: элемент %1 из %2").arg(p.element).arg(p.elements);
  if (p.shifts > 0) text += QStringLiteral(", смещение %1 из %2").arg(p.shift).arg(p.shifts);
  return text;
}

}  // namespace

double trace_fraction(const TraceProgress& p) {
  if (p.elements < 1) return 0.0;
  double done = std::max(0, p.element - 1);
  if (p.shifts > 0) done += static_cast<double>(std::max(0, p.shift - 1)) / p.shifts;
  return std::clamp(done / p.elements, 0.0, 1.0);
}

TraceStatus::TraceStatus(QStatusBar* bar)
    : label_(new QLabel(bar)), bar_(new QProgressBar(bar)), notice_(new QLabel(bar)) {
  bar_->setRange(0, kBarSteps);
  bar_->setMaximumWidth(kBarWidth);
  bar_->setTextVisible(false);
  bar_->hide();
  bar->addWidget(label_);
  bar->addWidget(bar_);
  bar->addWidget(notice_, 1);
}

TraceStatus::~TraceStatus() { settle(); }

void TraceStatus::show_progress(const TraceProgress& progress) {
  tracing_ = true;
  label_->setText(progress_text(progress));
  bar_->setValue(static_cast<int>(std::lround(trace_fraction(progress) * kBarSteps)));
  bar_->show();
}

void TraceStatus::show_ready() {
  tracing_ = false;
  label_->clear();
  bar_->hide();
  settle();
}

// Shown and painted at once: the GUI may be about to wait (the end of the run).
void TraceStatus::acknowledge(const QString& text) {
  notice_->setText(text);
  notice_->repaint();
  if (!busy_) QGuiApplication::setOverrideCursor(Qt::BusyCursor);
  busy_ = true;
}

void TraceStatus::settle() {
  notice_->clear();
  if (busy_) QGuiApplication::restoreOverrideCursor();
  busy_ = false;
}

}  // namespace lumi
