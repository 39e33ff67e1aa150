// The rows of a hit record: the slots its sweep wrote, in ray order.
#include "tracing/hit_rows.h"

#include <algorithm>

namespace lumi {

std::vector<HitRow> hit_rows(const HitRecord& record, const RayBundle& rays) {
  std::vector<HitRow> rows;
  if (record.sweep == 0) return rows;
  const int n = std::min(rays.count, static_cast<int>(record.slots.size()));
  for (int i = 0; i < n; ++i) {
    const HitSlot& slot = record.slots[static_cast<std::size_t>(i)];
    if (slot.sweep != record.sweep) continue;
    rows.push_back({i + 1, slot.u, slot.v, rays[i].wavelength, slot.passed});
  }
  return rows;
}

}  // namespace lumi
