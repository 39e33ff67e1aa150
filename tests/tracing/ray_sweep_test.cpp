// A sweep's tally: whether the blocks run on helpers, go round the scratch memory or run on this
// thread alone, one ray at a time or on lanes, the tally is the one a fold over every record in
// ray order gives, repeats included, while the repeats themselves are not drawn.
#include "tracing/ray_sweep.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace lumi::test {
namespace {

// A fold that any change of order, any record left out and any block merged twice would change:
// the record ids as the digits of a number in base kBase, modulo 2^64.
struct IdDigits {
  static constexpr std::uint64_t kBase = 1'000'003;
  std::uint64_t digits = 0;
  std::uint64_t scale = 1;  // kBase to the number of ids taken

  template <class Record>
  void add(const Record& r) {
    digits = digits * kBase + r.id;
    scale *= kBase;
  }
  void merge(const IdDigits& later) {
    digits = digits * later.scale + later.digits;
    scale *= later.scale;
  }
};

// Rays in runs of seven draw alike; each still has an id of its own.
struct Mark {
  using Tally = IdDigits;
  std::uint64_t id;
  int pixel;
  bool operator==(const Mark& o) const { return pixel == o.pixel; }
};

Mark mark_of(const Ray& ray) {
  const auto id = static_cast<std::uint64_t>(ray.x);
  return {id, static_cast<int>(id / 7)};
}

struct OneRay {
  bool operator()(Ray& ray, Mark& m) const {
    m = mark_of(ray);
    return true;
  }
};

struct OnLanes {
  template <int N>
  LUMI_LANES void operator()(LaneCount<N>, Ray* const* rays, int count,
                             RecordSink<Mark>& out) const {
    for (int i = 0; i < count; ++i) out.take(mark_of(*rays[i]));
  }
};

TEST(RaySweepTest, TallyIsTheFoldOfEveryRecordInRayOrder) {
  static RayBundle rays;
  rays.count = 100'000;  // more blocks of the helped sweep than its smallest ring holds
  IdDigits expected;
  std::vector<int> expected_pixels;
  int live = 0;
  for (int i = 0; i < rays.count; ++i) {
    Ray& ray = rays[i];
    ray = {};
    ray.x = i;
    ray.alive = i % 11 == 3 ? 0.0 : 1.0;  // lost rays take no part
    if (!ray.is_alive()) continue;
    ++live;
    const Mark m = mark_of(ray);
    expected.add(m);
    if (expected_pixels.empty() || expected_pixels.back() != m.pixel) {
      expected_pixels.push_back(m.pixel);
    }
  }

  std::vector<int> widths{1};
  if (widest_lanes() >= 4) widths.push_back(4);
  if (widest_lanes() == 8) widths.push_back(8);
  for (int helpers : {0, 1, 3}) {
    SweepPool pool(helpers, SweepPool::kLeastScratchBytes);
    for (int lanes : widths) {
      SCOPED_TRACE(testing::Message() << helpers << " helpers, lanes " << lanes);
      std::vector<int> drawn;
      const auto draw = [&](const Mark& m) { drawn.push_back(m.pixel); };
      IdDigits tally;
      const int produced =
          lanes == 1 ? sweep_rays<Mark>(&pool, rays, true, OneRay{}, draw, &tally)
                     : sweep_ray_groups<Mark>(&pool, rays, lanes, true, OnLanes{}, draw, &tally);
      EXPECT_EQ(produced, live);
      EXPECT_EQ(tally.digits, expected.digits);
      EXPECT_EQ(tally.scale, expected.scale);
      EXPECT_EQ(drawn, expected_pixels);
    }
  }
}

// A record as lanes write it whole: eight 32-bit fields.
struct Row {
  std::int32_t field[8];
  bool operator==(const Row&) const = default;
};

// Takes rows[0..count) N at a time as columns, comparing fields 0 to 5 on the lanes; returns the
// records kept.
template <int N>
LUMI_LANES int take_as_columns(const Row* rows, int count, Row* kept) {
  RecordSink<Row> out(kept, true);
  for (int first = 0; first < count; first += N) {
    IntLanes<N> column[8];
    for (int k = 0; k < 8; ++k) {
      std::int32_t lanes[N];
      for (int i = 0; i < N; ++i) lanes[i] = rows[first + i].field[k];
      std::memcpy(&column[k], lanes, sizeof lanes);
    }
    take_columns<N>(out, column, 6);
  }
  return out.block().count;
}

LUMI_AVX2_ENTRY int take_by_four(const Row* rows, int count, Row* kept) {
  return take_as_columns<4>(rows, count, kept);
}

LUMI_AVX512_ENTRY int take_by_eight(const Row* rows, int count, Row* kept) {
  return take_as_columns<8>(rows, count, kept);
}

TEST(RaySweepTest, RecordsTakenAsColumnsAreTheRecordsTakenOneByOne) {
  if (widest_lanes() == 1) GTEST_SKIP() << "no AVX2: records are taken one at a time only";
  // Each record repeats the one before or differs from it in one field, in turn fields 0 to 5;
  // field 6 is alike within each group of eight but changes between some, so that the first
  // record of a group differs from the last one before it in that field alone
  std::vector<Row> rows;
  Row r{};
  for (int i = 0; i < 96; ++i) {
    if (i % 8 == 0) r.field[6] = i / 24;
    if (i % 3 != 1) ++r.field[i % 6];
    rows.push_back(r);
  }
  std::vector<Row> expected(rows.size());
  RecordSink<Row> one_by_one(expected.data(), true);
  for (const Row& row : rows) one_by_one.take(row);
  expected.resize(one_by_one.block().count);

  std::vector<int> widths{4};
  if (widest_lanes() == 8) widths.push_back(8);
  for (int lanes : widths) {
    SCOPED_TRACE(testing::Message() << "lanes " << lanes);
    std::vector<Row> kept(rows.size());
    const int n = static_cast<int>(rows.size());
    const int count = lanes == 4 ? take_by_four(rows.data(), n, kept.data())
                                 : take_by_eight(rows.data(), n, kept.data());
    kept.resize(count);
    EXPECT_EQ(kept, expected);
  }
}

}  // namespace
}  // namespace lumi::test
