// One sweep of an element over the live rays, split in two: the arithmetic of each ray, which may
// run on the pool's threads block by block, and the drawing, on the tracing thread in ray order.
//   compute(ray, record) works on one live ray: it moves, turns or stops it and fills `record`
//     with what drawing the ray needs (pixels already mapped), returning false when the ray draws
//     nothing. It is copied for every block and the copies may run at once, so what it remembers
//     from ray to ray must be its own (captured by value); it must not draw.
//   draw(record) draws one ray's record through Graphics.
// With `skip_repeats`, a record equal to the one drawn just before it is not drawn: the element
// vouches that drawing the same record twice in a row changes neither a pixel nor any state.
#pragma once

#include <algorithm>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "tracing/lanes.h"
#include "tracing/ray.h"
#include "tracing/sweep_pool.h"

namespace lumi {

// What a block of rays leaves for drawing: its records, repeats within the block left out, and
// how many of its rays produced one.
struct SweptBlock {
  int count = 0;
  int produced = 0;
};

// Where the arithmetic of a block puts its records, one ray after another: each is made in the
// slot next() gives and taken, unless it repeats the one before.
template <class Record>
class RecordSink {
 public:
  RecordSink(Record* records, bool skip_repeats) : records_(records), skip_(skip_repeats) {}

  Record& next() { return records_[block_.count]; }
  void take() {
    ++block_.produced;
    if (skip_ && block_.count > 0 && records_[block_.count] == records_[block_.count - 1]) return;
    ++block_.count;
  }
  // next() made and taken: for a record worked out elsewhere.
  void take(const Record& r) {
    next() = r;
    take();
  }
  SweptBlock block() const { return block_; }

 private:
  Record* records_;
  bool skip_;
  SweptBlock block_;
};

// The sweep itself, with the arithmetic of a block of rays given as
// sweep_block(first, end, records) -> SweptBlock, run on copies of it that may run at once.
template <class Record, class SweepBlock, class Draw>
int sweep_blocks(SweepPool* pool, RayBundle& rays, bool skip_repeats,
                 const SweepBlock& sweep_block, Draw&& draw);

// Returns how many rays produced a record (repeats included).
template <class Record, class Compute, class Draw>
int sweep_rays(SweepPool* pool, RayBundle& rays, bool skip_repeats, const Compute& compute,
               Draw&& draw) {
  const auto sweep_block = [&](Ray* const first, Ray* const end, Record* records) {
    Compute work = compute;
    RecordSink<Record> out(records, skip_repeats);
    for (Ray* ray = first; ray < end; ++ray) {
      if (ray->alive == 0.0) continue;
      if (work(*ray, out.next())) out.take();
    }
    return out.block();
  };
  return sweep_blocks<Record>(pool, rays, skip_repeats, sweep_block, std::forward<Draw>(draw));
}

// The arithmetic of one block of rays N at a time, in ray order (see sweep_ray_groups).
template <int N, class Record, class Compute>
LUMI_LANES SweptBlock sweep_groups(const Compute& compute, Ray* const first, Ray* const end,
                                   Record* records, bool skip_repeats) {
  Compute work = compute;
  RecordSink<Record> out(records, skip_repeats);
  Ray* group[N];
  int count = 0;
  for (Ray* ray = first; ray < end; ++ray) {
    if (ray->alive == 0.0) continue;
    group[count++] = ray;
    if (count < N) continue;
    work(LaneCount<N>{}, group, count, out);
    count = 0;
  }
  if (count > 0) work(LaneCount<N>{}, group, count, out);
  return out.block();
}

// The two entries into lanes: the same code, compiled for either instruction set.
template <class Record, class Compute>
LUMI_AVX2_ENTRY SweptBlock sweep_groups_of_4(const Compute& compute, Ray* const first,
                                             Ray* const end, Record* records, bool skip_repeats) {
  return sweep_groups<4>(compute, first, end, records, skip_repeats);
}

template <class Record, class Compute>
LUMI_AVX512_ENTRY SweptBlock sweep_groups_of_8(const Compute& compute, Ray* const first,
                                               Ray* const end, Record* records, bool skip_repeats) {
  return sweep_groups<8>(compute, first, end, records, skip_repeats);
}

// sweep_rays for arithmetic that takes the live rays `lanes` (4 or 8, see widest_lanes) at a time,
// in ray order:
//   compute(LaneCount<N>, rays, count, out) works on rays[0..count) (count <= N, short only at
//     the end of a block) as compute(ray, record) of sweep_rays would on each, putting the records
//     of those that produce one into the RecordSink out, in ray order. It runs inlined into code
//     compiled for the lanes' instruction set, so it carries LUMI_LANES_ATTRIBUTES.
template <class Record, class Compute, class Draw>
int sweep_ray_groups(SweepPool* pool, RayBundle& rays, int lanes, bool skip_repeats,
                     const Compute& compute, Draw&& draw) {
  const auto sweep_block = [&](Ray* const first, Ray* const end, Record* records) {
    return lanes == 8 ? sweep_groups_of_8<Record>(compute, first, end, records, skip_repeats)
                      : sweep_groups_of_4<Record>(compute, first, end, records, skip_repeats);
  };
  return sweep_blocks<Record>(pool, rays, skip_repeats, sweep_block, std::forward<Draw>(draw));
}

template <class Record, class SweepBlock, class Draw>
int sweep_blocks(SweepPool* pool, RayBundle& rays, bool skip_repeats,
                 const SweepBlock& sweep_block, Draw&& draw) {
  static_assert(std::is_trivially_copyable_v<Record>);
  // Blocks of rays: short ones on this thread alone, in a buffer of its own; long ones when
  // helpers share a round, so each thread streams through a long stretch of the bundle
  constexpr std::ptrdiff_t kOwnBlock = 256;
  constexpr std::ptrdiff_t kSharedBlock = 4096;
  static_assert(kSharedBlock * sizeof(Record) <= SweepPool::kLeastRegionBytes,
                "a region of the scratch memory holds the records of a block");

  // A round is one block, or as many as a region of the pool's scratch memory holds records for:
  // the helpers work out the next round in the next region while this thread draws one. The
  // rounds go round all the regions, so a thread writes records where the other thread read them
  // long before, which its cache has let go of by then; writing the lines another core still
  // holds is what costs when two regions take turns.
  constexpr std::ptrdiff_t kMaxRound = 512;
  constexpr int kRegions = SweepPool::kRegions;
  Record own[kOwnBlock];
  Record* regions[kRegions];
  for (Record*& region : regions) region = own;
  std::ptrdiff_t round_blocks = 1;
  const bool helped = pool != nullptr && pool->helpers() > 0 && rays.count > kOwnBlock;
  const std::ptrdiff_t block = helped ? kSharedBlock : kOwnBlock;
  const std::ptrdiff_t blocks = (rays.count + block - 1) / block;
  if (helped) {
    static_assert(alignof(Record) <= alignof(std::max_align_t));
    round_blocks = std::min<std::ptrdiff_t>(
        kMaxRound, static_cast<std::ptrdiff_t>(pool->region_bytes() / (block * sizeof(Record))));
    for (int i = 0; i < kRegions; ++i) regions[i] = reinterpret_cast<Record*>(pool->region(i));
  }
  SweptBlock results[2][kMaxRound];

  // Where round r's records and its blocks' results go: the results of two rounds take turns
  const auto region_of = [&](std::ptrdiff_t r) { return regions[(r / round_blocks) % kRegions]; };
  const auto results_of = [&](std::ptrdiff_t r) { return results[(r / round_blocks) % 2]; };

  // The round being worked out; changed only while no round is out
  std::ptrdiff_t round = 0;
  auto block_task = [&](int b) {
    Ray* const first = rays.begin() + (round + b) * block;
    Ray* const end = first + std::min(block, rays.end() - first);
    results_of(round)[b] = sweep_block(first, end, region_of(round) + b * block);
  };
  const auto blocks_from = [&](std::ptrdiff_t r) {
    return static_cast<int>(std::min(round_blocks, blocks - r));
  };
  // Works out round r: on this thread alone, or handed to the helpers
  const auto work_out = [&](std::ptrdiff_t r) {
    round = r;
    if (helped) {
      pool->start(blocks_from(r), block_task);
    } else {
      for (int b = 0; b < blocks_from(r); ++b) block_task(b);
    }
  };

  Record last{};
  bool drawn_any = false;
  int produced = 0;
  if (blocks > 0) {
    work_out(0);
    if (helped) pool->finish();
  }
  for (std::ptrdiff_t r = 0; r < blocks; r += round_blocks) {
    const Record* const drawn = region_of(r);
    const SweptBlock* const done = results_of(r);
    const bool more = r + round_blocks < blocks;
    if (more && helped) work_out(r + round_blocks);

    // The first record of a block may repeat the last one of the block before
    for (int b = 0; b < blocks_from(r); ++b) {
      produced += done[b].produced;
      const Record* const records = drawn + b * block;
      for (int i = 0; i < done[b].count; ++i) {
        const Record& record = records[i];
        if (i == 0 && skip_repeats && drawn_any && record == last) continue;
        draw(record);
        last = record;
        drawn_any = true;
      }
    }
    if (more) {
      if (helped) {
        pool->finish();
      } else {
        work_out(r + round_blocks);
      }
    }
  }
  return produced;
}

}  // namespace lumi
