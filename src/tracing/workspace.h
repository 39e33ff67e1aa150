// What element routines work with besides the element record and the rays: the windows and views,
// the scheme state (for the pick table) and the diagnostics log.
#pragma once

#include "graphics/graphics.h"
#include "model/diagnostics_log.h"
#include "model/scheme.h"
#include "model/trace_results.h"
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
  TraceResults* results = nullptr;   // where counts, spot statistics and hits go; none: nowhere
};

// An element's count line in the log; the count also goes to the results, as the element's.
inline void log_count(Workspace& ws, std::string_view text, int count,
                      std::string_view unit = "  лучей") {
  ws.log.append(count_line(text, count, unit));
  TraceResults* r = ws.results;
  if (r != nullptr && r->tracing >= 1 && r->tracing <= static_cast<int>(r->counts.size())) {
    r->counts[static_cast<std::size_t>(r->tracing - 1)] = count;
  }
}

// Modes of the preparation routines.
inline constexpr int kFullMode = 1;
inline constexpr int kOutlineOnly = 2;

}  // namespace lumi
