// What the tracing of a scheme learns besides its drawing, as plain data for whatever reads it
// after the run (the report, the hit tables, the through-focus chart): the count each element logs,
// the spot statistics of every shift of a focal plane with its best focus, and, when asked for,
// the hits each element marks in its window. Storage is made before the tracing pass (start and
// the preparation routines), so tracing itself allocates nothing.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace lumi {

// One shift of a focal plane: the extents as the log has them (single precision) and the
// statistics of the same hits in double precision: their number, centroid (cu, cz) and RMS radius
// about it. cu, cz and rms are NaN when no ray met the plane.
struct ShiftStats {
  float d = 0.0f;
  float dx = 0.0f, dy = 0.0f, max = 0.0f;
  int n = 0;
  double cu = 0.0, cz = 0.0, rms = 0.0;
};

// The hit of ray `ray` (0-based place in the bundle) as an element's window marks it, kept in the
// slot of that ray; `sweep` tells which sweep wrote the slot, so slots are never cleared.
struct HitSlot {
  std::uint32_t sweep = 0;
  float u = 0.0f, v = 0.0f;
  bool passed = false;
};

// An element's hits: those of one sweep in `slots`; an element that marks two sweeps in its
// window (the lens' two surfaces) keeps the first in `spare`, in the same ray's row before the
// second. A focal plane sweeps each shift into `spare` and keeps the best shift's in `slots`.
struct HitRecord {
  std::vector<HitSlot> slots;  // one per ray of the bundle
  std::vector<HitSlot> spare;
  std::uint32_t sweep = 0;        // the sweep whose hits `slots` holds; 0 = none
  std::uint32_t spare_sweep = 0;  // the sweep whose hits `spare` holds for the rows; 0 = none
};

struct FocusSweep {
  int k = 0;
  std::vector<ShiftStats> shifts;
  // Indexes into shifts of the first smallest rms and of the first smallest logged MAX(dX, dY);
  // none when no shift has a number there.
  std::optional<int> best_rms, best_max;
};

struct TraceResults {
  // Restarts for a scheme of `elements` elements; with `hits`, room for the hits of `rays` rays
  // is made as each element is prepared.
  void start(int elements, bool hits, int rays);

  int element_count = 0;
  std::vector<std::optional<int>> counts;  // the count each element logged, by k - 1
  std::vector<FocusSweep> focus;           // one per traced focal plane, in scheme order
  std::vector<HitRecord> hits;             // by k - 1; empty unless hits are collected
  bool collect_hits = false;
  int hit_capacity = 0;
  std::uint32_t sweeps = 0;  // sweeps that recorded hits so far in this run
  int tracing = 0;           // the element being traced, for its count

  FocusSweep* focus_of(int k);
  // The hit record of element k, or null when hits are not collected.
  HitRecord* hits_of(int k);
  // Makes room for the hits of element k, with a spare set for a focal plane's shifts or the
  // lens' first surface.
  void make_hit_room(int k, bool spare);
  void reserve_shifts(int k, int shifts);
};

// Appends the statistics of the sweep's next shift and updates its best focus by rms and by
// MAX(dX, dY), the first of equals; NaN and shifts that no ray met take no part. True when the
// shift became the best by rms.
bool add_shift(FocusSweep& sweep, const ShiftStats& stats);

}  // namespace lumi
