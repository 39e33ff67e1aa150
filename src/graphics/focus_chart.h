// The through-focus chart of a focal plane: the spot's extents dX and dY and its RMS diameter
// (2·rms) against the shift d, three curves with a legend and the best focus by rms marked with
// its value, drawn with the axes of every other window. Each focal plane K gets a window of its own
// after the scheme's windows, numbered kFocusChartBase + K ("Фокусировка, элемент K").
#pragma once

#include "graphics/graphics.h"
#include "model/trace_results.h"

namespace lumi {

inline constexpr int kFocusChartBase = 50;

inline int focus_chart_window(int k) { return kFocusChartBase + k; }

// Opens the chart's window and draws it; the drawing window and colour index are as before.
// Draws nothing for a sweep without a shift that met a ray.
void draw_focus_chart(Graphics& g, const FocusSweep& sweep);

// Closes the charts of the traced focal planes, with the scheme's windows.
void close_focus_charts(Graphics& g, const TraceResults& results);

}  // namespace lumi
