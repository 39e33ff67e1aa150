// lumirastra-trace as a user runs it: the files it leaves, its messages and its exit status.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "headless/trace_cli_fixture.h"
#include "model/cp1251.h"

namespace fs = std::filesystem;

namespace {

using lumi::test::kLog;
using lumi::test::TraceCli;
using lumi::test::TraceRun;

TEST_F(TraceCli, OneSchemeLeavesItsLogAndOneImagePerWindow) {
  const TraceRun run = trace("--out " + out().string() + " " + example("newton-telescope.ops"));
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char* name : {"window-01.png", "window-02.png", "window-03.png", "window-04.png"}) {
    EXPECT_TRUE(fs::exists(out() / name)) << name;
  }
  EXPECT_FALSE(fs::exists(out() / "window-05.png"));
  const std::string log = lumi::cp1251_to_utf8(read(out() / kLog));
  EXPECT_EQ(log.substr(0, 41), "   -50.000   550.000  -100.000   250.000\n");
  EXPECT_NE(log.find("\n    №  Название  Элемента   Диаметр     Длина   Глубина        Xo        Yo"
                     "        Fi\n" + std::string(85, '-') + "\n"),
            std::string::npos);
  EXPECT_NE(log.find(" Источник: вышло     441  лучей\n"), std::string::npos);
  // The file itself is code page 1251: "Источник" starts with the byte 0xC8.
  EXPECT_NE(read(out() / kLog).find("\xC8\xF1\xF2\xEE\xF7\xED\xE8\xEA"), std::string::npos);
}

TEST_F(TraceCli, SeveralSchemesGetAFolderEachEvenWithTheSameName) {
  fs::create_directories(dir_ / "a");
  fs::copy_file(example("singlet.ops"), dir_ / "a" / "singlet.ops");
  const TraceRun run = trace("--out " + out().string() + " " + example("singlet.ops") + " " +
                        (dir_ / "a" / "singlet.ops").string() + " " +
                        example("grating-spectrograph.ops"));
  EXPECT_EQ(run.status, 0) << run.err;
  for (const char* folder : {"singlet", "singlet-2", "grating-spectrograph"}) {
    EXPECT_TRUE(fs::exists(out() / folder / kLog)) << folder;
    EXPECT_TRUE(fs::exists(out() / folder / "window-01.png")) << folder;
  }
}

TEST_F(TraceCli, RefusedSchemeIsReportedAndTheNextOneStillTraced) {
  const std::string bad = file("bad.ops", " -10.  10. -10.  10.\n        11        10\n1.x\n");
  const TraceRun run = trace("--out " + out().string() + " " + bad + " " + example("singlet.ops"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("bad.ops"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("1.x"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(out() / "bad"));
  EXPECT_TRUE(fs::exists(out() / "singlet" / kLog));
}

// An element given fewer parameters keeps the slots the scheme before it left there, and is
// checked with them: the cylindrical lens of b.ops (width 4) inherits the radii 1 of a.ops.
TEST_F(TraceCli, SecondSchemeIsCheckedWithTheSlotsTheFirstLeft) {
  const std::string source = "        11        10\n2\n1\n0\n0\n0\n10\n10\n0.5\n0.5\n1\n";
  const std::string plane = "        62         8\n4\n4\n8\n0\n0\n-1\n1\n0.5\n";
  const std::string header = "  -10   10   -5    5\n";
  const std::string a = file("a.ops", header + source +
                                          "        44         8\n1\n1\n3\n0\n0\n0\n1\n1\n" +
                                          plane);
  const std::string b = file("b.ops", header + source + "        44         1\n4\n" + plane);
  const TraceRun run = trace("--out " + out().string() + " " + a + " " + b);
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_TRUE(fs::exists(out() / "a" / kLog));
  EXPECT_FALSE(fs::exists(out() / "b"));
  EXPECT_NE(run.err.find("b.ops"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("ячейка 9 (R1) = 1:"), std::string::npos) << run.err;
  // Alone, b.ops finds zeros there and is traced
  EXPECT_EQ(trace("--out " + out("alone").string() + " " + b).status, 0);
}

TEST_F(TraceCli, MissingFileAndUnwritableOutputFailWithAMessage) {
  TraceRun run = trace("--out " + out().string() + " " + (dir_ / "nowhere.ops").string());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("nowhere.ops"), std::string::npos) << run.err;

  const std::string blocker = file("blocker", "a file, not a folder");
  run = trace("--out " + blocker + "/sub " + example("singlet.ops"));
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("blocker"), std::string::npos) << run.err;
}

// The system's errors a user meets read in Russian: a scheme that is not there, an output folder
// under a file.
TEST_F(TraceCli, DesktopSystemErrorsAreToldInRussian) {
  TraceRun run = trace("--out " + out().string() + " " + (dir_ / "nowhere.ops").string());
  EXPECT_NE(run.err.find("nowhere.ops: не удалось прочитать файл: нет такого файла или папки"),
            std::string::npos) << run.err;
  const std::string blocker = file("blocker", "a file, not a folder");
  run = trace("--out " + blocker + "/sub " + example("singlet.ops"));
  EXPECT_NE(run.err.find("часть пути не является папкой"), std::string::npos) << run.err;
}

TEST_F(TraceCli, ScriptedEventsHighlightAndNameTheElementUnderThePointer) {
  // Pixel (460, 110) of the scheme window lies at the focal plane's anchor (300, 200).
  const std::string events = file("events.txt", "move 100 100\nmove 460 110\n");
  const std::string scheme = example("newton-telescope.ops");
  TraceRun run = trace("--out " + out("plain").string() + " " + scheme);
  ASSERT_EQ(run.status, 0) << run.err;
  run = trace("--events " + events + " --out " + out("hover").string() + " " + scheme);
  ASSERT_EQ(run.status, 0) << run.err;
  // The status line and the highlight change the scheme window only.
  EXPECT_NE(read(out("plain") / "window-01.png"), read(out("hover") / "window-01.png"));
  EXPECT_EQ(read(out("plain") / "window-02.png"), read(out("hover") / "window-02.png"));
}

TEST_F(TraceCli, OpenWhileTracingStopsThePassBeforeTheNextElement) {
  const std::string events = file("events.txt", "open-while-tracing 2\n");
  const std::string scheme = example("newton-telescope.ops");
  const TraceRun run =
      trace("--events " + events + " --out " + out().string() + " " + scheme + " " + scheme);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string stopped = lumi::cp1251_to_utf8(read(out() / "newton-telescope" / kLog));
  EXPECT_NE(stopped.find(" Круглое сферическое зеркало: нарисовано"), std::string::npos);
  EXPECT_EQ(stopped.find(" Плоское прямоугольное зеркало"), std::string::npos);
  EXPECT_FALSE(fs::exists(out() / "newton-telescope" / "window-01.png"));
  // The dialog came back and the same scheme, read again, was traced to the end.
  const std::string full = lumi::cp1251_to_utf8(read(out() / "newton-telescope-2" / kLog));
  EXPECT_NE(full.find(" фокальная плоскость с автопоиском: нарисовано"), std::string::npos);
  EXPECT_TRUE(fs::exists(out() / "newton-telescope-2" / "window-04.png"));
}

TEST_F(TraceCli, BadEventsFileStopsBeforeAnyScheme) {
  const std::string events = file("events.txt", "move 1 2\nfly 3 4\n");
  const TraceRun run = trace("--events " + events + " --out " + out().string() + " " +
                             example("singlet.ops"));
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("events.txt, строка 2"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(out()));
  EXPECT_EQ(trace("--events " + (dir_ / "none.txt").string() + " " + example("singlet.ops")).status,
            2);
}

TEST_F(TraceCli, CommandLineMistakesAndHelp) {
  EXPECT_EQ(trace("").status, 2);
  EXPECT_EQ(trace("--frobnicate x.ops").status, 2);
  EXPECT_EQ(trace("--out").status, 2);
  EXPECT_EQ(trace("--help").status, 0);
}

}  // namespace
