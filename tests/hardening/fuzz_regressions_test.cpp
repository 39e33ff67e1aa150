// The inputs the scheme fuzz target once failed on (fuzz/regressions) and the seeds it starts
// from (fuzz/corpus) go once more through the target's own entry: reading, checks, both passes
// and the interactive step, into real canvases. Under the sanitizers a fault that comes back
// stops the run; the seeds must also still be accepted, or the fuzzer would start from nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/scheme_entry.h"

namespace fs = std::filesystem;

namespace {

std::vector<fs::path> inputs_in(const std::string& folder) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(fs::path(LUMI_FUZZ_DIR) / folder)) {
    if (entry.is_regular_file() && entry.path().filename() != "README") {
      files.push_back(entry.path());
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string bytes_of(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(FuzzRegressions, FormerFailuresRunCleanlyAndSeedsAreAccepted) {
  for (const fs::path& file : inputs_in("regressions")) {
    SCOPED_TRACE(file.filename().string());
    EXPECT_NO_THROW(lumi::fuzz::run_scheme(bytes_of(file)));
  }
  const std::vector<fs::path> seeds = inputs_in("corpus");
  ASSERT_FALSE(seeds.empty());
  for (const fs::path& file : seeds) {
    EXPECT_TRUE(lumi::fuzz::run_scheme(bytes_of(file))) << file.filename().string();
  }
}

}  // namespace
