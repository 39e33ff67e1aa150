// Mouse events of a child window as the program's mouse handler expects them: an event code and
// a key state made of the buttons held and the modifier keys.
#pragma once

#include <QEvent>
#include <Qt>

namespace lumi {

// Event codes of register_mouse_handler.
inline constexpr int kMouseLeftDown = 1;
inline constexpr int kMouseLeftUp = 2;
inline constexpr int kMouseLeftDoubleClick = 4;
inline constexpr int kMouseRightDown = 8;
inline constexpr int kMouseRightUp = 16;
inline constexpr int kMouseRightDoubleClick = 32;
inline constexpr int kMouseMove = 64;

// Key state bits: 1 left button, 2 right button, 4 Shift, 8 Ctrl, 16 middle button. The program
// treats exactly 1 (the left button alone) as a click.
inline constexpr int kKeyLeft = 1;
inline constexpr int kKeyRight = 2;
inline constexpr int kKeyShift = 4;
inline constexpr int kKeyCtrl = 8;
inline constexpr int kKeyMiddle = 16;

int mouse_key_state(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

// The code of a press, release, double click or move; 0 for events that have none (the middle
// and extra buttons).
int mouse_event_code(QEvent::Type type, Qt::MouseButton button);

}  // namespace lumi
