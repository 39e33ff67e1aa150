// Direct changes in the scheme window: Ctrl+drag moves the element under the pointer (its Xo, Yo)
// by the distance dragged in scheme coordinates, Ctrl+wheel turns it (Fi: a degree a notch, a
// tenth with Shift). The element is the one the program would pick there, the nearest anchor.
// While dragging, the rays follow when the last change was traced again in under 0.1 s, else the
// element moves on release; a drag is one undo step. Plain moves and clicks are left to the
// program's own mouse handler.
#pragma once

#include <QPoint>
#include <QPointF>
#include <chrono>
#include <optional>

#include "model/scheme_document.h"

class QInputEvent;

namespace lumi {

class QtPlatform;
class SchemeEditor;
struct SchemeLayout;

inline constexpr std::chrono::milliseconds kLiveDragRetrace{100};

class SchemeManipulation {
 public:
  SchemeManipulation(QtPlatform& platform, SchemeEditor& editor)
      : platform_(platform), editor_(editor) {}

  // True when the event (at canvas pixel `pixel` of the scheme window) was taken.
  bool handle(QInputEvent* event, QPoint pixel);

 private:
  struct Drag {
    int k = 0;
    int xo_slot = 0;
    QPointF start;  // scheme coordinates of the press
    float xo = 0.0f, yo = 0.0f;
    SchemeDocument before;
  };

  bool press(QPoint pixel);
  void move_to(QPoint pixel, bool release);
  bool turn(QPoint pixel, double degrees);

  QtPlatform& platform_;
  SchemeEditor& editor_;
  std::optional<Drag> drag_;
};

// Scheme coordinates of a canvas pixel of the scheme window, as the program maps them.
QPointF scheme_point(const SchemeLayout& layout, QPoint pixel);

}  // namespace lumi
