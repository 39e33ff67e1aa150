// The windows as vector images (lumirastra-trace --svg): each SVG parses and, rendered by
// rsvg-convert, lights the pixels its PNG lights, within one pixel, for at least 98% of them.
#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

#include "headless/trace_cli_fixture.h"

namespace lumi::test {
namespace {

struct Image {
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  bool lit(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return false;
    const std::size_t i = 3 * (std::size_t(y) * width + x);
    return rgb[i] > 64 || rgb[i + 1] > 64 || rgb[i + 2] > 64;
  }
};

Image read_png(const fs::path& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  Image out;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return out;
  image.format = PNG_FORMAT_RGB;
  out.rgb.resize(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, out.rgb.data(), 0, nullptr)) return out;
  out.width = static_cast<int>(image.width);
  out.height = static_cast<int>(image.height);
  return out;
}

// The share of the PNG's lit pixels with a lit pixel of the rendering within one pixel.
double share_lit_alike(const Image& png, const Image& svg) {
  long lit = 0, alike = 0;
  for (int y = 0; y < png.height; ++y) {
    for (int x = 0; x < png.width; ++x) {
      if (!png.lit(x, y)) continue;
      ++lit;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy) {
        for (int dx = -1; dx <= 1 && !near; ++dx) near = svg.lit(x + dx, y + dy);
      }
      alike += near;
    }
  }
  return lit == 0 ? 1.0 : static_cast<double>(alike) / static_cast<double>(lit);
}

TEST_F(TraceCli, SvgOfEveryWindowLightsThePixelsOfItsPng) {
  ASSERT_EQ(std::system("rsvg-convert --version >/dev/null 2>&1"), 0)
      << "rsvg-convert (Debian's librsvg2-bin, scripts/packages.txt) is needed";
  for (const std::string name : {"singlet", "newton-telescope", "grating-spectrograph",
                                 "all-elements"}) {
    const fs::path o = out(name);
    ASSERT_EQ(trace("--svg --out " + o.string() + " " + example(name + ".ops")).status, 0);
    int images = 0;
    for (const auto& entry : fs::directory_iterator(o)) {
      const fs::path png = entry.path();
      if (png.extension() != ".png" || png.stem().string().ends_with("-rendered")) continue;
      SCOPED_TRACE(name + "/" + png.filename().string());
      const fs::path svg = fs::path(png).replace_extension(".svg");
      const fs::path rendered = o / (png.stem().string() + "-rendered.png");
      ASSERT_TRUE(fs::exists(svg));
      ASSERT_EQ(std::system(("rsvg-convert -o " + rendered.string() + " " + svg.string()).c_str()),
                0);
      const Image a = read_png(png), b = read_png(rendered);
      ASSERT_EQ(a.width, b.width);
      ASSERT_EQ(a.height, b.height);
      EXPECT_GE(share_lit_alike(a, b), 0.98);
      ++images;
    }
    EXPECT_GE(images, 3);
  }
}

}  // namespace
}  // namespace lumi::test
