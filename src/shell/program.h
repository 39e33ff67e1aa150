// The run's state, owned by one object: the scheme, the windows and views, the ray bundle, the
// diagnostics log, the interactive selection, what tracing keeps from sweep to sweep (the sweep
// pool, the marks' painted pixels) and what the tracing of the last scheme learnt (results).
// Nothing of it is global, so a test can build as many programs as it likes.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>
#include <string>

#include "graphics/graphics.h"
#include "graphics/platform.h"
#include "model/diagnostics_log.h"
#include "model/scheme.h"
#include "model/scheme_document.h"
#include "shell/interactive.h"
#include "tracing/hit_marks.h"
#include "tracing/ray.h"
#include "tracing/sweep_pool.h"
#include "tracing/workspace.h"

namespace lumi {

struct Program {
  // `sweep_helpers`: the sweep pool's helper threads (0: every sweep on the tracing thread).
  explicit Program(Platform& p, int sweep_helpers = SweepPool::default_helpers())
      : platform(p),
        graphics(p),
        log(kLogFileName, [&p](std::string_view message) { p.report_warning(message); }),
        pool(sweep_helpers) {
    pool.cancel_when(&scheme.input.edit_request);
  }

  Workspace workspace() {
    return Workspace{graphics, scheme, log, &pool, widest_lanes(), &painted, &results};
  }

  Platform& platform;
  Scheme scheme;
  Graphics graphics;
  RayBundle rays;
  DiagnosticsLog log;
  InteractiveState interactive;
  SweepPool pool;
  PaintedPixels painted;
  TraceResults results;       // of the scheme traced last
  bool collect_hits = false;  // whether the results keep every element's hits (front end's choice)
  bool focus_charts = false;  // whether a traced scheme gets a through-focus chart per focal plane
  int dialog_calls = 0;  // the open dialog starts in the current directory on its first call only
  std::vector<SlotOverride> overrides;  // set on every scheme read, before it is checked
  std::optional<SchemeDocument> document;  // the scheme installed
  std::string readme;    // the about box's last line: where the program's README is
};

}  // namespace lumi
