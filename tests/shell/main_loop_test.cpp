// The spine of the program: menus, the about text, the open dialog, refusals, the passes and the
// open request.
#include <algorithm>

#include "shell_fixture.h"

namespace lumi::test {
namespace {

int count_calls(const RecordingPlatform& p, const std::string& call) {
  const std::vector<std::string> calls = p.calls_starting(call);
  return static_cast<int>(std::count(calls.begin(), calls.end(), call));
}

TEST(InitialSettings, PlacesTheFrameAndBuildsThirteenMenuItemsInOrder) {
  RecordingPlatform platform;
  Scheme scheme;
  EXPECT_TRUE(initial_settings(platform, scheme));
  EXPECT_EQ(platform.calls_starting("set_frame_window"),
            std::vector<std::string>{"set_frame_window 4 50 50 400 650"});
  const std::vector<std::pair<int, std::string>> expected = {
      {1, "Файл"},   {1, "Открыть"},           {1, "Выход"},
      {2, "Edit"},   {2, "Выделить все окно"}, {2, "Выделить часть окна"},
      {2, "Copy (в буфер)"}, {3, "Window"},    {3, "Cascade"},
      {3, "Tile"},   {4, "Пауза"},             {4, "winstate"},
      {5, "Инструкция"}};
  ASSERT_EQ(platform.menu.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(platform.menu[i].menu, expected[i].first);
    EXPECT_EQ(platform.menu[i].text, expected[i].second);
    EXPECT_EQ(platform.menu[i].flags, kMenuEnabled);
  }
  // "Открыть" only raises the open request.
  platform.menu[1].handler();
  EXPECT_EQ(scheme.input.open_request.load(), 1);
}

TEST(AboutText, HasFourLinesTheSecondASingleBlank) {
  const std::string text = about_text("/usr/share/doc/lumirastra/README.md");
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t cr; (cr = text.find('\r', start)) != std::string::npos; start = cr + 1) {
    lines.push_back(text.substr(start, cr - start));
  }
  lines.push_back(text.substr(start));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0], "Инструкция в файле lumirastra2.pdf");
  EXPECT_EQ(lines[1], " ");
  EXPECT_EQ(lines[2], " Если у Вас его нет, загляните на");
  EXPECT_EQ(lines[3], "    /usr/share/doc/lumirastra/README.md");
  EXPECT_EQ(text.find('\n'), std::string::npos);
}

TEST_F(ShellTest, CancelledDialogEndsTheProgramWithStatusZero) {
  EXPECT_EQ(main_program(*program), 0);
  ASSERT_EQ(platform.dialog_requests.size(), 1u);
  const OpenFileRequest& request = platform.dialog_requests[0];
  EXPECT_EQ(request.title, "Чтение файла цели");
  ASSERT_EQ(request.filters.size(), 2u);
  EXPECT_EQ(request.filters[0].name, "Файлы с оптическими схемами (*.ops)");
  EXPECT_EQ(request.filters[0].pattern, "*.ops");
  EXPECT_EQ(request.filters[1].name, "Все файлы");
  EXPECT_TRUE(request.start_in_current_directory);
}

TEST_F(ShellTest, RefusedAndUnreadableFilesAreReportedAndTheDialogComesBack) {
  const std::string broken = write_file("broken.ops", " -10.  10. -10.  10.\n        11   abc\n");
  const std::string good = write_file("good.ops", scheme_text());
  platform.dialog_answers = {write_file("dir.ops", "") + ".missing", broken, good};
  int idles = 0;
  platform.on_idle = [&] {
    ++idles;
    program->scheme.input.open_request = 1;
  };
  EXPECT_EQ(main_program(*program), 0);
  ASSERT_EQ(platform.errors.size(), 2u);
  EXPECT_NE(platform.errors[0].find("dir.ops.missing"), std::string::npos);
  EXPECT_NE(platform.errors[1].find("broken.ops"), std::string::npos);
  EXPECT_NE(platform.errors[1].find("2"), std::string::npos);  // the line
  EXPECT_EQ(idles, 1);
  // Only the first dialog starts in the current directory.
  ASSERT_EQ(platform.dialog_requests.size(), 4u);
  EXPECT_TRUE(platform.dialog_requests[0].start_in_current_directory);
  EXPECT_FALSE(platform.dialog_requests[1].start_in_current_directory);
  EXPECT_FALSE(platform.dialog_requests[3].start_in_current_directory);
}

TEST_F(ShellTest, RefusedSchemeLeavesTheLogOfTheSchemeBeforeUntouched) {
  platform.dialog_answers = {write_file("good.ops", scheme_text()),
                             write_file("bad.ops", " -10.  10. -10.  10.\n        11        10\n")};
  platform.on_idle = [&] { program->scheme.input.open_request = 1; };
  main_program(*program);
  ASSERT_EQ(platform.errors.size(), 1u);
  EXPECT_NE(log_text().find(" фокальная плоскость с автопоиском: нарисовано"), std::string::npos);
}

TEST_F(ShellTest, TracedSchemeIsListedAndLoggedAndItsWindowsClosedInOrderOnOpen) {
  platform.dialog_answers = {write_file("s.ops", scheme_text())};
  platform.on_idle = [&] { program->scheme.input.open_request = 1; };
  EXPECT_EQ(main_program(*program), 0);
  const std::string log = log_text();
  EXPECT_EQ(log.substr(0, 41), "   -10.000    10.000   -10.000    10.000\n");
  EXPECT_NE(log.find("\n    №  Название  Элемента"), std::string::npos);
  EXPECT_NE(log.find(" Источник: вышло       9  лучей\n"), std::string::npos);
  EXPECT_NE(log.find(" фокальная плоскость с автопоиском: нарисовано      27  точек\n"),
            std::string::npos);
  EXPECT_EQ(platform.calls_starting("close_window"),
            (std::vector<std::string>{"close_window 1", "close_window 2"}));
  EXPECT_EQ(platform.calls_starting("register_mouse_handler"),
            std::vector<std::string>{"register_mouse_handler 1 91"});
  EXPECT_EQ(program->scheme.input.pointer_keys.load(), 0);
  EXPECT_EQ(count_calls(platform, "idle"), 1);
}

// A platform on which "Открыть" is chosen while element `at` is about to be traced.
class OpenDuringTrace : public RecordingPlatform {
 public:
  Scheme* scheme = nullptr;
  int at = 0;
  void report_progress(const TraceProgress& p) override {
    RecordingPlatform::report_progress(p);
    if (p.element == at && p.shift == 0) scheme->input.open_request = 1;
  }
};

TEST(OpenRequest, ArrivingInMidTraceStopsThePassBeforeTheNextElement) {
  OpenDuringTrace platform;
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("lumi-open-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  platform.log_path = dir / "log.dat";
  const std::filesystem::path file = dir / "s.ops";
  std::ofstream(file) << scheme_text("        21         4\n10.\n0.\n0.\n0.\n");
  platform.dialog_answers = {file.string()};
  auto program = std::make_unique<Program>(platform);
  platform.scheme = &program->scheme;
  platform.at = 1;  // the source is traced, then the request is seen before element 2
  platform.on_idle = [] { FAIL() << "the interactive phase must not start"; };
  EXPECT_EQ(main_program(*program), 0);

  std::ifstream in(platform.log_path, std::ios::binary);
  const std::string log = cp1251_to_utf8(
      std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
  EXPECT_NE(log.find(" Источник: вышло"), std::string::npos);
  EXPECT_EQ(log.find("диафрагма: нарисовано"), std::string::npos);
  EXPECT_EQ(platform.calls_starting("close_window"),
            (std::vector<std::string>{"close_window 1", "close_window 2", "close_window 3"}));
  EXPECT_EQ(program->scheme.count, 0);
  EXPECT_EQ(platform.dialog_requests.size(), 2u);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace lumi::test
