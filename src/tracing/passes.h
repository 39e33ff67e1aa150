// The two passes over a scheme: preparation (scheme window, element windows, anchors, outlines)
// and tracing (one element at a time, called by the main loop).
#pragma once

#include <string_view>

#include "tracing/ray.h"
#include "tracing/workspace.h"

namespace lumi {

void open_scheme_window(Workspace& ws, float x_min, float x_max, float y_min, float y_max,
                        std::string_view file_name);
void prepare_scheme(Workspace& ws);
void trace_element(Workspace& ws, const ElementRecord& element, RayBundle& rays, int k);
// The preparation routine of an element by the absolute value of its code; used by the
// preparation pass (full mode) and the interactive step (outline only). Codes without a routine
// (61 and unknown codes) do nothing. Code 44 (the cylindrical lens) is dispatched here, for the
// interactive step, but prepare_scheme never calls it.
void prepare_element(Workspace& ws, const ElementRecord& element, int k, int mode);
// The same dispatch on a code the caller gives (the interactive step dispatches on the truncated
// code it keeps, which differs from slot 1 for a code with a fraction).
void prepare_element_as(Workspace& ws, float abs_code, const ElementRecord& element, int k,
                        int mode);

}  // namespace lumi
