// A long run of one colour as SVG: split into paths of a bounded length, each of which begins
// where a path must, with a move, even where the split falls inside a polyline.
#include "platform/raster/vector_recorder.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace lumi {
namespace {

TEST(VectorRecorderTest, LongRunsOfOneColourSplitIntoPathsThatEachBeginWithAMove) {
  constexpr int kSegments = 2 * VectorRecorder::kPiecesPerPath + 10;
  VectorRecorder recorder(2000, 100);
  // one polyline, then as many squares
  for (int i = 0; i < kSegments; ++i) recorder.line(i, 10, i + 1, 10, 0xFFFFFF, 0xFFFF);
  for (int i = 0; i < kSegments; ++i) recorder.pixel(i % 2000, 50, 0xFFFFFF);
  const std::string svg = recorder.svg();

  const std::regex path(R"(<path [^>]*d="([^"]*)\")");
  int paths = 0, lines = 0, squares = 0;
  for (auto it = std::sregex_iterator(svg.begin(), svg.end(), path); it != std::sregex_iterator();
       ++it) {
    const std::string d = (*it)[1];
    EXPECT_EQ(d.front(), 'M') << d.substr(0, 40);
    for (char c : d) lines += c == 'L';
    for (auto at = d.find('z'); at != std::string::npos; at = d.find('z', at + 1)) ++squares;
    ++paths;
  }
  EXPECT_EQ(lines, kSegments);
  EXPECT_EQ(squares, kSegments);
  EXPECT_EQ(paths, 6);
}

}  // namespace
}  // namespace lumi
