// The element record: 200 single-precision slots addressed by 1-based slot numbers, exactly as
// the scheme file and the element descriptions number them, and the element type codes.
#pragma once

#include <array>
#include <string_view>

#include "model/numeric.h"

namespace lumi {

inline constexpr int kSlotCount = 200;
// Slot 2 holds the parameter count; slots 3..n+2 the parameters, so n is at most 198.
inline constexpr int kMaxParameters = kSlotCount - 2;

// Type codes, stored in slot 1 as floats and compared as floats. A negative code switches the
// element off.
namespace code {
inline constexpr float kSource = 11;
inline constexpr float kOuterDiaphragm = 21;
inline constexpr float kRectDiaphragm = 22;
inline constexpr float kInnerDiaphragm = 23;
inline constexpr float kFlatMirror = 31;
inline constexpr float kSphericalMirror = 32;
inline constexpr float kIdealLens = 41;
inline constexpr float kSphericalLens = 42;
inline constexpr float kCylindricalLens = 44;
inline constexpr float kGrating = 51;
inline constexpr float kEnd = 61;
inline constexpr float kFocalPlane = 62;
}  // namespace code

struct ElementRecord {
  std::array<float, kSlotCount> slots{};

  float& slot(int s) { return slots[static_cast<std::size_t>(s - 1)]; }
  float slot(int s) const { return slots[static_cast<std::size_t>(s - 1)]; }

  float code() const { return slot(1); }
  bool switched_off() const { return slot(1) < 0.0f; }
  // The integer part of slot 2, truncated toward zero.
  int parameter_count() const { return trunc_to_int(slot(2)); }
};

// The element's name on the status line ("    источник", ...), or an empty view for codes that
// have none (61 and anything unknown). `abs_code` is the absolute type code truncated to an int.
std::string_view status_name(int abs_code);

// A short Russian name of an element kind, for messages ("источник", "фокальная плоскость").
std::string_view kind_name(int abs_code);

}  // namespace lumi
