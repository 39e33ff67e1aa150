// The report of a traced scheme, a JSON document that two runs of the same scheme write alike:
//   {"format": "lumirastra-report", "version": 1, "scheme": path, "rays": count,
//    "elements": [{"k", "code", "name", "on", "count"}],
//    "focal_planes": [{"k", "shifts": [{"d", "dx", "dy", "max", "n", "cu", "cz", "rms"}],
//                      "best_rms_d", "best_max_d"}]}
// `count` is the count the element logged (null where it logs none); numbers are the shortest
// text that reads back to the same double, null where there is none (no spot, no best focus).
#pragma once

#include <string>

#include "model/scheme.h"
#include "model/trace_results.h"

namespace lumi {

std::string report_json(const Scheme& scheme, const TraceResults& results, int rays);

}  // namespace lumi
