// PNG output through libpng. libpng reports errors by longjmp, so the part that calls it keeps
// only trivially destructible locals; everything owning memory lives in the caller.
#include "platform/raster/png_writer.h"

#include <png.h>
#include <zlib.h>

#include <atomic>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <system_error>
#include <unistd.h>
#include <vector>

#include "model/system_error.h"

namespace lumi {

namespace {

struct ErrorText {
  char text[256] = {};
};

void on_png_error(png_structp png, png_const_charp message) {
  auto* error = static_cast<ErrorText*>(png_get_error_ptr(png));
  std::snprintf(error->text, sizeof error->text, "%s", message);
  png_longjmp(png, 1);
}

void on_png_warning(png_structp, png_const_charp) {}

// Encodes the image into an open file; false with the reason in `error` when libpng failed.
bool encode(std::FILE* file, ImageView image, std::uint8_t* row, ErrorText& error) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &error, on_png_error,
                                            on_png_warning);
  if (!png) {
    std::snprintf(error.text, sizeof error.text, "out of memory");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    if (!info) std::snprintf(error.text, sizeof error.text, "out of memory");
    png_destroy_write_struct(&png, &info);
    return false;
  }
  png_init_io(png, file);
  png_set_IHDR(png, info, png_uint_32(image.width), png_uint_32(image.height), 8,
               PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  // Window images are large flat areas with thin lines: run-length deflate of unfiltered rows
  // packs them nearly as well as the default effort, in a fraction of the time.
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_strategy(png, Z_RLE);
  png_set_compression_level(png, 1);
  png_write_info(png, info);
  for (int y = 0; y < image.height; ++y) {
    const Pixel* pixels = image.pixels + std::size_t(y) * image.width;
    for (int x = 0; x < image.width; ++x) {
      row[3 * x] = std::uint8_t(pixels[x] >> 16);
      row[3 * x + 1] = std::uint8_t(pixels[x] >> 8);
      row[3 * x + 2] = std::uint8_t(pixels[x]);
    }
    png_write_row(png, row);
  }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return true;
}

// A name in the target folder that no other writer of this process or another one uses.
std::filesystem::path temporary_name(const std::filesystem::path& path) {
  static std::atomic<unsigned> counter{0};
  std::string name = "." + path.filename().string() + ".part-" + std::to_string(::getpid()) + "-" +
                     std::to_string(counter.fetch_add(1));
  return path.parent_path() / name;
}

PngResult failure(const std::filesystem::path& path, const std::string& why) {
  return {false, "не удалось записать " + path.string() + ": " + why};
}

}  // namespace

PngResult write_png(ImageView image, const std::filesystem::path& path) {
  if (image.width < 1 || image.height < 1 || image.pixels == nullptr) {
    return failure(path, "пустое изображение");
  }
  const std::filesystem::path temporary = temporary_name(path);
  std::FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return failure(path, system_error_text(errno));

  std::vector<std::uint8_t> row(std::size_t(image.width) * 3);
  ErrorText error;
  bool ok = encode(file, image, row.data(), error);
  if (std::fflush(file) != 0 && ok) {
    ok = false;
    std::snprintf(error.text, sizeof error.text, "%s", system_error_text(errno).c_str());
  }
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    std::snprintf(error.text, sizeof error.text, "%s", system_error_text(errno).c_str());
  }
  std::error_code ec;
  if (ok) {
    std::filesystem::rename(temporary, path, ec);
    if (!ec) return {true, {}};
    std::snprintf(error.text, sizeof error.text, "%s", system_error_text(ec).c_str());
  }
  std::filesystem::remove(temporary, ec);
  return failure(path, error.text);
}

PngResult write_png(const Image& image, const std::filesystem::path& path) {
  if (image.pixels.size() != std::size_t(image.width) * std::size_t(image.height)) {
    return failure(path, "пустое изображение");
  }
  return write_png(ImageView{image.width, image.height, image.pixels.data()}, path);
}

PngResult write_png(const Canvas& canvas, const std::filesystem::path& path) {
  return canvas.read([&](ImageView image) { return write_png(image, path); });
}

}  // namespace lumi
