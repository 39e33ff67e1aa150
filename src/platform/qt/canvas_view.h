// The picture of one child window: a copy of its canvas shown at one canvas pixel per widget
// pixel, taken again whenever the canvas changes. Mouse events are passed on in canvas pixels;
// a rubber band selects all or part of the picture for the clipboard.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/raster/canvas.h"

class QInputEvent;
class QRubberBand;

namespace lumi {

class CanvasView : public QWidget {
 public:
  // Receives the event code, the key state and the canvas pixel of a mouse event.
  using MouseSink = std::function<void(int event, int key_state, int x, int y)>;

  CanvasView(int window, MouseSink sink, QWidget* parent = nullptr);

  // Sees mouse and wheel events first, with their canvas pixel; an event it takes (returns true
  // for) goes no further.
  using Interceptor = std::function<bool(QInputEvent* event, QPoint pixel)>;
  void set_interceptor(Interceptor interceptor) { interceptor_ = std::move(interceptor); }

  int window_number() const { return window_; }
  // Shows `canvas` (null while the window has none) and copies its image if it changed since the
  // last look. Returns true when the picture changed.
  bool refresh(std::shared_ptr<Canvas> canvas);
  // The picture as shown, or a null image while there is none.
  QImage picture() const;

  // Selection for the clipboard. A part is chosen by dragging after begin_part_selection; mouse
  // events are not passed on meanwhile.
  void select_all();
  void begin_part_selection();
  bool selecting_part() const { return selecting_ != Selecting::kNo; }
  std::optional<QRect> selection() const { return selection_; }
  void clear_selection();
  // A copy of the selection, or of the whole picture when nothing is selected.
  QImage selected_image() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  enum class Selecting { kNo, kWaiting, kDragging };

  void pass_on(QMouseEvent* event);
  bool follow_selection(QMouseEvent* event);  // true when the event was taken for selecting
  void show_selection(const QRect& rect);

  int window_;
  MouseSink sink_;
  Interceptor interceptor_;
  std::shared_ptr<Canvas> canvas_;
  Image image_;
  std::uint64_t seen_changes_ = 0;
  bool has_image_ = false;

  QRubberBand* band_;
  std::optional<QRect> selection_;
  Selecting selecting_ = Selecting::kNo;
  QPoint drag_origin_;
};

}  // namespace lumi
