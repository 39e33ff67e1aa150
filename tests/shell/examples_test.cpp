// What the bundled examples promise of the mouse: each element can be picked, at its own anchor
// point, which lies inside the scheme window's world (the pointer is clamped to it).
#include <cstdlib>

#include "shell/interactive.h"
#include "shell_fixture.h"

namespace lumi::test {
namespace {

TEST_F(ShellTest, DesktopPicksEveryElementOfTheBundledExamples) {
  const char* examples = std::getenv("LUMI_EXAMPLES");
  ASSERT_NE(examples, nullptr);
  for (const char* name :
       {"all-elements.ops", "grating-spectrograph.ops", "newton-telescope.ops", "singlet.ops"}) {
    platform.dialog_answers.emplace_back(std::string(examples) + "/" + name);
  }
  std::vector<int> checked;
  platform.on_idle = [&] {
    const Scheme& s = program->scheme;
    for (int k = 1; k <= s.count; ++k) {
      const PointF a = s.pick(k);
      EXPECT_EQ(nearest_element(s, a.x, a.y, 0), k) << s.file_name << ", element " << k;
      EXPECT_TRUE(a.x >= s.x_min && a.x <= s.x_max && a.y >= s.y_min && a.y <= s.y_max)
          << s.file_name << ", element " << k;
    }
    checked.push_back(s.count);
    program->scheme.input.open_request = 1;
  };
  EXPECT_EQ(main_program(*program), 0);
  EXPECT_EQ(checked, (std::vector<int>{11, 4, 4, 3}));
}

}  // namespace
}  // namespace lumi::test
