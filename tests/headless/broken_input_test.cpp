// lumirastra-trace given files that are not schemes and disks that refuse to be written: each
// fault is named with its file on standard error, the other schemes are traced, the exit status
// is 1, and nothing already written is damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include <sys/resource.h>

#include "headless/trace_cli_fixture.h"
#include "model/system_error.h"

namespace fs = std::filesystem;

namespace {

using lumi::test::kLog;
using lumi::test::TraceCli;
using lumi::test::TraceRun;

// A small scheme with `comment` as its first line.
std::string scheme_after(const std::string& comment, const std::string& line_end = "\n") {
  std::string text = comment + line_end;
  for (const char* line : {" -10.  10. -10.  10.", "        11        10", "2.", "2.", "-5.", "0.",
                           "0.", "3", "3", "0.5", "0.5", "1", "        62         8", "4.", "4.",
                           "5.", "0.", "0.", "-1.", "1.", "1."}) {
    text += line + line_end;
  }
  return text;
}

// The system's reason as the tracer tells it (in Russian for the errors a user meets).
std::string message(int error) { return lumi::system_error_text(error); }

TEST_F(TraceCli, FilesThatAreNotSchemesAreRefusedAndTheOthersTraced) {
  // Bytes that are neither UTF-8 nor sensible text: 0x98 has no character in code page 1251
  const std::string junk = "\xC0\x80\x98\xFF";
  const std::string ten_megabytes(10u << 20, 'x');
  fs::create_directory(dir_ / "folder.ops");
  const std::string plain = file("plain", "not a folder");

  struct Refused {
    std::string path;
    std::string message;
  };
  const std::vector<Refused> refused = {
      {file("empty.ops", ""), "empty.ops: файл пуст"},
      {file("binary.ops", std::string("\0\x01\xFF\xFE\0 x\0\n\x7F", 10) + "\x80"),
       "binary.ops, строка 1, колонки 1-5: \"??яю?\" — не число (x минимум заголовка)"},
      {file("long-line.ops", ten_megabytes),
       "long-line.ops, строка 1, колонки 1-5: \"xxxxx\" — не число (x минимум заголовка)"},
      {file("header-only.ops", " -10.  10. -10.  10.\n"),
       "header-only.ops: файл кончился раньше конечного элемента (61 или 62), при чтении строки "
       "элемента 1"},
      {file("junk-field.ops", " -10.  10. -10.  10.\n        11        10\n2.\n2" + junk + ".\n"),
       "junk-field.ops, строка 4, колонки 1-20: \"2АЂ?я.\" — не число (параметр в ячейке 4 "
       "элемента 1)"},
      {(dir_ / "folder.ops").string(),
       "folder.ops: не удалось прочитать файл: " + message(EISDIR)},
      {plain + "/under-a-file.ops",
       "plain/under-a-file.ops: не удалось прочитать файл: " + message(ENOTDIR)},
  };
  const std::vector<std::string> accepted = {
      file("cr-only.ops", scheme_after("C line ends are CR alone", "\r")),
      file("long-comment.ops", scheme_after("C" + ten_megabytes)),
      file("junk-comment.ops", scheme_after("C " + junk)),
  };

  std::string args = "--out " + out().string();
  for (const Refused& r : refused) args += " " + r.path;
  for (const std::string& path : accepted) args += " " + path;
  const TraceRun run = trace(args);

  EXPECT_EQ(run.status, 1);
  for (const Refused& r : refused) {
    EXPECT_NE(run.err.find(r.message + "\n"), std::string::npos) << r.message << "\n" << run.err;
  }
  for (const char* folder : {"cr-only", "long-comment", "junk-comment"}) {
    EXPECT_NE(read(out() / folder / kLog).find(" \xD4\xEE\xEA"), std::string::npos) << folder;
    EXPECT_TRUE(fs::exists(out() / folder / "window-02.png")) << folder;
  }
  for (const char* folder : {"empty", "binary", "long-line", "header-only", "junk-field"}) {
    EXPECT_FALSE(fs::exists(out() / folder)) << folder;
  }
}

// Sixteen million empty lines (a 16 MB file, just under what the reader takes): each is looked at
// and skipped, none is kept, so the refusal takes seconds and no more memory than the file.
TEST_F(TraceCli, MillionsOfEmptyLinesAreRefusedWithoutHoldingThem) {
  const std::string blank = file("blank.ops", std::string(16'000'000, '\n'));
  const TraceRun run = trace("--out " + out().string() + " " + blank);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("blank.ops: файл кончился раньше конечного элемента (61 или 62), при "
                         "чтении заголовка схемы"), std::string::npos) << run.err;
  rusage usage{};
  ASSERT_EQ(getrusage(RUSAGE_CHILDREN, &usage), 0);
  EXPECT_LT(usage.ru_maxrss, 1'000'000);  // kilobytes; a padded copy of every line took 4 GB
}

TEST_F(TraceCli, OutputThatCannotBeWrittenIsNamedAndTheRestWritten) {
  const std::string scheme = file("scheme.ops", scheme_after("C"));

  // An output folder that cannot be made: everything fails, each file named once
  TraceRun run = trace("--out /proc/lumi-no-folder " + scheme);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("/proc/lumi-no-folder: "), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("/proc/lumi-no-folder/" + kLog + ": не удалось записать файл "
                         "диагностики"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("/proc/lumi-no-folder/window-01.png"), std::string::npos) << run.err;

  // A log that fails on its first write (a full disk): reported, and the images still written
  fs::create_directories(out("full"));
  fs::create_symlink("/dev/full", out("full") / kLog);
  run = trace("--out " + out("full").string() + " " + scheme);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find(kLog + ": не удалось записать файл диагностики: " + message(ENOSPC)),
            std::string::npos) << run.err;
  EXPECT_TRUE(fs::exists(out("full") / "window-02.png"));

  // An image that cannot take the place of what is there: the others are written, no
  // half-written file is left behind
  fs::create_directories(out("taken") / "window-01.png" / "inside");
  run = trace("--out " + out("taken").string() + " " + scheme);
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("window-01.png: " + message(EISDIR)), std::string::npos) << run.err;
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(out("taken"))) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names,
            (std::vector<std::string>{"focus-02.png", "window-01.png", "window-02.png", kLog}));
}

}  // namespace
