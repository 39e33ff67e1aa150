// Scripted user input for the headless tracer: mouse events over the scheme window and "Открыть",
// read from a small text file, one event per line.
//
//   move X Y [KEYS]       the pointer moves to pixel (X, Y) of the scheme window (keys 0)
//   press X Y [KEYS]      the left button goes down (keys 1: the left button alone)
//   release X Y [KEYS]    the left button goes up (keys 0)
//   rpress X Y [KEYS]     the right button goes down (keys 2)
//   rrelease X Y [KEYS]   the right button goes up (keys 0)
//   open                  "Открыть" is chosen after the scheme is drawn
//   open-while-tracing K  "Открыть" is chosen while element K is traced
//
// Blank lines and lines starting with '#' are skipped. Events are played one per interactive step,
// in order, across the schemes of the run: after an "open" the events that follow belong to the
// next scheme.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace lumi {

struct ScriptedEvent {
  enum class Kind { kMouse, kOpen, kOpenWhileTracing };
  Kind kind = Kind::kMouse;
  int event = 0;  // mouse event code: 1 left down, 2 left up, 8 right down, 16 right up, 64 move
  int keys = 0;
  int x = 0, y = 0;
  int element = 0;  // kOpenWhileTracing
};

// Throws std::runtime_error with a message naming the file label and the line.
std::vector<ScriptedEvent> parse_scripted_events(std::string_view text, std::string_view label);

}  // namespace lumi
