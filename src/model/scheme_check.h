// Whole-scheme checks made after reading and before anything is drawn: a scheme the tracer cannot
// handle soundly is refused with a message naming the element, its kind, the slot and the value.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "model/scheme_reader.h"

namespace lumi {

inline constexpr long long kMaxRays = 1'000'000;
inline constexpr long long kMaxShifts = 1'000;

// Throws SchemeError when the scheme is refused. Slots the file does not give count as 0.
void check_scheme(const SchemeFile& file, std::string_view file_label);

// A value that did not come from the file's own line (a command-line override): messages about
// it name `where` ("--set 3.4") instead of the line.
struct SlotOrigin {
  int k = 0;
  int slot = 0;
  std::string where;
};

// The same, for the records as installing the file into `current` would leave them: slots the
// file does not give keep the values `current` holds, and the element routines read those.
void check_scheme(const SchemeFile& file, std::string_view file_label, const Scheme& current,
                  std::span<const SlotOrigin> origins = {});

// The number of rays a source record makes, as its tracing routine derives it (may exceed int).
long long source_ray_count(const ElementRecord& source);

// The number of shifts a focal-plane record sweeps (0 or less means none). A range whose single-
// precision arithmetic overflows (NaN or a count beyond 2^62) gives the largest long long.
long long focal_plane_shift_count(const ElementRecord& plane);

}  // namespace lumi
