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

namespace {

QPoint canvas_pixel(const QSinglePointEvent* event) {
  const QPointF p = event->position();
  return {trunc_to_int(std::floor(p.x())), trunc_to_int(std::floor(p.y()))};
}

}  // namespace

CanvasView::CanvasView(int window, MouseSink sink, QWidget* parent)
    : QWidget(parent), window_(window), sink_(std::move(sink)),
      band_(new QRubberBand(QRubberBand::Rectangle, this)) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFixedSize(1, 1);
}

bool CanvasView::refresh(std::shared_ptr<Canvas> canvas) {
  if (canvas != canvas_) {
    canvas_ = std::move(canvas);
    has_image_ = false;
  }
  if (!canvas_ || (has_image_ && canvas_->change_count() == seen_changes_)) return false;
  seen_changes_ = canvas_->snapshot_into(image_);
  has_image_ = true;
  const QSize size(image_.width, image_.height);
  if (size != this->size()) {
    clear_selection();
    setFixedSize(size);
  }
  update();
  return true;
}

QImage CanvasView::picture() const {
  if (!has_image_ || image_.width < 1 || image_.height < 1) return {};
  // Canvas pixels are 0xFFRRGGBB, the layout of QImage::Format_RGB32: shown without a copy.
  return QImage(reinterpret_cast<const uchar*>(image_.pixels.data()), image_.width,
                image_.height, image_.width * static_cast<int>(sizeof(Pixel)),
                QImage::Format_RGB32);
}

void CanvasView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QImage image = picture();
  if (image.isNull()) {
    painter.fillRect(rect(), Qt::black);
    return;
  }
  painter.drawImage(0, 0, image);
}

// Selection ------------------------------------------------------------------------------------

void CanvasView::show_selection(const QRect& rect) {
  band_->setGeometry(rect);
  band_->show();
}

void CanvasView::select_all() {
  selecting_ = Selecting::kNo;
  unsetCursor();
  selection_ = rect();
  show_selection(rect());
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
  const QRect area = QRect(drag_origin_, p).normalized().intersected(rect());
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
