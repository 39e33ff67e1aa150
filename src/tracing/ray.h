// The ray record and the ray bundle: one million records allocated once at start and never
// reallocated; the source refills it and every later element changes the rays in place.
#pragma once

#include <type_traits>

#include "tracing/lane_math.h"
#include "tracing/zeroed_pages.h"

namespace lumi {

struct Ray {
  double x = 0, y = 0, z = 0;
  double dir_x = 0, dir_y = 0, dir_z = 0;
  double reserved = 0;    // set to 1.0 by the source; nothing reads it
  double wavelength = 0;  // in the units of the source's wavelength slots
  double path = 0;        // accumulated path length
  double alive = 0;       // 1.0 while the ray travels, 0.0 once it is lost

  bool is_alive() const { return alive != 0.0; }
};
static_assert(sizeof(Ray) == 80);
// Zero bytes are a ray as default-initialised, so the bundle can come zeroed from the system
static_assert(std::is_trivially_copyable_v<Ray> && std::is_aggregate_v<Ray>);

using Vec3 = Vec3Of<double>;

inline Vec3 position_of(const Ray& r) { return {r.x, r.y, r.z}; }
inline Vec3 direction_of(const Ray& r) { return {r.dir_x, r.dir_y, r.dir_z}; }
inline void set_position(Ray& r, const Vec3& p) {
  r.x = p.x;
  r.y = p.y;
  r.z = p.z;
}
inline void set_direction(Ray& r, const Vec3& d) {
  r.dir_x = d.x;
  r.dir_y = d.y;
  r.dir_z = d.z;
}

class RayBundle {
 public:
  static constexpr int kCapacity = 1'000'000;

  // The records come zeroed from the system in 2 MB pages (see ZeroedPages), handed over only as
  // rays are written, so a scheme of a few rays does not pay for writing 80 MB at start.
  RayBundle() : memory_(std::size_t{kCapacity} * sizeof(Ray)), rays_(memory_.as<Ray>()) {}

  // The rays in use, 0-based: ray record i + 1 of the scheme's numbering.
  Ray* begin() { return rays_; }
  Ray* end() { return rays_ + count; }
  Ray& operator[](int i) { return rays_[static_cast<std::size_t>(i)]; }
  const Ray& operator[](int i) const { return rays_[static_cast<std::size_t>(i)]; }

  int count = 0;  // the ray count; only the source writes it

 private:
  ZeroedPages memory_;
  Ray* rays_;
};

}  // namespace lumi
