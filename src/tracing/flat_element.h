// The tracing loop shared by the flat elements (diaphragms, flat mirror, grating): each live ray is
// intersected with the element's plane, its segment up to the hit is drawn in the scheme window,
// the ray is moved onto the plane, and the element decides what happens at the hit. The element's
// part is passed as inline callables, so the per-ray path has no indirect calls of its own.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>
#include <type_traits>
#include <utility>

#include "graphics/graphics.h"
#include "model/numeric.h"
#include "tracing/ray.h"
#include "tracing/sweep_pool.h"

namespace lumi {

// Rays with |N·dir| below this run parallel to the plane and are lost. It is the single-precision
// value of 1e-10 (slightly above 1e-10), held as a double.
inline constexpr double kParallelLimit = static_cast<double>(1e-10f);

// The plane N·P + c = 0 through the element's centre (Xo, Yo, 0).
struct FlatPlane {
  double nx = 0.0, ny = 0.0, nz = 0.0;
  double c = 0.0;
};

inline FlatPlane flat_plane(double nx, double ny, double nz, double xo, double yo) {
  return {nx, ny, nz, -(xo * nx + yo * ny)};
}

// Whether a plane that lies behind the ray (t < 0 in single precision) stops it. Mirrors and
// gratings meet their plane in either direction and move the ray back to it.
enum class BehindRay { kMet, kStops };

// sigma * |magnitude|, sigma = -1 when `difference` is negative (-0.0 included), +1 otherwise: the
// signed transverse coordinate of a hit mark.
inline double signed_by(double difference, double magnitude) {
  return std::signbit(difference) ? -std::abs(magnitude) : std::abs(magnitude);
}

inline bool same_bits(double a, double b) {
  return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// A square root that remembers its last argument and result: a parallel beam repeats the argument
// from ray to ray, and the same argument, bit for bit, gives the same result.
class RepeatedRoot {
 public:
  double of(double v) {
    if (!known_ || !same_bits(v, v_)) {
      v_ = v;
      value_ = std::sqrt(v);
      known_ = true;
    }
    return value_;
  }

 private:
  double v_ = 0.0, value_ = 0.0;
  bool known_ = false;
};

// How a ray meets the plane apart from its height, kept for the rays after it. A ray of a parallel
// beam that starts where the ray before it started, in the same direction, meets an upright plane
// (N_z = 0) at the same t and the same (x, y), whatever its z: N_z·z is a zero then, whose sign
// (that of z) matters only to a zero sum and is part of the comparison.
class PlaneCrossing {
 public:
  PlaneCrossing(const FlatPlane& plane, BehindRay behind)
      : plane_(plane), behind_(behind), upright_(plane.nz == 0.0) {}

  // Works out the crossing for the ray unless the last one holds for it too; true when worked
  // out anew.
  bool follow(const Ray& ray) {
    if (known_ && upright_ && std::isfinite(ray.z) && std::signbit(ray.z) == z_negative_ &&
        same_bits(ray.x, x_) && same_bits(ray.y, y_) && same_bits(ray.dir_x, dir_x_) &&
        same_bits(ray.dir_y, dir_y_) && same_bits(ray.dir_z, dir_z_)) {
      return false;
    }
    work_out(ray);
    return true;
  }

  // The ray runs parallel to the plane, or meets it behind where that stops it.
  bool lost() const { return lost_; }
  double t() const { return t_; }
  double hit_x() const { return hit_x_; }
  double hit_y() const { return hit_y_; }
  // The segment from the ray's start to the hit, in single precision.
  float x0() const { return x0_; }
  float y0() const { return y0_; }
  float x1() const { return x1_; }
  float y1() const { return y1_; }

 private:
  void work_out(const Ray& ray) {
    known_ = true;
    x_ = ray.x;
    y_ = ray.y;
    dir_x_ = ray.dir_x;
    dir_y_ = ray.dir_y;
    dir_z_ = ray.dir_z;
    z_negative_ = std::signbit(ray.z);

    // Parallel rays never meet the plane
    const FlatPlane& p = plane_;
    const double b = p.nx * ray.dir_x + p.ny * ray.dir_y + p.nz * ray.dir_z;
    lost_ = std::abs(b) < kParallelLimit;
    if (lost_) return;
    t_ = -(p.nx * ray.x + p.c + p.ny * ray.y + p.nz * ray.z) / b;
    lost_ = behind_ == BehindRay::kStops && to_single(t_) < 0.0f;
    if (lost_) return;

    hit_x_ = ray.x + t_ * ray.dir_x;
    hit_y_ = ray.y + t_ * ray.dir_y;
    x0_ = to_single(ray.x);
    y0_ = to_single(ray.y);
    x1_ = to_single(hit_x_);
    y1_ = to_single(hit_y_);
  }

  FlatPlane plane_;
  BehindRay behind_;
  bool upright_;
  bool known_ = false;
  double x_ = 0.0, y_ = 0.0, dir_x_ = 0.0, dir_y_ = 0.0, dir_z_ = 0.0;
  bool z_negative_ = false;
  bool lost_ = false;
  double t_ = 0.0, hit_x_ = 0.0, hit_y_ = 0.0;
  float x0_ = 0.0f, y0_ = 0.0f, x1_ = 0.0f, y1_ = 0.0f;
};

// Traces every live ray onto the plane and returns how many were drawn (rays that reached it,
// stopped ones included). The element's part comes in three pieces:
//   on_hit(ray) runs once the ray has been moved to the hit and its path extended: it makes the
//     aperture test, stops or turns the ray, and returns what the hit mark needs (a record of its
//     own, comparable with ==). It is copied for every block of rays and the copies may run at
//     once on the pool's threads, so what it remembers from ray to ray must be captured by value
//     and it must draw nothing;
//   before_segment() runs before each segment is drawn (the diaphragms select the scheme window and
//     colour 1 there);
//   draw_mark(mark) draws the hit mark in the element's window, mark_window.
// The rays go in blocks: first the arithmetic of the blocks of a round, spread over the pool when
// there is one, then their drawing on this thread, ray by ray in order: each segment, then its hit
// mark. When the marks have a window of their own, a ray whose segment and mark repeat those of the
// ray drawn before it is not drawn again: the same drawing once more would change neither a pixel
// nor any colour or window choice.
template <class OnHit, class BeforeSegment, class DrawMark>
int trace_flat(Graphics& g, SweepPool* pool, RayBundle& rays, const FlatPlane& plane,
               BehindRay behind, int mark_window, const OnHit& on_hit,
               BeforeSegment&& before_segment, DrawMark&& draw_mark) {
  using Mark = std::invoke_result_t<OnHit&, Ray&>;
  struct Drawing {
    float x0, y0, x1, y1;  // the segment
    PixelPoint from, to;   // its ends in the scheme window
    Mark mark;
    bool operator==(const Drawing&) const = default;
  };
  static_assert(std::is_trivially_copyable_v<Drawing>);
  constexpr std::ptrdiff_t kBlock = 256;
  const bool skip_repeats = mark_window != 1;

  // What a block leaves for drawing: its drawings, repeats within the block left out, and how
  // many of its rays reached the plane.
  struct BlockResult {
    int count = 0;
    int drawn = 0;
  };
  const ViewMapping scheme_view = g.mapping(1, 1);
  const auto trace_block = [&](Ray* const first, Ray* const last, Drawing* drawings) {
    OnHit hit = on_hit;
    PlaneCrossing crossing(plane, behind);
    PointMapper start_pixel(scheme_view), end_pixel(scheme_view);
    BlockResult result;
    // Whether the crossing has been worked out anew since the last drawing kept: only then can
    // the segment differ
    bool crossing_moved = true;
    for (Ray* ray = first; ray < last; ++ray) {
      if (ray->alive == 0.0) continue;
      crossing_moved |= crossing.follow(*ray);
      if (crossing.lost()) {
        ray->alive = 0.0;
        continue;
      }
      const double t = crossing.t();
      ray->x = crossing.hit_x();
      ray->y = crossing.hit_y();
      ray->z = ray->z + t * ray->dir_z;
      ray->path += t;
      ++result.drawn;
      const Mark mark = hit(*ray);

      if (skip_repeats && result.count > 0) {
        const Drawing& kept = drawings[result.count - 1];
        if (mark == kept.mark &&
            (!crossing_moved || (crossing.x0() == kept.x0 && crossing.y0() == kept.y0 &&
                                 crossing.x1() == kept.x1 && crossing.y1() == kept.y1))) {
          continue;
        }
      }
      const float x0 = crossing.x0(), y0 = crossing.y0(), x1 = crossing.x1(), y1 = crossing.y1();
      drawings[result.count++] = {x0, y0, x1, y1, start_pixel(x0, y0), end_pixel(x1, y1), mark};
      crossing_moved = false;
    }
    return result;
  };

  // A round is one block, or as many as the pool's scratch memory holds results for
  constexpr std::ptrdiff_t kMaxRound = 512;
  Drawing own[kBlock];
  Drawing* buffer = own;
  std::ptrdiff_t round_blocks = 1;
  const std::ptrdiff_t blocks = (rays.count + kBlock - 1) / kBlock;
  if (pool != nullptr && pool->helpers() > 0 && blocks > 1) {
    const std::span<std::byte> scratch = pool->scratch();
    static_assert(alignof(Drawing) <= alignof(std::max_align_t));
    buffer = reinterpret_cast<Drawing*>(scratch.data());
    round_blocks = std::min<std::ptrdiff_t>(
        kMaxRound, static_cast<std::ptrdiff_t>(scratch.size() / (kBlock * sizeof(Drawing))));
  }
  BlockResult results[kMaxRound];

  Drawing last{};
  bool drawn_any = false;
  int drawn = 0;
  for (std::ptrdiff_t round = 0; round < blocks; round += round_blocks) {
    const int in_round = static_cast<int>(std::min(round_blocks, blocks - round));
    auto block_task = [&](int b) {
      Ray* const first = rays.begin() + (round + b) * kBlock;
      Ray* const end = first + std::min(kBlock, rays.end() - first);
      results[b] = trace_block(first, end, buffer + b * kBlock);
    };
    if (pool == nullptr || in_round == 1) {
      for (int b = 0; b < in_round; ++b) block_task(b);
    } else {
      pool->run(in_round, block_task);
    }

    // Drawing, in ray order: the segment up to the hit in the scheme window, then the mark. The
    // first drawing of a block may repeat the last one of the block before.
    for (int b = 0; b < in_round; ++b) {
      drawn += results[b].drawn;
      const Drawing* const drawings = buffer + b * kBlock;
      for (int i = 0; i < results[b].count; ++i) {
        const Drawing& d = drawings[i];
        if (i == 0 && skip_repeats && drawn_any && d == last) continue;
        before_segment();
        g.draw_segment(1, 1, d.x0, d.y0, d.x1, d.y1, d.from, d.to);
        draw_mark(std::as_const(d.mark));
        last = d;
        drawn_any = true;
      }
    }
  }
  return drawn;
}

}  // namespace lumi
