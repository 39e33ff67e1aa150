// A child window's picture, its mouse events and its selection.
#include "platform/qt/canvas_view.h"

#include <QMouseEvent>
#include <QWheelEvent>
#include <QPainter>
#include <QRubberBand>
#include <cmath>

#include "model/numeric.h"
#include "platform/qt/mouse_input.h"

namespace lumi {

QRectF picture_rect(QSize canvas, QSizeF widget, bool fitted, qreal ratio) {
  if (canvas.isEmpty()) return {};
  if (!fitted) return {0.0, 0.0, canvas.width() / ratio, canvas.height() / ratio};
  const QSizeF shown = QSizeF(canvas).scaled(widget, Qt::KeepAspectRatio);
  return {QPointF((widget.width() - shown.width()) / 2, (widget.height() - shown.height()) / 2),
          shown};
}

QPoint canvas_pixel_at(QPointF point, const QRectF& picture, QSize canvas) {
  if (picture.isEmpty()) return {};
  const double x = (point.x() - picture.x()) * canvas.width() / picture.width();
  const double y = (point.y() - picture.y()) * canvas.height() / picture.height();
  return {trunc_to_int(std::floor(x)), trunc_to_int(std::floor(y))};
}

CanvasView::CanvasView(int window, MouseSink sink, QWidget* parent)
    : QWidget(parent), window_(window), sink_(std::move(sink)),
      band_(new QRubberBand(QRubberBand::Rectangle, this)) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  apply_size();
}

bool CanvasView::refresh(std::shared_ptr<Canvas> canvas) {
  // A window moved to a screen of another density keeps one canvas pixel per device pixel.
  if (!fitted_ && has_image_ && size() != sizeHint()) apply_size();
  if (canvas != canvas_) {
    canvas_ = std::move(canvas);
    has_image_ = false;
  }
  if (!canvas_ || (has_image_ && canvas_->change_count() == seen_changes_)) return false;
  const QSize before = canvas_size();
  seen_changes_ = canvas_->snapshot_into(image_);
  has_image_ = true;
  if (canvas_size() != before) {
    clear_selection();
    apply_size();
  }
  update();
  return true;
}

void CanvasView::set_fitted(bool fitted) {
  if (fitted == fitted_) return;
  fitted_ = fitted;
  apply_size();
  if (selection_) show_selection(*selection_);
  update();
}

// Whole logical pixels, rounded up, so that no device pixel of the picture is cut off.
QSize CanvasView::sizeHint() const {
  const QRectF shown = lumi::picture_rect(canvas_size(), size(), false, devicePixelRatioF());
  const QSize whole(static_cast<int>(std::ceil(shown.width())),
                    static_cast<int>(std::ceil(shown.height())));
  return whole.expandedTo(QSize(1, 1));
}

QRectF CanvasView::picture_rect() const {
  return lumi::picture_rect(canvas_size(), size(), fitted_, devicePixelRatioF());
}

void CanvasView::apply_size() {
  if (fitted_) {
    setMinimumSize(1, 1);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  } else {
    setFixedSize(sizeHint());
  }
  updateGeometry();
}

QPoint CanvasView::canvas_pixel(const QSinglePointEvent* event) const {
  return canvas_pixel_at(event->position(), picture_rect(), canvas_size());
}

QImage CanvasView::picture() const {
  if (!has_image_ || image_.width < 1 || image_.height < 1) return {};
  // Canvas pixels are 0xFFRRGGBB, the layout of QImage::Format_RGB32: shown without a copy.
  return QImage(reinterpret_cast<const uchar*>(image_.pixels.data()), image_.width,
                image_.height, image_.width * static_cast<int>(sizeof(Pixel)),
                QImage::Format_RGB32);
}

// At 1:1 the picture's rectangle covers it pixel for pixel on the device; fitted, it is scaled
// smoothly at the device's resolution, and the margins beside it take the scroll area's colour.
void CanvasView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QImage image = picture();
  if (image.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  const QRectF shown = picture_rect();
  if (fitted_) {
    painter.fillRect(rect(), palette().color(QPalette::Dark));
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
  }
  painter.drawImage(shown, image);
}

void CanvasView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  if (selection_) show_selection(*selection_);
}

// Selection ------------------------------------------------------------------------------------

// The band covers the selected canvas pixels where the picture shows them.
void CanvasView::show_selection(const QRect& rect) {
  const QRectF shown = picture_rect();
  const QSize canvas = canvas_size();
  if (canvas.isEmpty()) return;
  const double sx = shown.width() / canvas.width();
  const double sy = shown.height() / canvas.height();
  const QRectF area(shown.x() + rect.x() * sx, shown.y() + rect.y() * sy, rect.width() * sx,
                    rect.height() * sy);
  band_->setGeometry(area.toAlignedRect());
  band_->show();
}

void CanvasView::select_all() {
  selecting_ = Selecting::kNo;
  unsetCursor();
  selection_ = QRect(QPoint(0, 0), canvas_size());
  show_selection(*selection_);
}

void CanvasView::begin_part_selection() {
  clear_selection();
  selecting_ = Selecting::kWaiting;
  setCursor(Qt::CrossCursor);
}

void CanvasView::clear_selection() {
  selection_.reset();
  band_->hide();
  if (selecting_ != Selecting::kNo) {
    selecting_ = Selecting::kNo;
    unsetCursor();
  }
}

QImage CanvasView::selected_image() const {
  const QImage image = picture();
  if (image.isNull()) return {};
  return selection_ ? image.copy(selection_->intersected(image.rect())) : image.copy();
}

bool CanvasView::follow_selection(QMouseEvent* event) {
  if (selecting_ == Selecting::kNo) return false;
  const QPoint p = canvas_pixel(event);
  const QRect area =
      QRect(drag_origin_, p).normalized().intersected(QRect(QPoint(0, 0), canvas_size()));
  if (event->type() == QEvent::MouseButtonPress && event->button() == Qt::LeftButton) {
    selecting_ = Selecting::kDragging;
    drag_origin_ = p;
    show_selection(QRect(p, QSize(1, 1)));
  } else if (selecting_ == Selecting::kDragging && event->type() == QEvent::MouseMove) {
    show_selection(area);
  } else if (selecting_ == Selecting::kDragging && event->type() == QEvent::MouseButtonRelease) {
    selecting_ = Selecting::kNo;
    unsetCursor();
    selection_ = area;
    show_selection(area);
  }
  return true;
}

// Mouse ----------------------------------------------------------------------------------------

void CanvasView::pass_on(QMouseEvent* event) {
  if (follow_selection(event)) return;
  if (interceptor_ && interceptor_(event, canvas_pixel(event))) return;
  const int code = mouse_event_code(event->type(), event->button());
  if (code == 0 || !sink_) return;
  const QPoint p = canvas_pixel(event);
  sink_(code, mouse_key_state(event->buttons(), event->modifiers()), p.x(), p.y());
}

void CanvasView::mousePressEvent(QMouseEvent* event) { pass_on(event); }
void CanvasView::mouseReleaseEvent(QMouseEvent* event) { pass_on(event); }
void CanvasView::mouseMoveEvent(QMouseEvent* event) { pass_on(event); }
void CanvasView::mouseDoubleClickEvent(QMouseEvent* event) { pass_on(event); }

void CanvasView::wheelEvent(QWheelEvent* event) {
  if (interceptor_ && interceptor_(event, canvas_pixel(event))) return;
  QWidget::wheelEvent(event);  // the scroll area scrolls
}

}  // namespace lumi
