// One sweep of an element over the live rays, split in two: the arithmetic of each ray, which may
// run on the pool's threads block by block, and the drawing, on the tracing thread in ray order.
//   compute(ray, record) works on one live ray: it moves, turns or stops it and fills `record`
//     with what drawing the ray needs (pixels already mapped), returning false when the ray draws
//     nothing. It is copied for every block and the copies may run at once, so what it remembers
//     from ray to ray must be its own (captured by value); it must not draw.
//   draw(record) draws one ray's record through Graphics.
// With `skip_repeats`, a record equal to the one drawn just before it is not drawn: the element
// vouches that drawing the same record twice in a row changes neither a pixel nor any state.
// A record may also name a Tally, what the sweep sums up from every record besides drawing it
// (see TallyOf), in an order fixed by the rays alone.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "tracing/lanes.h"
#include "tracing/ray.h"
#include "tracing/sweep_pool.h"

namespace lumi {

// What a sweep sums up from its records, repeats included, away from the drawing: Record::Tally
// where the record names one. A tally t takes a record by t.add(record) and the tally of the
// records after its own by t.merge(later), in either case as though it had taken those records
// one by one. Each block of rays makes a tally of its own beside its records, and the tracing
// thread merges the blocks' tallies in ray order as it draws them: the sum is worked out where the
// arithmetic runs, and a record need not carry to the drawing what only the sum needs.
//
// A tally of floating-point sums depends on how the records are grouped, so the grouping is fixed
// by the rays alone, whoever works them out: the records of each kTallyGroup rays (by their place
// in the bundle) are added one by one to a tally that starts as the sweep's given tally, and the
// groups' tallies are merged in ray order. A sweep alone on this thread, whose blocks are shorter,
// carries a group's tally from one block to the next.
inline constexpr std::ptrdiff_t kTallyGroup = 4096;

struct NoTally {
  template <class Record>
  void add(const Record&) {}
  void merge(const NoTally&) {}
};

template <class Record>
struct RecordTally {
  using type = NoTally;
};
template <class Record>
  requires requires { typename Record::Tally; }
struct RecordTally<Record> {
  using type = typename Record::Tally;
};
template <class Record>
using TallyOf = typename RecordTally<Record>::type;

// What a block of rays leaves for drawing: its records, repeats within the block left out, how
// many of its rays produced one, and their tally.
template <class Record>
struct SweptBlock {
  int count = 0;
  int produced = 0;
  TallyOf<Record> tally;
};

// Where the arithmetic of a block puts its records, one ray after another: each is made in the
// slot next() gives and taken, unless it repeats the one before. The next slot is kept as a
// pointer: as an index into the buffer it took more instructions to find on every record.
template <class Record>
class RecordSink {
 public:
  RecordSink(Record* records, bool skip_repeats, const TallyOf<Record>& tally = {})
      : records_(records), next_(records), skip_(skip_repeats), tally_(tally) {}

  Record& next() { return *next_; }
  void take() {
    ++produced_;
    tally_.add(*next_);
    if (skip_ && repeats_last()) return;
    ++next_;
  }
  // next() made and taken: for a record worked out elsewhere.
  void take(const Record& r) {
    next() = r;
    take();
  }
  // next() written whole by the caller, who has worked out whether it repeats the record before
  // (records made together on lanes are compared there). Taken without a branch: whether a record
  // repeats the one before follows no pattern a branch predictor learns.
  void take_written(bool repeat) {
    ++produced_;
    tally_.add(*next_);
    next_ += !(skip_ && repeat);
  }
  // Whether next() repeats the record taken last.
  bool repeats_last() const { return next_ != records_ && next_[0] == next_[-1]; }
  SweptBlock<Record> block() const {
    return {static_cast<int>(next_ - records_), produced_, tally_};
  }

 private:
  Record* records_;
  Record* next_;
  bool skip_;
  int produced_ = 0;
  TallyOf<Record> tally_;
};

// The sweep itself, with the arithmetic of a block of rays given as
// sweep_block(first, end, records, tally) -> SweptBlock, the block's tally starting from `tally`,
// run on copies of it that may run at once. When `tally` is given, what it holds on the way in
// (a reference point, say) is where every group's tally starts, and on the way out it holds the
// tally of all records.
template <class Record, class SweepBlock, class Draw>
int sweep_blocks(SweepPool* pool, RayBundle& rays, bool skip_repeats,
                 const SweepBlock& sweep_block, Draw&& draw, TallyOf<Record>* tally);

// Returns how many rays produced a record (repeats included); their tally goes to `tally`.
template <class Record, class Compute, class Draw>
int sweep_rays(SweepPool* pool, RayBundle& rays, bool skip_repeats, const Compute& compute,
               Draw&& draw, TallyOf<Record>* tally = nullptr) {
  const auto sweep_block = [&](Ray* const first, Ray* const end, Record* records,
                               const TallyOf<Record>& start) {
    Compute work = compute;
    RecordSink<Record> out(records, skip_repeats, start);
    for (Ray* ray = first; ray < end; ++ray) {
      if (ray->alive == 0.0) continue;
      if (work(*ray, out.next())) out.take();
    }
    return out.block();
  };
  return sweep_blocks<Record>(pool, rays, skip_repeats, sweep_block, std::forward<Draw>(draw),
                              tally);
}

// N records made on lanes, field k of every record in column[k], taken in lane order as take()
// would take them one by one: turned into rows and written whole, each compared with the record
// in the lane before on the lanes, over the first `compared` fields (the other fields alike in
// every lane), and the first with the record taken last. A record is eight 32-bit fields.
template <int N, class Record>
LUMI_LANES void take_columns(RecordSink<Record>& out, const IntLanes<N> (&column)[8],
                             int compared) {
  static_assert(sizeof(Record) == sizeof(__m256i) && std::is_trivially_copyable_v<Record>);
  __m256i row[N];
  rows_of_columns(column, row);
  const unsigned repeats = repeats_of_lane_before<N>(column, compared);
  for (int i = 0; i < N; ++i) {
    _mm256_storeu_si256(reinterpret_cast<__m256i_u*>(&out.next()), row[i]);
    out.take_written(i == 0 ? out.repeats_last() : (repeats >> i) & 1u);
  }
}

// How many groups of rays a sweep on lanes hands its arithmetic at once: Compute::kGroups where
// it names that, else one.
template <class Compute>
struct GroupsPerCall : std::integral_constant<int, 1> {};
template <class Compute>
  requires requires { Compute::kGroups; }
struct GroupsPerCall<Compute> : std::integral_constant<int, Compute::kGroups> {};

// The arithmetic of one block of rays N (or a batch of groups of N) at a time, in ray order (see
// sweep_ray_groups).
template <int N, class Record, class Compute>
LUMI_LANES SweptBlock<Record> sweep_groups(const Compute& compute, Ray* const first,
                                           Ray* const end, Record* records, bool skip_repeats,
                                           const TallyOf<Record>& start) {
  Compute work = compute;
  RecordSink<Record> out(records, skip_repeats, start);
  constexpr int kRays = GroupsPerCall<Compute>::value * N;
  Ray* group[kRays];
  int count = 0;
  for (Ray* ray = first; ray < end; ++ray) {
    if (ray->alive == 0.0) continue;
    group[count++] = ray;
    if (count < kRays) continue;
    work(LaneCount<N>{}, group, count, out);
    count = 0;
  }
  if (count > 0) work(LaneCount<N>{}, group, count, out);
  return out.block();
}

// The two entries into lanes: the same code, compiled for either instruction set.
template <class Record, class Compute>
LUMI_AVX2_ENTRY SweptBlock<Record> sweep_groups_of_4(const Compute& compute, Ray* const first,
                                                     Ray* const end, Record* records,
                                                     bool skip_repeats,
                                                     const TallyOf<Record>& start) {
  return sweep_groups<4>(compute, first, end, records, skip_repeats, start);
}

template <class Record, class Compute>
LUMI_AVX512_ENTRY SweptBlock<Record> sweep_groups_of_8(const Compute& compute, Ray* const first,
                                                       Ray* const end, Record* records,
                                                       bool skip_repeats,
                                                       const TallyOf<Record>& start) {
  return sweep_groups<8>(compute, first, end, records, skip_repeats, start);
}

// sweep_rays for arithmetic that takes the live rays `lanes` (4 or 8, see widest_lanes) at a time,
// in ray order:
//   compute(LaneCount<N>, rays, count, out) works on rays[0..count) (count <= N, short only at
//     the end of a block) as compute(ray, record) of sweep_rays would on each, putting the records
//     of those that produce one into the RecordSink out, in ray order. Where Compute names
//     kGroups, it is given up to kGroups groups of N rays at once (count <= kGroups * N), to
//     work out side by side. It runs inlined into code compiled for the lanes' instruction set,
//     so it carries LUMI_LANES_ATTRIBUTES.
template <class Record, class Compute, class Draw>
int sweep_ray_groups(SweepPool* pool, RayBundle& rays, int lanes, bool skip_repeats,
                     const Compute& compute, Draw&& draw, TallyOf<Record>* tally = nullptr) {
  const auto sweep_block = [&](Ray* const first, Ray* const end, Record* records,
                               const TallyOf<Record>& start) {
    return lanes == 8
               ? sweep_groups_of_8<Record>(compute, first, end, records, skip_repeats, start)
               : sweep_groups_of_4<Record>(compute, first, end, records, skip_repeats, start);
  };
  return sweep_blocks<Record>(pool, rays, skip_repeats, sweep_block, std::forward<Draw>(draw),
                              tally);
}

// Draws the records of the blocks of a sweep, block after block in ray order: the first record of
// a block may repeat the last one of the block before. The groups' tallies are merged alike.
template <class Record, class Draw>
class BlockReplay {
 public:
  BlockReplay(Draw& draw, bool skip_repeats, const TallyOf<Record>& start)
      : draw_(draw), skip_(skip_repeats), start_(start), tally_(start) {}

  void replay(const Record* records, const SweptBlock<Record>& block) {
    produced_ += block.produced;
    if (block.count == 0) return;
    const bool repeat = skip_ && drawn_any_ && records[0] == last_;
    for (int i = repeat ? 1 : 0; i < block.count; ++i) draw_(records[i]);
    last_ = records[block.count - 1];
    drawn_any_ = true;
  }
  // The tally of the next group of rays, in ray order.
  void merge(const TallyOf<Record>& group) { tally_.merge(group); }
  // Where each group's tally starts.
  const TallyOf<Record>& start() const { return start_; }
  int produced() const { return produced_; }
  const TallyOf<Record>& tally() const { return tally_; }

 private:
  Draw& draw_;
  bool skip_;
  Record last_{};
  bool drawn_any_ = false;
  int produced_ = 0;
  TallyOf<Record> start_;
  TallyOf<Record> tally_;
};

// The rays a sweep on one thread works out at a time; a bundle no longer than that is not worth
// sharing with the helpers.
inline constexpr std::ptrdiff_t kAloneBlock = 256;

// A sweep on this thread alone, a short block at a time, in a buffer of its own; the tally of a
// group of rays goes on from block to block.
template <class Record, class SweepBlock, class Replay>
void sweep_alone(const SweepPool* pool, RayBundle& rays, const SweepBlock& sweep_block,
                 Replay& replay) {
  constexpr std::ptrdiff_t kBlock = kAloneBlock;
  static_assert(kTallyGroup % kBlock == 0);
  Record records[kBlock];
  TallyOf<Record> group = replay.start();
  for (Ray* first = rays.begin(); first < rays.end(); first += kBlock) {
    if (pool != nullptr && pool->cancelled()) return;
    if (first != rays.begin() && (first - rays.begin()) % kTallyGroup == 0) {
      replay.merge(group);
      group = replay.start();
    }
    Ray* const end = first + std::min(kBlock, rays.end() - first);
    const SweptBlock<Record> block = sweep_block(first, end, records, group);
    replay.replay(records, block);
    group = block.tally;
  }
  if (rays.count > 0) replay.merge(group);
}

// A sweep shared with the pool's helpers, in long blocks so that each thread streams through a
// long stretch of the bundle. Any thread works out the next block nobody has taken; this thread
// draws the blocks in order as they are done, and works one out itself while the block it needs
// next is still in the making. The records go round the pool's scratch memory a block's slot at a
// time: a block takes its slot once the block that had it last has been drawn. A thread thus
// writes records long after any thread last read there, so no core waits for another to give up
// a line it still holds, and no thread waits at the end of a round of blocks, as a sweep in rounds
// would.
template <class Record, class SweepBlock, class Replay>
void sweep_helped(SweepPool& pool, RayBundle& rays, const SweepBlock& sweep_block,
                  Replay& replay) {
  constexpr int kBlock = kTallyGroup;
  constexpr int kMaxSlots = 1024;
  static_assert(2 * kBlock * sizeof(Record) <= SweepPool::kLeastScratchBytes,
                "the scratch memory holds the records of two blocks");
  static_assert(alignof(Record) <= alignof(std::max_align_t));
  const int blocks = (rays.count + kBlock - 1) / kBlock;
  const std::size_t slot_bytes = kBlock * sizeof(Record);
  const int slots =
      static_cast<int>(std::min<std::size_t>(kMaxSlots, pool.scratch_bytes() / slot_bytes));
  Record* const ring = reinterpret_cast<Record*>(pool.scratch());

  SweptBlock<Record> results[kMaxSlots];
  std::atomic<int> done[kMaxSlots];  // 1 + the last block worked out in each slot
  for (int s = 0; s < slots; ++s) done[s].store(0, std::memory_order_relaxed);
  std::atomic<int> drawn{0};  // blocks drawn

  auto block_task = [&](int b) {
    const int slot = b % slots;
    SweepPool::wait_until([&] { return b < drawn.load(std::memory_order_acquire) + slots; });
    if (pool.cancelled()) {
      done[slot].store(b + 1, std::memory_order_release);
      return;
    }
    Ray* const first = rays.begin() + std::ptrdiff_t{b} * kBlock;
    Ray* const end = first + std::min<std::ptrdiff_t>(kBlock, rays.end() - first);
    Record* const records = ring + std::ptrdiff_t{slot} * kBlock;
    results[slot] = sweep_block(first, end, records, replay.start());
    done[slot].store(b + 1, std::memory_order_release);
  };
  pool.start(blocks, block_task);
  // However the drawing ends, no helper is left waiting for a slot or still working on this
  // sweep's blocks when it returns
  struct Finish {
    SweepPool& pool;
    std::atomic<int>& drawn;
    int blocks;
    ~Finish() {
      drawn.store(blocks, std::memory_order_release);
      pool.finish();
    }
  } finish{pool, drawn, blocks};

  for (int b = 0; b < blocks && !pool.cancelled(); ++b) {
    const int slot = b % slots;
    while (done[slot].load(std::memory_order_acquire) != b + 1) {
      if (!pool.take_part_below(b + slots)) SweepPool::pause();
    }
    replay.replay(ring + std::ptrdiff_t{slot} * kBlock, results[slot]);
    replay.merge(results[slot].tally);
    drawn.store(b + 1, std::memory_order_release);
  }
}

template <class Record, class SweepBlock, class Draw>
int sweep_blocks(SweepPool* pool, RayBundle& rays, bool skip_repeats,
                 const SweepBlock& sweep_block, Draw&& draw, TallyOf<Record>* tally) {
  static_assert(std::is_trivially_copyable_v<Record>);
  const TallyOf<Record> start = tally != nullptr ? *tally : TallyOf<Record>{};
  BlockReplay<Record, std::remove_reference_t<Draw>> replay(draw, skip_repeats, start);
  if (pool != nullptr && pool->helpers() > 0 && rays.count > kAloneBlock) {
    sweep_helped<Record>(*pool, rays, sweep_block, replay);
  } else {
    sweep_alone<Record>(pool, rays, sweep_block, replay);
  }
  if (tally != nullptr) *tally = replay.tally();
  return replay.produced();
}

}  // namespace lumi
