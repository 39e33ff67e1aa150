// Writing a window's image as an 8-bit RGB PNG file. The file appears under its final name only
// when it is complete: it is written under a temporary name in the same folder and renamed.
#pragma once

#include <filesystem>
#include <string>

#include "platform/raster/canvas.h"

namespace lumi {

struct PngResult {
  bool ok = false;
  std::string error;  // why it failed, naming the file
};

PngResult write_png(ImageView image, const std::filesystem::path& path);
PngResult write_png(const Image& image, const std::filesystem::path& path);
// The canvas' image as it is, written under its lock.
PngResult write_png(const Canvas& canvas, const std::filesystem::path& path);

}  // namespace lumi
