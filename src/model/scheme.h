// The scheme state: the element records of one scheme file, its drawing rectangle, the pick table
// and the values the platform thread writes (open request, pointer point and keys).
#pragma once

#include <array>
#include <atomic>
#include <string>

#include "model/element.h"

namespace lumi {

inline constexpr int kMaxElements = 50;

struct PointF {
  float x = 0.0f;
  float y = 0.0f;
};

// Written by the platform's thread (menu and mouse handlers), read by the program thread between
// steps. Relaxed atomics: each value stands on its own, nothing is published through them.
struct PointerInput {
  std::atomic<int> open_request{0};
  // 1 when a changed scheme waits to be traced in place of the one shown (the desktop's editor):
  // the tracing pass stops before its next element, a sweep after its next block of rays.
  std::atomic<int> edit_request{0};
  std::atomic<float> pointer_x{0.0f};
  std::atomic<float> pointer_y{0.0f};
  std::atomic<int> pointer_keys{0};
};

struct Scheme {
  int count = 0;  // elements in use, 0..50
  float x_min = 0.0f, x_max = 0.0f, y_min = 0.0f, y_max = 0.0f;
  std::string file_name;  // the path as chosen, in full
  std::array<ElementRecord, kMaxElements> elements{};
  std::array<PointF, kMaxElements> picks{};
  PointerInput input;

  // Element k and its pick-table entry, k = 1..50.
  ElementRecord& element(int k) { return elements[static_cast<std::size_t>(k - 1)]; }
  const ElementRecord& element(int k) const { return elements[static_cast<std::size_t>(k - 1)]; }
  PointF& pick(int k) { return picks[static_cast<std::size_t>(k - 1)]; }
  const PointF& pick(int k) const { return picks[static_cast<std::size_t>(k - 1)]; }
};

}  // namespace lumi
