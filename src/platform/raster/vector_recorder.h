// The drawing of one window as vector elements, for SVG: one more consumer of the drawing calls
// the window's canvas takes (RasterDisplay hands each call to both), in the canvas' pixel
// coordinates and in painting order, so that what a later call paints over lies above it. Lines
// keep their pixels' centres and their dash masks (each lit run of a masked line a segment of its
// own, as the canvas walks it); runs of lines in one colour become paths, and runs of points in
// one colour filled paths of unit squares, each path of at most kPiecesPerPath pieces (renderers
// take time that grows faster than a path's length: a million rays' scheme window as one path
// per colour took one of them minutes); text stays text, in the family, em size and
// condensation its face was rendered with, stretched to the width the canvas gave it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "graphics/platform.h"

namespace lumi {

struct TextStyle {
  std::string family;
  double em_x = 0.0, em_y = 0.0;  // horizontal and vertical em size, pixels
  int ascent = 0;                 // pixels from the anchor down to the baseline
  int rotation = 0;               // tenths of a degree, counter-clockwise
};

class VectorRecorder {
 public:
  VectorRecorder(int width, int height);

  void line(int x0, int y0, int x1, int y1, Rgb rgb, std::uint16_t mask);
  void pixel(int x, int y, Rgb rgb);
  void filled_rectangle(int x1, int y1, int x2, int y2, Rgb rgb);
  // Text hanging from the anchor (x, y), `advance` pixels wide along its baseline.
  void text(int x, int y, std::string_view utf8, const TextStyle& style, double advance, Rgb rgb);

  static constexpr int kPiecesPerPath = 500;

  // The SVG document: viewBox = the canvas, black underneath as the canvas starts.
  std::string svg() const;

 private:
  enum class Run { kNone, kLines, kPoints };
  void start_run(Run kind, Rgb rgb);
  void end_run();
  void solid_line(int x0, int y0, int x1, int y1, Rgb rgb);

  int width_, height_;
  std::string body_;  // the finished elements
  Run run_ = Run::kNone;
  Rgb run_rgb_ = 0;
  std::string path_;  // the path data of the run being made
  int pieces_ = 0;    // its segments or squares
  int last_x_ = 0, last_y_ = 0;  // where the run's last line ended
};

}  // namespace lumi
