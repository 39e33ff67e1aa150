// Ctrl+drag and Ctrl+wheel in the scheme window.
#include "platform/qt/scheme_manipulation.h"

#include <QMouseEvent>
#include <QWheelEvent>

#include "model/element_kinds.h"
#include "platform/qt/qt_platform.h"
#include "platform/qt/scheme_editor.h"
#include "shell/interactive.h"

namespace lumi {

namespace {

constexpr double kDegreesPerNotch = 1.0;
constexpr double kFineDegreesPerNotch = 0.1;
constexpr int kNotch = 120;  // angle delta of one wheel notch, in eighths of a degree

// The slot named Fi in the kind's table, 0 when it has none.
int angle_slot(const ElementKind& kind) {
  for (std::size_t i = 0; i < kind.parameters.size(); ++i) {
    if (kind.parameters[i].name == "Fi") return static_cast<int>(i) + 3;
  }
  return 0;
}

// The element the program would pick at this point: the nearest anchor.
int element_at(const SchemeLayout& layout, QPointF point) {
  Scheme scheme;
  scheme.count = layout.count;
  scheme.picks = layout.picks;
  return nearest_element(scheme, static_cast<float>(point.x()), static_cast<float>(point.y()), 0);
}

}  // namespace

QPointF scheme_point(const SchemeLayout& layout, QPoint pixel) {
  const float x = layout.x_min + (layout.x_max - layout.x_min) *
                                     (static_cast<float>(pixel.x()) - layout.pixel_left) /
                                     layout.pixel_width;
  const float y = layout.y_min - (layout.y_max - layout.y_min) *
                                     (static_cast<float>(pixel.y()) - layout.pixel_bottom) /
                                     layout.pixel_height;
  return {x, y};
}

bool SchemeManipulation::handle(QInputEvent* event, QPoint pixel) {
  const bool ctrl = (event->modifiers() & Qt::ControlModifier) != 0;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      return ctrl && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && press(pixel);
    case QEvent::MouseMove:
      if (!drag_) return false;
      move_to(pixel, false);
      return true;
    case QEvent::MouseButtonRelease:
      if (!drag_) return false;
      move_to(pixel, true);
      return true;
    case QEvent::Wheel: {
      if (!ctrl) return false;
      const QPoint delta = static_cast<QWheelEvent*>(event)->angleDelta();
      const int notches = delta.y() != 0 ? delta.y() : delta.x();  // Shift may turn it sideways
      const bool fine = (event->modifiers() & Qt::ShiftModifier) != 0;
      return turn(pixel, notches / static_cast<double>(kNotch) *
                             (fine ? kFineDegreesPerNotch : kDegreesPerNotch));
    }
    default:
      return false;
  }
}

bool SchemeManipulation::press(QPoint pixel) {
  const std::optional<SchemeLayout> layout = platform_.scheme_layout();
  const std::optional<SchemeDocument>& document = editor_.document();
  if (!layout || !document) return false;
  const QPointF start = scheme_point(*layout, pixel);
  const int k = element_at(*layout, start);
  if (k < 1 || k > document->count()) return false;
  const ElementKind* kind = kind_of(document->element(k));
  if (!kind || kind->xo_slot == 0) return false;
  const ElementRecord& record = document->element(k);
  drag_ = Drag{k, kind->xo_slot, start, record.slot(kind->xo_slot),
               record.slot(kind->xo_slot + 1), *document};
  return true;
}

void SchemeManipulation::move_to(QPoint pixel, bool release) {
  const std::optional<SchemeLayout> layout = platform_.scheme_layout();
  if (!layout) return;
  const QPointF now = scheme_point(*layout, pixel);
  const std::optional<std::chrono::milliseconds> retrace = editor_.last_retrace();
  const bool live = !retrace || *retrace < kLiveDragRetrace;
  if (release || live) {
    const Drag& d = *drag_;
    const float xo = d.xo + static_cast<float>(now.x() - d.start.x());
    const float yo = d.yo + static_cast<float>(now.y() - d.start.y());
    editor_.preview([&d, xo, yo](const SchemeDocument& document) {
      return document.with_slot(d.k, d.xo_slot, xo).with_slot(d.k, d.xo_slot + 1, yo);
    });
  }
  if (release) {
    editor_.commit(QStringLiteral("Перемещение элемента %1").arg(drag_->k), drag_->before);
    drag_.reset();
  }
}

bool SchemeManipulation::turn(QPoint pixel, double degrees) {
  const std::optional<SchemeLayout> layout = platform_.scheme_layout();
  const std::optional<SchemeDocument>& document = editor_.document();
  if (!layout || !document || degrees == 0.0) return false;
  const int k = element_at(*layout, scheme_point(*layout, pixel));
  if (k < 1 || k > document->count()) return false;
  const ElementKind* kind = kind_of(document->element(k));
  const int slot = kind ? angle_slot(*kind) : 0;
  if (slot == 0) return false;
  const float fi = static_cast<float>(document->element(k).slot(slot) + degrees);
  editor_.change(QStringLiteral("Поворот элемента %1").arg(k),
                 [=](const SchemeDocument& d) { return d.with_slot(k, slot, fi); });
  return true;
}

}  // namespace lumi
