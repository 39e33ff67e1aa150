// One scheme traced from start to end in a workspace of its own, with no front end: a program
// with its own raster windows, ray bundle, sweep pool and log file, as the headless tracer traces
// one file. What the run leaves (the log's text, the results, the hits, the windows' images) is
// handed back as plain data, so several traces may run side by side on different threads.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "model/scheme_document.h"
#include "model/trace_results.h"
#include "platform/raster/canvas.h"
#include "tracing/hit_rows.h"

namespace lumi {

struct BatchOptions {
  bool images = false;  // keep every window's image, the through-focus charts included
  bool hits = false;    // keep every element's hits (room for them costs memory per element)
  // Helper threads of the sweeps; none given: as many as the program takes (one fewer than the
  // cores). A sweep of many schemes at once gives each 0 and runs the schemes side by side.
  std::optional<int> helpers;
};

struct BatchOutcome {
  std::string log;  // the diagnostics log's text, in UTF-8
  int rays = 0;     // rays the source made
  TraceResults results;
  std::map<int, std::vector<HitRow>> hits;  // by element, when asked for
  std::map<int, Image> images;              // by window number, when asked for
};

// Checks the document as the program checks a file it read (against a fresh scheme state) and
// traces it. Throws SchemeError when it is refused, std::runtime_error when the log cannot be
// written or read back.
BatchOutcome trace_document(const SchemeDocument& document, const BatchOptions& options);

}  // namespace lumi
