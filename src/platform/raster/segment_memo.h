// The lines a canvas has drawn since it last painted anything in another colour. Painting pixels
// in one colour is idempotent and its order does not matter, so while every pixel painted has
// the same colour, a line drawn before (the same ends and mask) is there whole: drawing it again
// would change no pixel. Rays drawn one after another converge on a few pixel paths, and a beam
// of a million rays draws a few thousand distinct lines many times over, not one after another.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "graphics/platform.h"

namespace lumi {

class SegmentMemo {
 public:
  struct Segment {
    int x0, y0, x1, y1;
    std::uint16_t mask;
    bool operator==(const Segment&) const = default;
  };

  // Whether `s`, drawn in `ink`, is on the canvas whole.
  bool holds(const Segment& s, Rgb ink) const {
    const Entry& e = entries_[slot_of(s)];
    return ink == ink_ && e.generation == generation_ && e.segment == s;
  }
  // `s` drawn in ink: painted(ink) must have been told first.
  void add(const Segment& s) { entries_[slot_of(s)] = {s, generation_}; }
  // Something was painted in `ink`; a colour other than the lines' own overpaints them.
  void painted(Rgb ink) {
    if (ink == ink_) return;
    ink_ = ink;
    forget();
  }
  // The canvas changed in a way that may undo any line: resized, or painted in many colours.
  void forget() { ++generation_; }

 private:
  static constexpr int kSlotBits = 10;
  struct Entry {
    Segment segment{};
    std::uint64_t generation = 0;  // of the memo when added; a 64-bit count never wraps
  };

  // Multiply-shift hashing of the four ends and the mask
  static std::size_t slot_of(const Segment& s) {
    const std::uint64_t h = std::uint64_t(std::uint32_t(s.x0)) * 0x9E3779B97F4A7C15u +
                            std::uint64_t(std::uint32_t(s.y0)) * 0xC2B2AE3D27D4EB4Fu +
                            std::uint64_t(std::uint32_t(s.x1)) * 0x165667B19E3779F9u +
                            std::uint64_t(std::uint32_t(s.y1)) * 0x27D4EB2F165667C5u +
                            std::uint64_t(s.mask) * 0x94D049BB133111EBu;
    return static_cast<std::size_t>(h >> (64 - kSlotBits));
  }

  std::array<Entry, std::size_t{1} << kSlotBits> entries_{};
  Rgb ink_ = 0;
  std::uint64_t generation_ = 1;  // entries of generation 0 hold nothing
};

}  // namespace lumi
