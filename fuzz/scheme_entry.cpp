// The shared entry of the fuzz target and the regression replay. One display and one ray bundle
// serve every run: loading the faces and touching a million ray records each time would make the
// runs a hundred times slower. Everything else (scheme, views, log) is new for each run, and the
// bundle's count is reset, so a run does not depend on the ones before it.
#include "fuzz/scheme_entry.h"

#include <memory>

#include "model/diagnostics_log.h"
#include "model/listing.h"
#include "model/scheme_check.h"
#include "model/scheme_error.h"
#include "model/scheme_document.h"
#include "model/scheme_reader.h"
#include "platform/raster/raster_display.h"
#include "shell/interactive.h"
#include "tracing/passes.h"

namespace lumi::fuzz {

namespace {

constexpr std::string_view kLabel = "fuzz.ops";

// The raster display with the front end left out. Menu commands are not collected, since the
// display outlives millions of runs.
class CanvasOnlyDisplay : public RasterDisplay {
 public:
  void click_menu_command(int) override {}
  void append_menu_item(MenuItem) override {}
  void set_about_text(std::string_view) override {}
  void register_mouse_handler(int, int, MouseHandler) override {}
  std::optional<std::string> choose_file(const OpenFileRequest&) override { return {}; }
  void report_error(std::string_view) override {}
  void report_warning(std::string_view) override {}
  void report_progress(const TraceProgress&) override {}
  void idle() override {}
  std::filesystem::path log_path_for(const std::string&) override { return "/dev/null"; }
};

struct Shared {
  CanvasOnlyDisplay display;
  RayBundle rays;
  SweepPool pool{1};  // one helper, so the sweeps split their work as on any desktop
};

Shared& shared() {
  static Shared instance;
  return instance;
}

void cap(ElementRecord& e, int slot, float most) {
  if (e.slot(slot) > most) e.slot(slot) = most;
}

// Fewer shifts over the same range; a range whose step cannot be made coarse enough in single
// precision is swept once, at its first shift.
void cap_shifts(ElementRecord& plane) {
  if (focal_plane_shift_count(plane) <= kMaxShifts) return;
  plane.slot(10) = (plane.slot(9) - plane.slot(8)) / static_cast<float>(kMaxShifts - 1);
  if (focal_plane_shift_count(plane) <= kMaxShifts) return;
  plane.slot(9) = plane.slot(8);
}

void cap_work(SchemeFile& file) {
  for (int k = 1; k <= file.count; ++k) {
    ElementRecord& e = file.elements[static_cast<std::size_t>(k - 1)];
    // Only a source that would make more rays is cut: cutting every large count would also
    // hide a large count beside a zero one, which makes no rays and must stay quick.
    if (e.code() == code::kSource && source_ray_count(e) > kMaxSourceRays) {
      cap(e, 8, kMaxRowsAcross);
      cap(e, 9, kMaxRowsUp);
      cap(e, 12, kMaxWavelengths);
      cap(e, 15, kMaxAzimuths);
      cap(e, 18, kMaxElevations);
    }
    if (e.code() == code::kFocalPlane) cap_shifts(e);
  }
}

// The interactive step with the mouse over the pixel of each anchor in turn, the left button held
// at every other one: the elements are named on the status line, highlighted and brought forward.
void visit_anchors(Workspace& ws) {
  InteractiveState state;
  interactive_step(ws, state);
  for (int k = 1; k <= ws.scheme.count; ++k) {
    const PixelPoint p = ws.graphics.world_to_pixel(1, 1, ws.scheme.pick(k).x, ws.scheme.pick(k).y);
    mouse_handler(ws.graphics, ws.scheme.input, p.x, p.y, k % 2);
    interactive_step(ws, state);
  }
  ws.scheme.input.open_request.store(1, std::memory_order_relaxed);
  interactive_step(ws, state);  // closes the windows
}

// Every file the reader accepts writes back to its own bytes, and a value written into it reads
// back as written. A failure stops the run as a crash would.
void check_write_back(std::string_view bytes) {
  const SchemeDocument document = SchemeDocument::parse(bytes, std::string(kLabel));
  if (document.bytes() != bytes) __builtin_trap();
  if (document.element(1).parameter_count() < 1) return;
  constexpr float kWritten = -1.25e-3f;
  const SchemeDocument changed = document.with_slot(1, 3, kWritten);  // throws only on a fault
  const SchemeFile again = parse_scheme(changed.bytes(), kLabel);
  if (again.elements[0].slot(3) != kWritten || again.count != document.count()) __builtin_trap();
}

}  // namespace

bool run_scheme(std::string_view bytes) {
  SchemeFile file;
  try {
    file = parse_scheme(bytes, kLabel);
  } catch (const SchemeError&) {
    return false;
  }
  check_write_back(bytes);
  try {
    check_scheme(file, kLabel);
  } catch (const SchemeError&) {
    return false;
  }
  cap_work(file);

  Shared& s = shared();
  auto scheme = std::make_unique<Scheme>();
  auto graphics = std::make_unique<Graphics>(s.display);
  DiagnosticsLog log(s.display.log_path_for(std::string(kLabel)), nullptr);
  Workspace ws{*graphics, *scheme, log, &s.pool};
  install_scheme(file, std::string(kLabel), *scheme);
  log.restart(scheme_echo_lines(file));
  append_scheme_listing(*scheme, log);

  s.rays.count = 0;
  prepare_scheme(ws);
  for (int k = 1; k <= scheme->count; ++k) trace_element(ws, scheme->element(k), s.rays, k);
  // The cylindrical lens is outlined only here
  for (int k = 1; k <= scheme->count; ++k) {
    prepare_element(ws, scheme->element(k), k, kOutlineOnly);
  }
  visit_anchors(ws);
  return true;
}

}  // namespace lumi::fuzz
