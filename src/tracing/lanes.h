// Several rays at a time in vector registers, for sweeps over rays that all differ (converging and
// diverging beams, where no memo helps): the divisions and square roots of several rays go through
// the divider side by side, where one ray's chain would leave it waiting on itself. Four rays fill
// the 256-bit registers of AVX2, eight the 512-bit ones of AVX-512.
//
// An element's arithmetic is written once, as a step over one ray's numbers or N rays' lanes
// (lane_math.h); what is here moves rays in and out of lanes and maps their hits to pixels. It is
// compiled for AVX2 (LUMI_LANES) and runs inlined into the two entries of a sweep (ray_sweep.h):
// one compiled for AVX2 with N = 4, one for AVX-512 with N = 8, where the same vector code takes
// the wider registers. An entry runs only where the processor has its instructions
// (Workspace::lanes); elsewhere the same steps run one ray at a time.
#pragma once

#include <immintrin.h>

#include <cstddef>
#include <type_traits>

#include "graphics/graphics.h"
#include "tracing/lane_math.h"
#include "tracing/ray.h"

namespace lumi {

#define LUMI_LANES_ATTRIBUTES __attribute__((target("avx2"), always_inline))
#define LUMI_LANES LUMI_LANES_ATTRIBUTES inline
#define LUMI_AVX2_ENTRY __attribute__((target("avx2"), noinline))
#define LUMI_AVX512_ENTRY __attribute__((target("avx2,avx512f,avx512dq,avx512vl"), noinline))

// How many rays a sweep may work on at once on this processor: 8, 4, or 1 (one at a time).
inline int widest_lanes() {
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
      __builtin_cpu_supports("avx512vl")) {
    return 8;
  }
  return __builtin_cpu_supports("avx2") ? 4 : 1;
}

// The lane count of a sweep's entry, passed down to the code on lanes.
template <int N>
using LaneCount = std::integral_constant<int, N>;

// Whether a group of `count` rays fills the lanes and the mask says yes in every one of them.
template <class M>
LUMI_LANES bool full_and_every_lane(int count, M m) {
  return count == lanes_of<M> && !any_lane(~m);
}

// Pixels of 2N coordinates of one axis of a view at once: ViewMapping::x() or y() on each.
// Only for an axis whose edges are exact.
template <class S>
LUMI_LANES auto map_to_pixels(const ViewMapping::Axis& a, S v) {
  using Ints = typename LaneTypes<sizeof(S) / 8>::PairInts;
  const S q = (v - a.min) / a.range * a.size;
  const S p = a.origin + a.turn * q + 0.5f;
  const S raised = p > a.low ? p : a.low;
  return __builtin_convertvector(raised < a.high ? raised : a.high, Ints);
}

// Two sets of N lanes side by side, rounded to single precision.
template <class V>
LUMI_LANES auto singles_of(V low, V high) {
  using Singles = typename LaneTypes<lanes_of<V>>::Singles;
  const Singles l = __builtin_convertvector(low, Singles);
  const Singles h = __builtin_convertvector(high, Singles);
  if constexpr (lanes_of<V> == 4) {
    return __builtin_shufflevector(l, h, 0, 1, 2, 3, 4, 5, 6, 7);
  } else {
    return __builtin_shufflevector(l, h, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  }
}

// Up to N rays, a lane each; lanes past `count` repeat the last ray, so their arithmetic is as
// good as any and their results are dropped.
template <int N>
struct RayLanes {
  Ray* rays[N];
  int count;
  Vec3Lanes<N> position, direction;
  Lanes<N> wavelength;
};

// Four rows of four doubles turned into four lanes: lane j holds element j of every row.
LUMI_LANES void transpose(const __m256d (&row)[4], __m256d (&lane)[4]) {
  // (a0 b0 a2 b2), (a1 b1 a3 b3) from rows a, b and the same from c, d, then halves joined
  const __m256d even_ab = _mm256_unpacklo_pd(row[0], row[1]);
  const __m256d odd_ab = _mm256_unpackhi_pd(row[0], row[1]);
  const __m256d even_cd = _mm256_unpacklo_pd(row[2], row[3]);
  const __m256d odd_cd = _mm256_unpackhi_pd(row[2], row[3]);
  lane[0] = _mm256_permute2f128_pd(even_ab, even_cd, 0x20);
  lane[1] = _mm256_permute2f128_pd(odd_ab, odd_cd, 0x20);
  lane[2] = _mm256_permute2f128_pd(even_ab, even_cd, 0x31);
  lane[3] = _mm256_permute2f128_pd(odd_ab, odd_cd, 0x31);
}

// The lanes read a ray's record as two rows of four numbers, (x, y, z, dir_x) and (dir_y, dir_z,
// reserved, wavelength), and write back the first row and the front of the second.
static_assert(offsetof(Ray, dir_x) == 3 * sizeof(double) &&
              offsetof(Ray, dir_y) == 4 * sizeof(double) &&
              offsetof(Ray, dir_z) == 5 * sizeof(double) &&
              offsetof(Ray, wavelength) == 7 * sizeof(double));

// Four rays' records turned into lanes by a transposition of their rows: lanes filled one number
// at a time would be written to memory and read back whole, which stalls the read.
LUMI_LANES void load_quad(Ray* const* rays, Vec3Lanes<4>& position, Vec3Lanes<4>& direction,
                          Lanes<4>& wavelength) {
  __m256d front[4], back[4];
  for (int i = 0; i < 4; ++i) {
    front[i] = _mm256_loadu_pd(&rays[i]->x);
    back[i] = _mm256_loadu_pd(&rays[i]->dir_y);
  }
  __m256d lane[4];
  transpose(front, lane);
  position = {lane[0], lane[1], lane[2]};
  direction.x = lane[3];
  transpose(back, lane);
  direction.y = lane[0];
  direction.z = lane[1];
  wavelength = lane[3];
}

// Four rays' positions and directions written back from lanes, by the transposition that
// loaded them: two stores per ray rather than six numbers taken out of the lanes one by one.
LUMI_LANES void store_quad(Ray* const* rays, const Vec3Lanes<4>& position,
                           const Vec3Lanes<4>& direction) {
  const __m256d lane[4] = {position.x, position.y, position.z, direction.x};
  __m256d row[4];
  transpose(lane, row);
  const __m256d even = _mm256_unpacklo_pd(direction.y, direction.z);  // rays 0 and 2
  const __m256d odd = _mm256_unpackhi_pd(direction.y, direction.z);   // rays 1 and 3
  const __m128d tail[4] = {_mm256_castpd256_pd128(even), _mm256_castpd256_pd128(odd),
                           _mm256_extractf128_pd(even, 1), _mm256_extractf128_pd(odd, 1)};
  for (int i = 0; i < 4; ++i) {
    _mm256_storeu_pd(&rays[i]->x, row[i]);
    _mm_storeu_pd(&rays[i]->dir_y, tail[i]);
  }
}

LUMI_LANES Lanes<8> joined(Lanes<4> low, Lanes<4> high) {
  return __builtin_shufflevector(low, high, 0, 1, 2, 3, 4, 5, 6, 7);
}

LUMI_LANES Vec3Lanes<8> joined(const Vec3Lanes<4>& low, const Vec3Lanes<4>& high) {
  return {joined(low.x, high.x), joined(low.y, high.y), joined(low.z, high.z)};
}

// Four of eight lanes, chosen by their numbers.
template <int... Lane>
LUMI_LANES Vec3Lanes<4> lanes_of_eight(const Vec3Lanes<8>& v) {
  return {__builtin_shufflevector(v.x, v.x, Lane...), __builtin_shufflevector(v.y, v.y, Lane...),
          __builtin_shufflevector(v.z, v.z, Lane...)};
}

template <int N>
LUMI_LANES RayLanes<N> load_lanes(Ray* const* rays, int count) {
  RayLanes<N> r;
  r.count = count;
  for (int i = 0; i < N; ++i) r.rays[i] = rays[i < count ? i : count - 1];
  if constexpr (N == 4) {
    load_quad(r.rays, r.position, r.direction, r.wavelength);
  } else {
    Vec3Lanes<4> position[2], direction[2];
    Lanes<4> wavelength[2];
    load_quad(r.rays, position[0], direction[0], wavelength[0]);
    load_quad(r.rays + 4, position[1], direction[1], wavelength[1]);
    r.position = joined(position[0], position[1]);
    r.direction = joined(direction[0], direction[1]);
    r.wavelength = joined(wavelength[0], wavelength[1]);
  }
  return r;
}

// N rays' positions and directions written back from lanes.
template <class V>
LUMI_LANES void store_rays(Ray* const* rays, const Vec3Of<V>& position,
                           const Vec3Of<V>& direction) {
  constexpr int N = lanes_of<V>;
  if constexpr (N == 4) {
    store_quad(rays, position, direction);
  } else {
    store_quad(rays, lanes_of_eight<0, 1, 2, 3>(position), lanes_of_eight<0, 1, 2, 3>(direction));
    store_quad(rays + 4, lanes_of_eight<4, 5, 6, 7>(position),
               lanes_of_eight<4, 5, 6, 7>(direction));
  }
}

// N records of eight 32-bit fields made on lanes, as columns (field k of every record in
// column[k]), turned into rows to be written whole: one 32-byte store per record, where each
// field taken out of its lane on its own costs an instruction or two and a store.
template <int N>
LUMI_LANES void rows_of_columns(const IntLanes<N> (&column)[8], __m256i (&row)[N]) {
  if constexpr (N == 4) {
    // Columns k and k + 4 side by side, then each half transposed as four rows of four
    __m256i joined[4];
    for (int k = 0; k < 4; ++k) {
      joined[k] = _mm256_set_m128i(__m128i(column[k + 4]), __m128i(column[k]));
    }
    const __m256i low01 = _mm256_unpacklo_epi32(joined[0], joined[1]);
    const __m256i high01 = _mm256_unpackhi_epi32(joined[0], joined[1]);
    const __m256i low23 = _mm256_unpacklo_epi32(joined[2], joined[3]);
    const __m256i high23 = _mm256_unpackhi_epi32(joined[2], joined[3]);
    row[0] = _mm256_unpacklo_epi64(low01, low23);
    row[1] = _mm256_unpackhi_epi64(low01, low23);
    row[2] = _mm256_unpacklo_epi64(high01, high23);
    row[3] = _mm256_unpackhi_epi64(high01, high23);
  } else {
    // Pairs of columns interleaved, then pairs of pairs, then halves joined
    __m256i pairs[8], quads[8];
    for (int k = 0; k < 8; k += 2) {
      pairs[k] = _mm256_unpacklo_epi32(__m256i(column[k]), __m256i(column[k + 1]));
      pairs[k + 1] = _mm256_unpackhi_epi32(__m256i(column[k]), __m256i(column[k + 1]));
    }
    for (int k = 0; k < 8; k += 4) {
      quads[k] = _mm256_unpacklo_epi64(pairs[k], pairs[k + 2]);
      quads[k + 1] = _mm256_unpackhi_epi64(pairs[k], pairs[k + 2]);
      quads[k + 2] = _mm256_unpacklo_epi64(pairs[k + 1], pairs[k + 3]);
      quads[k + 3] = _mm256_unpackhi_epi64(pairs[k + 1], pairs[k + 3]);
    }
    for (int i = 0; i < 4; ++i) {
      row[i] = _mm256_permute2x128_si256(quads[i], quads[i + 4], 0x20);
      row[i + 4] = _mm256_permute2x128_si256(quads[i], quads[i + 4], 0x31);
    }
  }
}

// Which of N records made on lanes repeat the record in the lane before, comparing the first
// `fields` columns: bit i for record i (bit 0 clear, the lane before it being elsewhere).
template <int N>
LUMI_LANES unsigned repeats_of_lane_before(const IntLanes<N> (&column)[8], int fields) {
  IntLanes<N> same = ~IntLanes<N>{};
  for (int k = 0; k < fields; ++k) {
    IntLanes<N> before;
    if constexpr (N == 4) {
      before = __builtin_shufflevector(column[k], column[k], 0, 0, 1, 2);
    } else {
      before = __builtin_shufflevector(column[k], column[k], 0, 0, 1, 2, 3, 4, 5, 6);
    }
    same &= column[k] == before;
  }
  unsigned bits;
  if constexpr (N == 4) {
    bits = static_cast<unsigned>(_mm_movemask_ps(__m128(same)));
  } else {
    bits = static_cast<unsigned>(_mm256_movemask_ps(__m256(same)));
  }
  return bits & ~1u;
}

// The views a ray's crossing of an element is drawn in: its segment in the scheme window's, its
// mark in the element window's.
struct LaneViews {
  ViewMapping::Axis segment_x, segment_y, mark_x, mark_y;

  bool exact() const { return segment_x.exact && segment_y.exact && mark_x.exact && mark_y.exact; }
};

inline LaneViews lane_views(const Graphics& g, int element_window) {
  const ViewMapping scheme = g.mapping(1, 1), element = g.mapping(element_window, 1);
  return {scheme.x_axis(), scheme.y_axis(), element.x_axis(), element.y_axis()};
}

// The pixels of N rays' segments and marks.
template <int N>
struct HitPixels {
  using Ints = typename LaneTypes<N>::PairInts;
  Ints x, y;  // the segments' starts in lanes 0..N-1, their ends in lanes N..2N-1
  Ints mark_x, mark_y;

  PixelPoint from(int i) const { return {x[i], y[i]}; }
  PixelPoint to(int i) const { return {x[i + N], y[i + N]}; }
  PixelPoint mark(int i) const { return {mark_x[i], mark_y[i]}; }

  // One coordinate of every lane: the starts' (lanes 0..N-1 of a pair) or the ends'.
  LUMI_LANES_ATTRIBUTES static IntLanes<N> starts(Ints pair) {
    if constexpr (N == 4) {
      return __builtin_shufflevector(pair, pair, 0, 1, 2, 3);
    } else {
      return __builtin_shufflevector(pair, pair, 0, 1, 2, 3, 4, 5, 6, 7);
    }
  }
  LUMI_LANES_ATTRIBUTES static IntLanes<N> ends(Ints pair) {
    if constexpr (N == 4) {
      return __builtin_shufflevector(pair, pair, 4, 5, 6, 7);
    } else {
      return __builtin_shufflevector(pair, pair, 8, 9, 10, 11, 12, 13, 14, 15);
    }
  }
};

// Maps segments from `start` to `hit` in the scheme view and marks (u, v) in the element's, each
// coordinate rounded to single precision first, as the one-ray code does.
template <class V>
LUMI_LANES HitPixels<lanes_of<V>> map_hits(const LaneViews& views, const Vec3Of<V>& start,
                                           const Vec3Of<V>& hit, V u, V v) {
  return {map_to_pixels(views.segment_x, singles_of(start.x, hit.x)),
          map_to_pixels(views.segment_y, singles_of(start.y, hit.y)),
          map_to_pixels(views.mark_x, singles_of(u, u)),
          map_to_pixels(views.mark_y, singles_of(v, v))};
}

}  // namespace lumi
