// The two passes: the scheme window, the dispatch by absolute code in preparation and by signed
// code in tracing, switched-off elements, and the log lines of a whole traced scheme.
#include "tracing/passes.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "tracing/trace_fixture.h"

namespace lumi::test {
namespace {

class PassesTest : public TraceTest {
 protected:
  PassesTest() {
    platform.open_activates = true;
    scheme.x_min = -50.0f;
    scheme.x_max = 50.0f;
    scheme.y_min = -40.0f;
    scheme.y_max = 40.0f;
    scheme.file_name = "/data/схема.ops";
  }

  void add(const ElementRecord& e) { scheme.element(++scheme.count) = e; }

  // A parallel source at the origin along +x: 10 rows across 8 units, 10 up 0 units, 1 wavelength.
  static ElementRecord source(float code = 11.0f) {
    return make_element(code, {8, 0, 0, 0, 0, 10, 10, 0.5f, 0.5f, 1});
  }
  void trace_all() {
    for (int k = 1; k <= scheme.count; ++k) trace_element(ws, scheme.element(k), rays, k);
  }
};

TEST_F(PassesTest, SchemeWindowHasTheFileInItsCaptionAndGreyAxes) {
  open_scheme_window(ws, -50.0f, 50.0f, -40.0f, 40.0f, "/data/схема.ops      ");
  ASSERT_FALSE(platform.calls.empty());
  EXPECT_EQ(platform.calls_starting("set_frame_window").at(0).substr(0, 18),
            "set_frame_window 2");
  const std::string title = platform.open_windows.at(1);
  EXPECT_EQ(title, utf8_fixed_width("1  Оптическая схема, файл /data/схема.ops", 100));
  EXPECT_EQ(platform.calls_starting("set_window_config").at(0), "set_window_config 1 800 600");
  EXPECT_EQ(platform.calls_starting("initialize_fonts").size(), 1u);

  const ViewRecord& v = graphics.view(1, 1);
  EXPECT_EQ(v.x_min, -50.0f);
  EXPECT_EQ(v.y_max, 40.0f);
  EXPECT_EQ(v.logical_right, 230.0f);
  const auto segments = segments_in(1);
  ASSERT_FALSE(segments.empty());
  // The view frame is drawn before the axes select nothing: grey throughout
  EXPECT_TRUE(std::all_of(segments.begin(), segments.end(),
                          [](const RecordedSegment& s) { return s.color == kGrey; }));
  EXPECT_EQ(next_line_color(1), kRed);
}

TEST_F(PassesTest, SchemeWindowCaptionIsCutAtOneHundredCharacters) {
  const std::string name(120, 'a');
  open_scheme_window(ws, 0.0f, 1.0f, 0.0f, 1.0f, name);
  const std::string title = platform.open_windows.at(1);
  EXPECT_EQ(title, utf8_fixed_width("1  Оптическая схема, файл " + name, 100));
  EXPECT_EQ(title.back(), 'a');
}

TEST_F(PassesTest, SwitchedOffElementIsPreparedInGreyButNotTraced) {
  add(source());
  add(make_element(-21.0f, {4, 10, 0, 0}));
  prepare_scheme(ws);
  EXPECT_EQ(platform.open_windows.count(2), 1u);
  EXPECT_EQ(scheme.pick(2).x, 10.0f);
  // The outline across the axis at x = 10: the last segment drawn into the scheme window
  const RecordedSegment outline = segments_in(1).back();
  expect_segment(outline, 10.0f, 2.0f, 10.0f, -2.0f);
  EXPECT_EQ(outline.color, kGrey);
  EXPECT_EQ(platform.calls.back(), "w1 focus_window 1");

  trace_all();
  EXPECT_EQ(rays.count, 100);
  EXPECT_EQ(std::count_if(rays.begin(), rays.end(), [](const Ray& r) { return r.x == 0.0; }),
            100);
  EXPECT_TRUE(pixels_in(2).empty());
  EXPECT_EQ(log_lines(), std::vector<std::string>{" Источник: вышло     100  лучей"});
}

TEST_F(PassesTest, SwitchedOffSourceMakesNoRays) {
  set_rays({make_ray(1, 2, 3, 1, 0, 0)});
  add(source(-11.0f));
  prepare_scheme(ws);
  EXPECT_EQ(segments_in(1).back().color, kGrey);
  trace_all();
  EXPECT_EQ(rays.count, 1);
  EXPECT_EQ(rays[0].x, 1.0);
  EXPECT_TRUE(log_lines().empty());
}

TEST_F(PassesTest, TracingComparesTheSignedCodeExactly) {
  const float codes[] = {21.5f, 20.999998f, 44.0f, 61.0f, -62.0f, 0.0f};
  for (float c : codes) {
    set_rays({make_ray(0, 0, 0, 1, 0, 0)});
    trace_element(ws, make_element(c, {4, 10, 0, 0, 0}), rays, 2);
    EXPECT_EQ(rays[0].x, 0.0) << c;
  }
  EXPECT_TRUE(log_lines().empty());
  open_scheme_view(-20.0f, 20.0f, -20.0f, 20.0f);
  trace_element(ws, make_element(21.0f, {4, 10, 0, 0}), rays, 2);
  EXPECT_EQ(rays[0].x, 10.0);
}

// Every platform call prepare_scheme makes for a scheme of a source and an end element, with
// element `middle` between them.
std::vector<std::string> preparation_calls(const ElementRecord& middle) {
  RecordingPlatform platform;
  Graphics graphics(platform);
  Scheme scheme;
  DiagnosticsLog log("/nonexistent/log.dat", nullptr);
  Workspace ws{graphics, scheme, log};
  scheme.x_max = scheme.y_max = 10.0f;
  scheme.count = 3;
  scheme.element(1) = make_element(11.0f, {2, 0, 0, 0, 0, 1, 1, 0.5f, 0.5f, 1});
  scheme.element(2) = middle;
  scheme.element(3) = make_element(61.0f, {});
  prepare_scheme(ws);
  return platform.calls;
}

TEST(PrepareScheme, LeavesTheCylindricalLensToTheInteractiveStep) {
  const ElementRecord lens = make_element(44.0f, {4, 5, 5, 0, 0, 10, 0, 0, 1});
  const auto without = preparation_calls(make_element(61.0f, {}));
  EXPECT_EQ(preparation_calls(lens), without);

  RecordingPlatform platform;
  Graphics graphics(platform);
  Scheme scheme;
  DiagnosticsLog log("/nonexistent/log.dat", nullptr);
  Workspace ws{graphics, scheme, log};
  prepare_element(ws, lens, 2, kOutlineOnly);
  EXPECT_FALSE(platform.segments.empty());
}

TEST_F(PassesTest, WholeSchemeLogsEachElementToTheByte) {
  add(source());
  add(make_element(21.0f, {6, 10, 0, 0}));              // lets 6 of the 10 rows pass
  add(make_element(22.0f, {4, 2, 20, 0, 0}));            // lets 4 of them pass
  add(make_element(31.0f, {10, 10, 30, 0, 180}));        // reflects them back
  add(make_element(23.0f, {1, 25, 0, 180}));             // stops the two middle rows
  add(make_element(61.0f, {}));
  prepare_scheme(ws);
  trace_all();
  const std::vector<std::string> expected = {
      " Источник: вышло     100  лучей",
      " Круглая наружная диафрагма: нарисовано     100  лучей",
      " Прямоугольная диафрагма: нарисовано      60  лучей",
      " Плоское прямоугольное зеркало: нарисовано      40  лучей",
      " Круглая внутренняя диафрагма: нарисовано      40  лучей",
  };
  EXPECT_EQ(log_lines(), expected);
  EXPECT_EQ(std::count_if(rays.begin(), rays.end(), [](const Ray& r) { return r.is_alive(); }),
            20);

  // The file holds code page 1251, one line each
  std::ifstream in(log.path(), std::ios::binary);
  const std::string bytes{std::istreambuf_iterator<char>(in), {}};
  EXPECT_EQ(bytes.substr(0, bytes.find('\n') + 1),
            utf8_to_cp1251(" Источник: вышло     100  лучей") + "\n");
}

}  // namespace
}  // namespace lumi::test
