// The radiation source (code 11): a W by H rectangle across its axis that emits a regular grid of
// rays, at a grid of wavelengths, along its axis (parallel beam) or over a grid of directions (fan
// beam). It has no window of its own; its outline is a segment across the axis.
//
// Record slots:
//   1  type code (11; negative: switched off, outlined in grey and never traced)
//   2  parameter count: exactly 16 selects the fan beam, anything else the parallel beam
//   3  W, width of the emitting rectangle across the axis in the scheme plane (length units)
//   4  H, height of the rectangle along z (length units)
//   5  Xo, 6 Yo: centre of the rectangle (length units; z = 0)
//   7  Fi, axis angle in the scheme plane (degrees); the axis is (cos Fi, sin Fi, 0)
//   8  N1, rows across the width; 9 N2, rows across the height (truncated)
//   10 first wavelength, 11 last wavelength (units of the grating's period), 12 their number
//   fan beam only:
//   13 A1, 14 A2: first and last azimuth offset from Fi (degrees); 15 NA, number of azimuths
//   16 E1, 17 E2: first and last elevation out of the scheme plane (degrees); 18 NE, their number
#include "elements/elements.h"
#include "model/diagnostics_log.h"
#include "tracing/degrees.h"
#include "tracing/element_window.h"

namespace lumi {

namespace {

// The emitting grid and wavelengths, as trace_source derives them from the record.
struct SourceGrid {
  int rows_across = 0, rows_up = 0, wavelengths = 0;
  double width = 0.0, height = 0.0;
  double step_across = 0.0, step_up = 0.0;
  float first_wavelength = 0.0f, wavelength_step = 0.0f;
  double xo = 0.0, yo = 0.0;
  double c = 0.0, s = 0.0;  // cos Fi, sin Fi
};

SourceGrid source_grid(const ElementRecord& e) {
  SourceGrid grid;
  grid.width = e.slot(3);
  grid.height = e.slot(4);
  grid.xo = e.slot(5);
  grid.yo = e.slot(6);
  grid.c = cos_deg(e.slot(7));
  grid.s = sin_deg(e.slot(7));
  grid.rows_across = trunc_to_int(e.slot(8));
  grid.rows_up = trunc_to_int(e.slot(9));
  grid.first_wavelength = e.slot(10);
  grid.wavelengths = trunc_to_int(e.slot(12));
  // The step test looks at the slot itself, not at the truncated count
  if (e.slot(12) >= 1.5f) grid.wavelength_step = (e.slot(11) - e.slot(10)) / (e.slot(12) - 1.0f);
  if (grid.rows_across != 1) grid.step_across = grid.width / (grid.rows_across - 1.0);
  if (grid.rows_up != 1) grid.step_up = grid.height / (grid.rows_up - 1.0);
  return grid;
}

// A count of zero or less makes no rays at all. The loops are not entered then: beside an empty
// one, a count near the int limit would otherwise be walked through for nothing and overflow.
bool makes_rays(const SourceGrid& grid) {
  return grid.rows_across > 0 && grid.rows_up > 0 && grid.wavelengths > 0;
}

// Writes the rays of one direction: every wavelength from every grid point, wavelength outermost,
// then the rows across the width, then the rows up the height. Stops when the bundle is full.
void emit_grid(const SourceGrid& grid, double dir_x, double dir_y, double dir_z,
               RayBundle& rays) {
  for (int l = 1; l <= grid.wavelengths; ++l) {
    const float wavelength = static_cast<float>(l - 1) * grid.wavelength_step +
                             grid.first_wavelength;
    for (int i = 1; i <= grid.rows_across; ++i) {
      const double a = grid.step_across * (i - 1) - 0.5 * grid.width;
      const double x = grid.xo - grid.s * a;
      const double y = grid.yo + grid.c * a;
      for (int j = 1; j <= grid.rows_up; ++j) {
        if (rays.count == RayBundle::kCapacity) return;
        Ray& ray = rays[rays.count++];
        ray.x = x;
        ray.y = y;
        ray.z = -0.5 * grid.height + (j - 1) * grid.step_up;
        ray.dir_x = dir_x;
        ray.dir_y = dir_y;
        ray.dir_z = dir_z;
        ray.reserved = 1.0;
        ray.wavelength = wavelength;
        ray.path = 0.0;
        ray.alive = 1.0;
      }
    }
  }
}

// The fan beam: every azimuth (outermost) and elevation of the direction grid.
void emit_fan(const ElementRecord& e, const SourceGrid& grid, RayBundle& rays) {
  const double a1 = e.slot(13), a2 = e.slot(14), e1 = e.slot(16), e2 = e.slot(17);
  const int azimuths = trunc_to_int(e.slot(15));
  const int elevations = trunc_to_int(e.slot(18));
  const double fi = e.slot(7);
  if (azimuths <= 0 || elevations <= 0) return;
  const double azimuth_step = azimuths > 1 ? (a2 - a1) / (azimuths - 1) : 1.0;
  const double elevation_step = elevations > 1 ? (e2 - e1) / (elevations - 1) : 1.0;
  for (int p = 1; p <= azimuths; ++p) {
    const double alpha = (p - 1) * azimuth_step + a1 + fi;
    for (int q = 1; q <= elevations; ++q) {
      if (rays.count == RayBundle::kCapacity) return;
      const double epsilon = (q - 1) * elevation_step + e1;
      const double cos_e = cos_deg(epsilon);
      emit_grid(grid, cos_deg(alpha) * cos_e, sin_deg(alpha) * cos_e, sin_deg(epsilon), rays);
    }
  }
}

}  // namespace

void prepare_source(Workspace& ws, const ElementRecord& e, int mode) {
  Graphics& g = ws.graphics;
  ws.scheme.pick(1) = {e.slot(5), e.slot(6)};
  if (mode != kOutlineOnly) {
    g.set_line_style(1);
    g.select_color(e.code() >= 0.0f ? color::kOutline : color::kOffOutline);
  }
  draw_across_segment(g, e.slot(5), e.slot(6), e.slot(7), 0.5f * e.slot(3));
}

// A source whose counts multiply to more than the bundle holds is refused when the scheme is
// checked; should one get here anyway, the bundle is filled to capacity and the rest not made.
void trace_source(Workspace& ws, const ElementRecord& e, RayBundle& rays) {
  rays.count = 0;
  const SourceGrid grid = source_grid(e);
  if (makes_rays(grid)) {
    if (e.slot(2) == 16.0f) {
      emit_fan(e, grid, rays);
    } else {
      emit_grid(grid, grid.c, grid.s, 0.0, rays);
    }
  }
  log_count(ws, " Источник: вышло", rays.count);
  ws.graphics.select_color(color::kRay);
}

}  // namespace lumi
