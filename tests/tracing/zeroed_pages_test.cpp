// The large buffers of a run: what their users rely on is memory that reads as zeros (a ray as
// default-initialised, a pixel no mark painted) and that starts on a 2 MB boundary.
#include "tracing/zeroed_pages.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "tracing/ray.h"

namespace lumi {
namespace {

TEST(ZeroedPages, WholeAlignedPagesOfZeros) {
  const ZeroedPages small(100);
  EXPECT_EQ(small.size(), ZeroedPages::kPage);
  EXPECT_EQ(reinterpret_cast<std::uintptr_t>(small.data()) % ZeroedPages::kPage, 0u);
  const ZeroedPages pages(3 * ZeroedPages::kPage + 1);
  EXPECT_EQ(pages.size(), 4 * ZeroedPages::kPage);
  for (std::size_t at : {std::size_t{0}, ZeroedPages::kPage + 17, pages.size() - 1}) {
    EXPECT_EQ(pages.data()[at], std::byte{0}) << at;
  }
  pages.data()[pages.size() - 1] = std::byte{1};  // all of it is writable
}

TEST(ZeroedPages, FreshBundleHoldsDefaultRays) {
  RayBundle bundle;
  const Ray none{};
  for (int i : {0, 500'000, RayBundle::kCapacity - 1}) {
    EXPECT_EQ(std::memcmp(&bundle[i], &none, sizeof(Ray)), 0) << i;
  }
}

}  // namespace
}  // namespace lumi
