// Helpers for tests of the shell: scheme files in a temporary folder and a program on the
// recording platform.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "model/cp1251.h"
#include "shell/main_loop.h"
#include "support/recording_platform.h"

namespace lumi::test {

// A scheme of a source and a focal plane, with `middle` element blocks between them.
inline std::string scheme_text(const std::string& middle = "") {
  return " -10.  10. -10.  10.\n"
         "        11        10\n2.\n2.\n-5.\n0.\n0.\n3\n3\n0.5\n0.5\n1\n" +
         middle +
         "        62         8\n4.\n4.\n5.\n0.\n0.\n-1.\n1.\n1.\n";
}

class ShellTest : public ::testing::Test {
 protected:
  ShellTest() {
    dir_ = std::filesystem::temp_directory_path() /
           ("lumi-shell-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_));
    std::filesystem::create_directories(dir_);
    platform.log_path = dir_ / std::string(kLogFileName);
    program = std::make_unique<Program>(platform);
  }
  ~ShellTest() override { std::filesystem::remove_all(dir_); }

  std::string write_file(const std::string& name, const std::string& text) {
    const std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  // The log as UTF-8 text.
  std::string log_text() const {
    std::ifstream in(platform.log_path, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return cp1251_to_utf8(bytes);
  }

  RecordingPlatform platform;
  std::unique_ptr<Program> program;

 private:
  static inline int counter_ = 0;
  std::filesystem::path dir_;
};

}  // namespace lumi::test
