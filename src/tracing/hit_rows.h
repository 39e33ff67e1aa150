// The hits an element's window marked in the last sweep that kept them (for a focal plane, its
// best shift by rms; for the lens, each ray's entry then its exit), one row per hit in ray order,
// with the ray's wavelength from the bundle (no element changes it).
#pragma once

#include <vector>

#include "model/trace_results.h"
#include "tracing/ray.h"

namespace lumi {

struct HitRow {
  int ray = 0;  // the ray's number in the bundle, from 1
  float u = 0.0f, v = 0.0f;
  double wavelength = 0.0;
  bool passed = false;
};

std::vector<HitRow> hit_rows(const HitRecord& record, const RayBundle& rays);

}  // namespace lumi
