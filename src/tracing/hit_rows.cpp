// The rows of a hit record: the slots its sweep wrote, in ray order.
#include "tracing/hit_rows.h"

#include <algorithm>

namespace lumi {

std::vector<HitRow> hit_rows(const HitRecord& record, const RayBundle& rays) {
  std::vector<HitRow> rows;
  if (record.sweep == 0 && record.spare_sweep == 0) return rows;
  const int n = std::min(rays.count, static_cast<int>(record.slots.size()));
  const bool first = record.spare_sweep != 0 && record.spare.size() == record.slots.size();
  const auto row = [&](const HitSlot& slot, std::uint32_t sweep, int i) {
    if (sweep != 0 && slot.sweep == sweep) {
      rows.push_back({i + 1, slot.u, slot.v, rays[i].wavelength, slot.passed});
    }
  };
  for (int i = 0; i < n; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (first) row(record.spare[at], record.spare_sweep, i);
    row(record.slots[at], record.sweep, i);
  }
  return rows;
}

}  // namespace lumi
