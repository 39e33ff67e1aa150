// The results of a traced scheme: storage made ahead of tracing, and the best focus.
#include "model/trace_results.h"

#include <algorithm>
#include <cmath>

namespace lumi {

namespace {

// The longest run of shifts whose statistics get room ahead of tracing: a scheme with a finer step
// still gets every shift's, at the cost of growing the list while it is traced.
constexpr int kReservedShifts = 1 << 16;

}  // namespace

void TraceResults::start(int elements, bool collect, int rays) {
  element_count = elements;
  counts.assign(static_cast<std::size_t>(std::max(elements, 0)), std::nullopt);
  focus.clear();
  collect_hits = collect;
  hit_capacity = rays;
  hits.clear();
  if (collect) hits.resize(counts.size());
  tracing = 0;
}

FocusSweep* TraceResults::focus_of(int k) {
  for (FocusSweep& f : focus) {
    if (f.k == k) return &f;
  }
  return nullptr;
}

HitRecord* TraceResults::hits_of(int k) {
  if (!collect_hits || k < 1 || k > static_cast<int>(hits.size())) return nullptr;
  HitRecord& record = hits[static_cast<std::size_t>(k - 1)];
  return record.slots.empty() ? nullptr : &record;
}

void TraceResults::make_hit_room(int k, bool spare) {
  if (!collect_hits || k < 1 || k > static_cast<int>(hits.size())) return;
  HitRecord& record = hits[static_cast<std::size_t>(k - 1)];
  const auto size = static_cast<std::size_t>(std::max(hit_capacity, 1));
  record.slots.assign(size, HitSlot{});
  if (spare) record.spare.assign(size, HitSlot{});
  record.sweep = 0;
  record.spare_sweep = 0;
}

void TraceResults::reserve_shifts(int k, int shifts) {
  FocusSweep* sweep = focus_of(k);
  if (sweep == nullptr) {
    focus.push_back({});
    sweep = &focus.back();
    sweep->k = k;
  }
  sweep->shifts.clear();
  sweep->shifts.reserve(static_cast<std::size_t>(std::clamp(shifts, 0, kReservedShifts)));
  sweep->best_rms.reset();
  sweep->best_max.reset();
}

// A shift that no ray met has no spot (its logged extents are -2e20) and is nobody's best.
bool add_shift(FocusSweep& sweep, const ShiftStats& stats) {
  sweep.shifts.push_back(stats);
  if (stats.n == 0) return false;
  const int i = static_cast<int>(sweep.shifts.size()) - 1;
  const auto at = [&](int j) -> const ShiftStats& {
    return sweep.shifts[static_cast<std::size_t>(j)];
  };
  if (!std::isnan(stats.max) && (!sweep.best_max || stats.max < at(*sweep.best_max).max)) {
    sweep.best_max = i;
  }
  if (std::isnan(stats.rms) || (sweep.best_rms && !(stats.rms < at(*sweep.best_rms).rms))) {
    return false;
  }
  sweep.best_rms = i;
  return true;
}

}  // namespace lumi
