// What element routines work with besides the element record and the rays: the windows and views,
// the scheme state (for the pick table) and the diagnostics log.
#pragma once

#include "graphics/graphics.h"
#include "model/diagnostics_log.h"
#include "model/scheme.h"
#include "tracing/lanes.h"
#include "tracing/sweep_pool.h"

namespace lumi {

class PaintedPixels;

struct Workspace {
  Graphics& graphics;
  Scheme& scheme;
  DiagnosticsLog& log;
  SweepPool* pool = nullptr;  // threads for the arithmetic of long sweeps; none: all on this one
  int lanes = widest_lanes();  // how many rays a sweep may work on at once: 1, 4 or 8
  PaintedPixels* painted = nullptr;  // where the hit marks keep what they painted (HitMarks)
};

// Modes of the preparation routines.
inline constexpr int kFullMode = 1;
inline constexpr int kOutlineOnly = 2;

}  // namespace lumi
