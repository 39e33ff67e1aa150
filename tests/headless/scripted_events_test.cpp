// Scripted events: the file format, and the events played against a real scheme.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/headless/scripted_events.h"

namespace lumi {
namespace {

using Kind = ScriptedEvent::Kind;

TEST(ScriptedEvents, ReadsEveryKindWithDefaultAndGivenKeys) {
  const auto events = parse_scripted_events(
      "# a comment\n\nmove 10 20\npress 1 2\npress 1 2 5\r\nrelease 3 4\nrpress 5 6\n"
      "rrelease 7 8 4\nopen\nopen-while-tracing 3\n",
      "e.txt");
  ASSERT_EQ(events.size(), 8u);
  EXPECT_EQ(events[0].event, 64);
  EXPECT_EQ(events[0].keys, 0);
  EXPECT_EQ(events[0].x, 10);
  EXPECT_EQ(events[0].y, 20);
  EXPECT_EQ(events[1].event, 1);
  EXPECT_EQ(events[1].keys, 1);
  EXPECT_EQ(events[2].keys, 5);
  EXPECT_EQ(events[3].event, 2);
  EXPECT_EQ(events[4].event, 8);
  EXPECT_EQ(events[4].keys, 2);
  EXPECT_EQ(events[5].event, 16);
  EXPECT_EQ(events[5].keys, 4);
  EXPECT_EQ(events[6].kind, Kind::kOpen);
  EXPECT_EQ(events[7].kind, Kind::kOpenWhileTracing);
  EXPECT_EQ(events[7].element, 3);
}

TEST(ScriptedEvents, BadLinesAreRefusedWithFileAndLine) {
  for (const char* bad : {"jump 1 2", "move 1", "move 1 2 3 4", "move x 2", "open now",
                          "open-while-tracing", "open-while-tracing 0", "press 1 2 1.5"}) {
    try {
      parse_scripted_events(std::string("move 1 1\n") + bad + "\n", "e.txt");
      ADD_FAILURE() << bad;
    } catch (const std::runtime_error& e) {
      EXPECT_NE(std::string(e.what()).find("e.txt, строка 2"), std::string::npos) << e.what();
    }
  }
}

}  // namespace
}  // namespace lumi
