// Interactive selection: the element whose anchor lies nearest to the pointer is named on the
// status line of the scheme window and highlighted there; a left click brings its window forward.
#pragma once

#include <string>

#include "model/scheme.h"
#include "tracing/workspace.h"

namespace lumi {

struct InteractiveState {
  int status = 0;  // 0 first step after drawing, 1 running, 2 a new file was requested
  float saved_x = 0.0f, saved_y = 0.0f;
  int saved_keys = 0;
  int selected = 0;
  int previous = 0;  // 0: none highlighted yet
  int selected_code = 0;
  int previous_code = 0;
  std::string status_text = std::string(50, ' ');
};

// The mask of the events the scheme window reports: left down and up, right down and up, move.
inline constexpr int kMouseEventMask = 91;

// Stores the pointer point (in the world of window 1, view 1) and keys. Runs on the platform's
// thread; reads only the view record of window 1, which does not change while the handler is
// registered.
void mouse_handler(const Graphics& graphics, PointerInput& input, int x, int y, int key_state);

// One step. Returns false when it found nothing changed and did nothing, so the caller may yield.
bool interactive_step(Workspace& ws, InteractiveState& state);

// The element nearest to the pointer; keeps `selected` when no distance is below 1e25.
int nearest_element(const Scheme& scheme, float x, float y, int selected);

}  // namespace lumi
