// The tracer's scheme options as a user runs them: --save-scheme writes back what it read (and
// nothing refused), --set gives the log of the edited file, --check writes nothing, --watch traces
// each change (and not its own saving).
#include <csignal>
#include <chrono>
#include <thread>

#include "headless/trace_cli_fixture.h"

namespace lumi::test {
namespace {

using namespace std::chrono_literals;

TEST_F(TraceCli, SaveSchemeWritesEveryAcceptedFileBackUnchanged) {
  std::vector<fs::path> schemes;
  for (const char* dir : {LUMI_EXAMPLES_DIR, LUMI_FUZZ_CORPUS_DIR}) {
    for (const auto& entry : fs::directory_iterator(dir)) {
      if (entry.is_regular_file()) schemes.push_back(entry.path());  // not examples/python
    }
  }
  for (const fs::path& scheme : schemes) {
    const fs::path saved = dir_ / "saved.ops";
    fs::remove(saved);
    trace("--save-scheme " + saved.string() + " --out " + out().string() + " " + scheme.string());
    EXPECT_EQ(read(saved), read(scheme)) << scheme;
  }
}

TEST_F(TraceCli, SetGivesTheLogOfTheEditedFileAndNamesItselfWhenRefused) {
  const std::string scheme = example("newton-telescope.ops");
  const fs::path edited = dir_ / "edited.ops";
  const TraceRun set = trace("--set 3.5=310 --set 2.7=790.5 --set 3.1=-31 --save-scheme " +
                             edited.string() + " --out " + out("set").string() + " " + scheme);
  ASSERT_EQ(set.status, 0) << set.err;
  ASSERT_EQ(trace("--out " + out("file").string() + " " + edited.string()).status, 0);
  EXPECT_EQ(read(out("set") / kLog), read(out("file") / kLog));
  EXPECT_NE(read(out("set") / kLog).find("790.500"), std::string::npos);

  const fs::path not_saved = dir_ / "refused.ops";
  const TraceRun refused = trace("--set 3.4=-1 --save-scheme " + not_saved.string() + " --out " +
                                 out("bad").string() + " " + scheme);
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.err.find(scheme + ", --set 3.4: элемент 3 (плоское зеркало), ячейка 4 (H)"),
            std::string::npos)
      << refused.err;
  EXPECT_FALSE(fs::exists(out("bad") / kLog));
  EXPECT_FALSE(fs::exists(not_saved)) << "a refused scheme is not saved";
}

TEST_F(TraceCli, CheckReportsEachSchemeAndWritesNothing) {
  std::string swapped = read(example("singlet.ops"));
  swapped.replace(swapped.find(" -20. 220."), 10, " 220. -20.");
  const std::string bad = file("bad.ops", swapped);
  const fs::path cwd = fs::current_path();
  fs::current_path(dir_);
  const TraceRun good =
      trace("--check " + example("singlet.ops") + " " + example("all-elements.ops"));
  const TraceRun mixed = trace("--check " + bad + " " + example("singlet.ops"));
  fs::current_path(cwd);
  EXPECT_EQ(good.status, 0) << good.err;
  EXPECT_EQ(mixed.status, 1);
  EXPECT_NE(mixed.err.find("bad.ops, строка 4: заголовок схемы"), std::string::npos) << mixed.err;
  EXPECT_FALSE(fs::exists(dir_ / kLog));
  EXPECT_FALSE(fs::exists(dir_ / "window-01.png"));
}

// The log's bytes once they differ from `before`, or "" after a few seconds.
std::string next_log(const fs::path& log, const std::string& before) {
  for (auto waited = 0ms; waited < 10s; waited += 50ms) {
    std::ifstream in(log, std::ios::binary);
    std::string now((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Complete once the focal plane's last line ("... точек", code page 1251) is in it.
    if (now != before && now.ends_with("\xF2\xEE\xF7\xE5\xEA\n")) return now;
    std::this_thread::sleep_for(50ms);
  }
  return "";
}

TEST_F(TraceCli, WatchTracesAgainWhenTheFileIsWrittenOrReplacedAndEndsOnInterrupt) {
  const std::string original = read(example("singlet.ops"));
  const std::string scheme = file("w.ops", original);
  const fs::path log = out() / kLog;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::freopen("/dev/null", "w", stderr);
    // Saved over itself: the tracer's own write is no change to trace again
    ::execl(LUMI_TRACE_BIN, LUMI_TRACE_BIN, "--watch", "--save-scheme", scheme.c_str(), "--out",
            out().c_str(), scheme.c_str(), static_cast<char*>(nullptr));
    ::_exit(127);
  }
  const std::string first = next_log(log, "");
  ASSERT_FALSE(first.empty());
  const auto first_written = fs::last_write_time(log);
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(fs::last_write_time(log), first_written) << "traced again with no change";

  std::string moved = original;
  moved.replace(moved.find("150.   Xo"), 4, "151.");
  std::ofstream(scheme, std::ios::binary | std::ios::trunc) << moved;  // written in place
  const std::string second = next_log(log, first);
  EXPECT_NE(second.find("151.000"), std::string::npos);

  file("half.ops", original.substr(0, 200));  // a refused version keeps the last good log
  fs::rename(dir_ / "half.ops", scheme);
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(read(log), second);
  file("new.ops", original);  // replaced by rename, as editors save
  fs::rename(dir_ / "new.ops", scheme);
  EXPECT_EQ(next_log(log, second), first);

  ::kill(pid, SIGINT);
  int status = 0;
  ::waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

}  // namespace
}  // namespace lumi::test
