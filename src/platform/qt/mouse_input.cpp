// Event codes and key states of mouse events.
#include "platform/qt/mouse_input.h"

namespace lumi {

int mouse_key_state(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers) {
  int keys = 0;
  if (buttons & Qt::LeftButton) keys |= kKeyLeft;
  if (buttons & Qt::RightButton) keys |= kKeyRight;
  if (modifiers & Qt::ShiftModifier) keys |= kKeyShift;
  if (modifiers & Qt::ControlModifier) keys |= kKeyCtrl;
  if (buttons & Qt::MiddleButton) keys |= kKeyMiddle;
  return keys;
}

int mouse_event_code(QEvent::Type type, Qt::MouseButton button) {
  const bool left = button == Qt::LeftButton;
  const bool right = button == Qt::RightButton;
  switch (type) {
    case QEvent::MouseMove: return kMouseMove;
    case QEvent::MouseButtonPress: return left ? kMouseLeftDown : right ? kMouseRightDown : 0;
    case QEvent::MouseButtonRelease: return left ? kMouseLeftUp : right ? kMouseRightUp : 0;
    case QEvent::MouseButtonDblClick:
      return left ? kMouseLeftDoubleClick : right ? kMouseRightDoubleClick : 0;
    default: return 0;
  }
}

}  // namespace lumi
