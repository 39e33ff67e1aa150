// The tracer's whole output for the examples and the million-ray reference workloads, held against
// digests recorded from the tracer as it was before its sweeps were made fast (plain loops, one
// thread): every log byte and every decoded pixel must stay the same. The images are compared by
// their pixels, not their bytes, so that the way they are compressed may change.
//
// On a mismatch the test prints the digests it got, in the format of the recorded file. When the
// drawing is changed on purpose, record them anew; LUMI_TRACE_UNDER_TEST names another tracer to
// run instead of the one built here (the reference build, for instance).
#include <png.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "headless/trace_cli_fixture.h"

namespace lumi::test {
namespace {

std::uint64_t fnv1a(std::uint64_t hash, const unsigned char *bytes, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    hash ^= bytes[i];
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

constexpr std::uint64_t kFnvBasis = 0xcbf29ce484222325ULL;

// The digest of a file's bytes, or of an image's size and RGB pixels.
std::string digest_of(const fs::path &path) {
  std::uint64_t hash = kFnvBasis;
  if (path.extension() == ".png") {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return "unreadable";
    image.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return "unreadable";
    const std::string size = std::to_string(image.width) + "x" + std::to_string(image.height);
    hash = fnv1a(hash, reinterpret_cast<const unsigned char *>(size.data()), size.size());
    hash = fnv1a(hash, rgb.data(), rgb.size());
  } else {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    hash = fnv1a(hash, reinterpret_cast<const unsigned char *>(bytes.data()), bytes.size());
  }
  std::ostringstream hex;
  hex << std::hex << hash;
  return hex.str();
}

class WorkloadOutputs : public TraceCli {
 protected:
  // "scheme/file digest" lines of everything the tracer wrote for `scheme`.
  std::vector<std::string> trace_and_digest(const fs::path &scheme) {
    const std::string name =
        scheme.parent_path().filename().string() + "-" + scheme.stem().string();
    const fs::path folder = out(name);
    std::string command =
        tracer() + " --out '" + folder.string() + "' '" + scheme.string() + "' >/dev/null 2>&1";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    // The log and the windows' images; what the tracer writes besides (the through-focus
    // charts) is not held to the recorded digests.
    std::vector<std::string> lines;
    for (const auto &entry : fs::directory_iterator(folder)) {
      const std::string file = entry.path().filename().string();
      if (file.starts_with("focus-")) continue;
      lines.push_back(name + "/" + file + " " + digest_of(entry.path()));
    }
    return lines;
  }

  static std::string tracer() {
    const char *other = std::getenv("LUMI_TRACE_UNDER_TEST");
    return other != nullptr ? other : LUMI_TRACE_BIN;
  }
};

TEST_F(WorkloadOutputs, LogsAndPixelsMatchTheRecordedOnes) {
  std::vector<fs::path> schemes;
  for (const char *folder : {LUMI_WORKLOADS, LUMI_EXAMPLES_DIR}) {
    for (const auto &entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() == ".ops") schemes.push_back(entry.path());
    }
  }
  std::vector<std::string> got;
  for (const fs::path &scheme : schemes) {
    for (std::string &line : trace_and_digest(scheme)) got.push_back(std::move(line));
  }
  std::sort(got.begin(), got.end());

  std::vector<std::string> recorded;
  std::ifstream in(LUMI_RECORDED_DIGESTS);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line[0] != '#') recorded.push_back(line);
  }
  std::sort(recorded.begin(), recorded.end());

  std::string listing;
  for (const std::string &line : got) listing += line + "\n";
  EXPECT_EQ(got, recorded) << "digests of this run:\n" << listing;
}

}  // namespace
}  // namespace lumi::test
