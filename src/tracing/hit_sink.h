// Where an element's sweep puts the hits its window marks when the results keep them: each ray's
// hit in the ray's own slot, stamped with the sweep, so the threads of a sweep write apart and the
// slots are never cleared. Without results the sink takes nothing.
#pragma once

#include <cstdint>

#include "model/trace_results.h"
#include "tracing/ray.h"
#include "tracing/workspace.h"

namespace lumi {

struct HitSink {
  HitSlot* slots = nullptr;
  const Ray* base = nullptr;
  std::uint32_t sweep = 0;

  void put(const Ray& ray, float u, float v, bool passed) const {
    if (slots != nullptr) slots[&ray - base] = {sweep, u, v, passed};
  }
};

// The sink of element k's next sweep over `rays`: into the record's spare slots for a sweep that
// keeps them only when it turns out best (a focal plane's shift), else into its slots, which then
// hold that sweep's hits. An empty sink where the results keep no hits of element k.
inline HitSink hit_sink(Workspace& ws, int k, RayBundle& rays, bool into_spare = false) {
  HitRecord* record = ws.results != nullptr ? ws.results->hits_of(k) : nullptr;
  if (record == nullptr) return {};
  auto& slots = into_spare ? record->spare : record->slots;
  if (slots.size() < static_cast<std::size_t>(rays.count)) return {};
  const std::uint32_t sweep = ++ws.results->sweeps;
  if (!into_spare) record->sweep = sweep;
  return {slots.data(), rays.begin(), sweep};
}

}  // namespace lumi
