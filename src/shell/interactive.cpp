// The mouse handler and the interactive step.
#include "shell/interactive.h"

#include <cmath>
#include <cstdlib>

#include "graphics/focus_chart.h"
#include "model/cp1251.h"
#include "model/fixed_format.h"
#include "tracing/passes.h"

namespace lumi {

namespace {

constexpr Rgb kStatusGreen = 65280;
constexpr int kStatusColumns = 40;

struct Pointer {
  float x, y;
  int keys;
};

Pointer read_pointer(const PointerInput& input) {
  return {input.pointer_x.load(std::memory_order_relaxed),
          input.pointer_y.load(std::memory_order_relaxed),
          input.pointer_keys.load(std::memory_order_relaxed)};
}

// Case A: a new file was requested.
void leave_for_new_file(Workspace& ws, InteractiveState& state) {
  ws.scheme.input.open_request.store(0, std::memory_order_relaxed);
  ws.scheme.input.pointer_keys.store(0, std::memory_order_relaxed);
  state.status = 2;
  for (int w = 1; w <= ws.scheme.count; ++w) ws.graphics.close_window(w);
  ws.scheme.count = 0;
  if (ws.results != nullptr) close_focus_charts(ws.graphics, *ws.results);
}

void write_status_line(Workspace& ws, InteractiveState& state) {
  ws.graphics.select_window(1, 0);
  ws.graphics.set_color_rgb(kStatusGreen);
  ws.graphics.set_text_position(1, 1);
  const int code = std::abs(trunc_to_int(ws.scheme.element(state.selected).code()));
  const std::string_view name = status_name(code);
  if (!name.empty()) {
    state.status_text = utf8_fixed_width(format_i(state.selected, 4) + std::string(name), 50);
  }
  ws.graphics.write_text(utf8_fixed_width(state.status_text, kStatusColumns));
}

void redraw_outline(Workspace& ws, int k, int code, int on_color, int off_color) {
  ws.graphics.select_color(code < 1 ? off_color : on_color);
  prepare_element(ws, ws.scheme.element(k), k, kOutlineOnly);
}

}  // namespace

void mouse_handler(const Graphics& graphics, PointerInput& input, int x, int y, int key_state) {
  float wx = 0.0f;
  float wy = 0.0f;
  graphics.pixel_to_world(1, 1, x, y, wx, wy);
  input.pointer_x.store(wx, std::memory_order_relaxed);
  input.pointer_y.store(wy, std::memory_order_relaxed);
  input.pointer_keys.store(key_state, std::memory_order_relaxed);
}

int nearest_element(const Scheme& scheme, float x, float y, int selected) {
  float best = 1.0e25f;
  for (int k = 1; k <= scheme.count; ++k) {
    const PointF& anchor = scheme.pick(k);
    const float dx = x - anchor.x;
    const float dy = y - anchor.y;
    const float d = std::sqrt(dx * dx + dy * dy);
    if (d < best) {
      best = d;
      selected = k;
    }
  }
  return selected;
}

bool interactive_step(Workspace& ws, InteractiveState& state) {
  PointerInput& input = ws.scheme.input;
  if (input.open_request.load(std::memory_order_relaxed) == 1) {
    leave_for_new_file(ws, state);
    return true;
  }

  const Pointer pointer = read_pointer(input);
  if (state.status == 0) {
    state.status = 1;
    state.saved_x = pointer.x;
    state.saved_y = pointer.y;
    state.saved_keys = pointer.keys;
    state.selected = nearest_element(ws.scheme, pointer.x, pointer.y, state.selected);
    state.previous = 0;
    return true;
  }

  if (pointer.keys == state.saved_keys && pointer.x == state.saved_x && pointer.y == state.saved_y) {
    return false;
  }
  state.selected = nearest_element(ws.scheme, pointer.x, pointer.y, state.selected);
  if (state.selected < 1) {
    // No anchor is within reach (only non-finite anchors): nothing to name or highlight.
    state.saved_x = pointer.x;
    state.saved_y = pointer.y;
    state.saved_keys = pointer.keys;
    return true;
  }
  write_status_line(ws, state);

  // A left click brings the element's window forward, once per newly selected element while the
  // button is held, and gives the focus back to the scheme window.
  if (pointer.keys == 1 && !(state.saved_keys == 1 && state.selected == state.previous)) {
    ws.graphics.select_window(0, state.selected);
    ws.graphics.select_window(0, 1);
  }

  if (state.selected != state.previous) {
    state.selected_code = trunc_to_int(ws.scheme.element(state.selected).code());
    redraw_outline(ws, state.selected, state.selected_code, color::kPassingHit,
                   color::kOffHighlight);
    if (state.previous != 0) {
      redraw_outline(ws, state.previous, state.previous_code, color::kOutline, color::kOffOutline);
    }
  }

  state.saved_x = pointer.x;
  state.saved_y = pointer.y;
  state.saved_keys = pointer.keys;
  state.previous = state.selected;
  state.previous_code = state.selected_code;
  return true;
}

}  // namespace lumi
