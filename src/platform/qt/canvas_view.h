// The picture of one child window: a copy of its canvas, taken again whenever the canvas changes,
// shown at one canvas pixel per device pixel of the screen or fitted to the window (scaled
// smoothly, aspect kept). Mouse events are passed on in canvas pixels in either mode; a rubber
// band selects all or part of the picture for the clipboard.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSizeF>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "platform/raster/canvas.h"

class QInputEvent;
class QSinglePointEvent;
class QRubberBand;

namespace lumi {

// Where a canvas of `canvas` pixels stands in a widget of logical size `widget`: fitted (scaled
// with its aspect kept, centred) or from the top-left corner at one canvas pixel per device pixel
// (`ratio` device pixels per logical one).
QRectF picture_rect(QSize canvas, QSizeF widget, bool fitted, qreal ratio);
// The canvas pixel under a widget point, for a picture shown in `picture`. Points beside the
// picture give pixels beyond the canvas, as at 1:1 points beyond the window do.
QPoint canvas_pixel_at(QPointF point, const QRectF& picture, QSize canvas);

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

  // Fitted to the widget, or at one canvas pixel per device pixel (the widget then has the
  // picture's size and its scroll area scrolls).
  void set_fitted(bool fitted);
  bool fitted() const { return fitted_; }
  QSize sizeHint() const override;  // the picture at one canvas pixel per device pixel
  QRectF picture_rect() const;      // where the picture stands in the widget

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
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;

 private:
  enum class Selecting { kNo, kWaiting, kDragging };

  void pass_on(QMouseEvent* event);
  bool follow_selection(QMouseEvent* event);  // true when the event was taken for selecting
  void show_selection(const QRect& rect);     // in canvas pixels
  QSize canvas_size() const { return {image_.width, image_.height}; }
  QPoint canvas_pixel(const QSinglePointEvent* event) const;
  void apply_size();  // the widget's size limits for the mode and the picture

  int window_;
  MouseSink sink_;
  Interceptor interceptor_;
  std::shared_ptr<Canvas> canvas_;
  Image image_;
  std::uint64_t seen_changes_ = 0;
  bool has_image_ = false;
  bool fitted_ = false;

  QRubberBand* band_;
  std::optional<QRect> selection_;  // in canvas pixels
  Selecting selecting_ = Selecting::kNo;
  QPoint drag_origin_;
};

}  // namespace lumi
