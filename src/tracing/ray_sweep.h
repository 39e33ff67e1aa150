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
#include <span>
#include <type_traits>

#include "tracing/ray.h"
#include "tracing/sweep_pool.h"

namespace lumi {

// Returns how many rays produced a record (repeats included).
template <class Record, class Compute, class Draw>
int sweep_rays(SweepPool* pool, RayBundle& rays, bool skip_repeats, const Compute& compute,
               Draw&& draw) {
  static_assert(std::is_trivially_copyable_v<Record>);
  constexpr std::ptrdiff_t kBlock = 256;

  // What a block leaves for drawing: its records, repeats within the block left out, and how
  // many of its rays produced one
  struct BlockResult {
    int count = 0;
    int produced = 0;
  };
  const auto sweep_block = [&](Ray* const first, Ray* const end, Record* records) {
    Compute work = compute;
    BlockResult result;
    for (Ray* ray = first; ray < end; ++ray) {
      if (ray->alive == 0.0) continue;
      Record& record = records[result.count];
      if (!work(*ray, record)) continue;
      ++result.produced;
      if (skip_repeats && result.count > 0 && record == records[result.count - 1]) continue;
      ++result.count;
    }
    return result;
  };

  // A round is one block, or as many as the pool's scratch memory holds records for
  constexpr std::ptrdiff_t kMaxRound = 512;
  Record own[kBlock];
  Record* buffer = own;
  std::ptrdiff_t round_blocks = 1;
  const std::ptrdiff_t blocks = (rays.count + kBlock - 1) / kBlock;
  if (pool != nullptr && pool->helpers() > 0 && blocks > 1) {
    const std::span<std::byte> scratch = pool->scratch();
    static_assert(alignof(Record) <= alignof(std::max_align_t));
    buffer = reinterpret_cast<Record*>(scratch.data());
    round_blocks = std::min<std::ptrdiff_t>(
        kMaxRound, static_cast<std::ptrdiff_t>(scratch.size() / (kBlock * sizeof(Record))));
  }
  BlockResult results[kMaxRound];

  Record last{};
  bool drawn_any = false;
  int produced = 0;
  for (std::ptrdiff_t round = 0; round < blocks; round += round_blocks) {
    const int in_round = static_cast<int>(std::min(round_blocks, blocks - round));
    auto block_task = [&](int b) {
      Ray* const first = rays.begin() + (round + b) * kBlock;
      Ray* const end = first + std::min(kBlock, rays.end() - first);
      results[b] = sweep_block(first, end, buffer + b * kBlock);
    };
    if (pool == nullptr || in_round == 1) {
      for (int b = 0; b < in_round; ++b) block_task(b);
    } else {
      pool->run(in_round, block_task);
    }

    // The first record of a block may repeat the last one of the block before
    for (int b = 0; b < in_round; ++b) {
      produced += results[b].produced;
      const Record* const records = buffer + b * kBlock;
      for (int i = 0; i < results[b].count; ++i) {
        const Record& record = records[i];
        if (i == 0 && skip_repeats && drawn_any && record == last) continue;
        draw(record);
        last = record;
        drawn_any = true;
      }
    }
  }
  return produced;
}

}  // namespace lumi
