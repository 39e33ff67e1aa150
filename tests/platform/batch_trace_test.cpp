// Schemes traced whole in workspaces of their own (what the Python module's trace and sweeps run):
// side by side on two threads they give what they give one after another, to the bit and pixel.
#include "platform/batch/batch_trace.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <thread>

#include "model/scheme_error.h"

namespace lumi {
namespace {

SchemeDocument telescope() {
  const char* examples = std::getenv("LUMI_EXAMPLES");
  return SchemeDocument::read(std::string(examples ? examples : "examples") +
                              "/newton-telescope.ops");
}

void expect_same(const BatchOutcome& a, const BatchOutcome& b) {
  EXPECT_EQ(a.log, b.log);
  EXPECT_EQ(a.results.counts, b.results.counts);
  ASSERT_EQ(a.results.focus.size(), 1u);
  ASSERT_EQ(b.results.focus.size(), 1u);
  const auto& sa = a.results.focus[0].shifts;
  const auto& sb = b.results.focus[0].shifts;
  ASSERT_EQ(sa.size(), sb.size());
  for (std::size_t i = 0; i < sa.size(); ++i) {
    EXPECT_EQ(std::memcmp(&sa[i].rms, &sb[i].rms, sizeof(double)), 0) << i;
  }
  ASSERT_EQ(a.images.size(), b.images.size());
  for (const auto& [w, image] : a.images) EXPECT_EQ(image.pixels, b.images.at(w).pixels) << w;
  ASSERT_EQ(a.hits.size(), b.hits.size());
}

TEST(BatchTrace, SideBySideGivesWhatOneAfterAnotherGives) {
  const SchemeDocument base = telescope();
  const SchemeDocument variants[] = {base.with_slot(3, 5, 299.0f).with_slot(1, 8, 60.0f),
                                     base.with_slot(3, 5, 301.0f).with_slot(1, 8, 60.0f)};
  const BatchOptions options{true, true, 1};  // one helper each: the sweep pools run too
  const BatchOutcome alone[] = {trace_document(variants[0], options),
                                trace_document(variants[1], options)};
  EXPECT_NE(alone[0].log, alone[1].log);
  BatchOutcome together[2];
  {
    std::jthread first([&] { together[0] = trace_document(variants[0], options); });
    std::jthread second([&] { together[1] = trace_document(variants[1], options); });
  }
  expect_same(alone[0], together[0]);
  expect_same(alone[1], together[1]);
  EXPECT_FALSE(alone[0].hits.empty());
  EXPECT_TRUE(alone[0].images.contains(1));
}

TEST(BatchTrace, RefusedSchemeThrowsItsMessage) {
  const SchemeDocument refused = telescope().with_slot(2, 3, -5.0f);
  try {
    trace_document(refused, {});
    FAIL() << "traced a refused scheme";
  } catch (const SchemeError& error) {
    EXPECT_NE(std::string(error.what()).find("(D) = -5"), std::string::npos) << error.what();
  }
}

}  // namespace
}  // namespace lumi
