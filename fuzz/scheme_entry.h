// The whole way of a scheme file through the program short of a screen: read, check, install,
// list, prepare, trace, then the outlines and status line of the interactive step, all drawn into
// real canvases. The fuzz target feeds it arbitrary bytes; the test suite replays through it every
// input that once failed.
#pragma once

#include <string_view>

namespace lumi::fuzz {

// Counts above these are cut before tracing, so that one input takes milliseconds: the rows,
// wavelengths and directions of a source that would make more than 3072 rays (16·4·4·4·3) and the
// focal plane's shifts.
inline constexpr float kMaxRowsAcross = 16.0f;
inline constexpr float kMaxRowsUp = 4.0f;
inline constexpr float kMaxWavelengths = 4.0f;
inline constexpr float kMaxAzimuths = 4.0f;
inline constexpr float kMaxElevations = 3.0f;
inline constexpr long long kMaxSourceRays = 3072;
inline constexpr long long kMaxShifts = 4;

// Runs the bytes as a scheme file. Returns whether the reader and the checks accepted it; a
// refused file ends with its SchemeError, as the program would report it. Anything else that goes
// wrong (a crash, undefined behaviour, an exception of another type) is a fault of the program.
bool run_scheme(std::string_view bytes);

}  // namespace lumi::fuzz
