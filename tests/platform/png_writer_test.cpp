// PNG files written from canvases: read back with libpng, replaced whole, and refused cleanly
// where the folder cannot be written or the disk fills up, leaving the old image as it was.
#include "platform/raster/png_writer.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace lumi {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    path_ = fs::temp_directory_path() /
            ("lumi-png-" + std::to_string(::getpid()) + "-" + test->name());
    fs::remove_all(path_);
    fs::create_directories(path_);
  }
  ~TempDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }
  std::vector<std::string> names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) {
      names.push_back(entry.path().filename().string());
    }
    return names;
  }

 private:
  fs::path path_;
};

struct ReadBack {
  bool ok = false;
  bool rgb8 = false;
  int width = 0, height = 0;
  std::vector<std::uint8_t> rgb;
  Rgb at(int x, int y) const {
    const std::size_t i = (std::size_t(y) * width + x) * 3;
    return rgb[i] | rgb[i + 1] << 8 | rgb[i + 2] << 16;
  }
};

ReadBack read_png(const fs::path& path) {
  ReadBack back;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return back;
  back.rgb8 = image.format == PNG_FORMAT_RGB;
  image.format = PNG_FORMAT_RGB;
  back.width = int(image.width);
  back.height = int(image.height);
  back.rgb.resize(PNG_IMAGE_SIZE(image));
  back.ok = png_image_finish_read(&image, nullptr, back.rgb.data(), 0, nullptr) != 0;
  return back;
}

TEST(PngWriterTest, RoundTripKeepsSizeAndPixels) {
  TempDir dir;
  Canvas canvas(37, 21);
  canvas.set_line_color(0x00FF00);
  canvas.move_to(0, 0);
  canvas.line_to(36, 20);
  canvas.set_pixel(36, 0, 0x123456);
  canvas.set_pixel(0, 20, 0x0000FF);
  const fs::path file = dir.path() / "window-01.png";
  const PngResult result = write_png(canvas, file);
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_TRUE(result.error.empty());

  const ReadBack back = read_png(file);
  ASSERT_TRUE(back.ok);
  EXPECT_TRUE(back.rgb8);
  EXPECT_EQ(back.width, 37);
  EXPECT_EQ(back.height, 21);
  const Image image = canvas.snapshot();
  for (int y = 0; y < 21; ++y) {
    for (int x = 0; x < 37; ++x) ASSERT_EQ(back.at(x, y), image.rgb(x, y)) << x << "," << y;
  }
  EXPECT_EQ(back.at(36, 0), 0x123456u);
  EXPECT_EQ(back.at(0, 20), 0x0000FFu);
  EXPECT_EQ(back.at(18, 10), 0x00FF00u);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"window-01.png"});  // nothing left behind
}

TEST(PngWriterTest, ReplacesAnExistingFileWhole) {
  TempDir dir;
  const fs::path file = dir.path() / "window-02.png";
  std::ofstream(file) << "old contents";
  Canvas canvas(3, 2);
  canvas.set_pixel(2, 1, 0xFFFFFF);
  ASSERT_TRUE(write_png(canvas, file).ok);
  const ReadBack back = read_png(file);
  ASSERT_TRUE(back.ok);
  EXPECT_EQ(back.at(2, 1), 0xFFFFFFu);
  EXPECT_EQ(dir.names().size(), 1u);
}

TEST(PngWriterTest, UnwritableFolderFailsCleanly) {
  TempDir dir;
  Canvas canvas(5, 5);
  const fs::path missing = dir.path() / "no-such-folder" / "window-01.png";
  const PngResult result = write_png(canvas, missing);
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("window-01.png"), std::string::npos) << result.error;
  EXPECT_FALSE(fs::exists(missing));

  // A folder that is a file.
  std::ofstream(dir.path() / "plain") << "x";
  EXPECT_FALSE(write_png(canvas, dir.path() / "plain" / "window-01.png").ok);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"plain"});

  // A target name taken by a folder: the encoded file cannot replace it and does not linger.
  fs::create_directory(dir.path() / "taken.png");
  fs::create_directory(dir.path() / "taken.png" / "inside");
  EXPECT_FALSE(write_png(canvas, dir.path() / "taken.png").ok);
  std::vector<std::string> names = dir.names();
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"plain", "taken.png"}));
}

TEST(PngWriterTest, RewriteThatFillsTheDiskLeavesTheOldImageWhole) {
  TempDir dir;
  const fs::path file = dir.path() / "window-01.png";
  ASSERT_TRUE(write_png(Canvas(4, 4), file).ok);
  const auto bytes = [&] {
    std::ifstream in(file, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  };
  const std::string before = bytes();
  Canvas noisy(300, 300);
  for (int i = 0; i < 300 * 300; ++i) noisy.set_pixel(i % 300, i / 300, Rgb(i * 2654435761u));

  // Files may grow to 4 KiB only, as on a full disk (root is held to it as well)
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const PngResult result = write_png(noisy, file);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, old_handler);

  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("window-01.png"), std::string::npos) << result.error;
  EXPECT_EQ(bytes(), before);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"window-01.png"});
}

TEST(PngWriterTest, EmptyImageIsRefused) {
  TempDir dir;
  EXPECT_FALSE(write_png(Image{}, dir.path() / "empty.png").ok);
  EXPECT_TRUE(dir.names().empty());
}

}  // namespace
}  // namespace lumi
