// The fixture of the tests that run lumirastra-trace as a user runs it: a temporary folder, scheme
// files written into it, and runs with standard error captured.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

namespace lumi::test {

namespace fs = std::filesystem;

struct TraceRun {
  int status = -1;
  std::string err;
};

class TraceCli : public ::testing::Test {
 protected:
  TraceCli() {
    dir_ = fs::temp_directory_path() /
           ("lumi-cli-" + std::to_string(::getpid()) + "-" + std::to_string(++counter_));
    fs::create_directories(dir_);
  }
  ~TraceCli() override { fs::remove_all(dir_); }

  // Runs the tracer with the arguments (already quoted where needed), standard error captured.
  TraceRun trace(const std::string& args) {
    const fs::path err = dir_ / "stderr.txt";
    const std::string command = std::string(LUMI_TRACE_BIN) + " " + args + " 2>" +
                                err.string() + " >/dev/null";
    TraceRun run;
    const int raw = std::system(command.c_str());
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    run.err = read(err);
    return run;
  }

  static std::string read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  static std::string example(const std::string& name) {
    return std::string(std::getenv("LUMI_EXAMPLES")) + "/" + name;
  }
  std::string file(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
    return (dir_ / name).string();
  }
  fs::path out(const std::string& name = "out") const { return dir_ / name; }

  static inline int counter_ = 0;
  fs::path dir_;
};

inline const std::string kLog = "диагностика.dat";

}  // namespace lumi::test
