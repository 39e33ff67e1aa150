// Reading scripted events.
#include "platform/headless/scripted_events.h"

#include <charconv>
#include <stdexcept>

namespace lumi {

namespace {

struct MouseWord {
  std::string_view word;
  int event;
  int default_keys;
};

constexpr MouseWord kMouseWords[] = {
    {"move", 64, 0}, {"press", 1, 1}, {"release", 2, 0}, {"rpress", 8, 2}, {"rrelease", 16, 0},
};

std::vector<std::string_view> split_words(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
    const std::size_t start = i;
    while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') ++i;
    if (i > start) words.push_back(line.substr(start, i - start));
  }
  return words;
}

bool parse_int(std::string_view word, int& value) {
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  return error == std::errc() && end == word.data() + word.size();
}

ScriptedEvent parse_line(const std::vector<std::string_view>& words) {
  ScriptedEvent e;
  if (words[0] == "open" && words.size() == 1) {
    e.kind = ScriptedEvent::Kind::kOpen;
    return e;
  }
  if (words[0] == "open-while-tracing" && words.size() == 2 && parse_int(words[1], e.element) &&
      e.element >= 1) {
    e.kind = ScriptedEvent::Kind::kOpenWhileTracing;
    return e;
  }
  for (const MouseWord& m : kMouseWords) {
    if (words[0] != m.word || words.size() < 3 || words.size() > 4) continue;
    e.event = m.event;
    e.keys = m.default_keys;
    if (parse_int(words[1], e.x) && parse_int(words[2], e.y) &&
        (words.size() == 3 || parse_int(words[3], e.keys))) {
      return e;
    }
  }
  throw std::invalid_argument("bad event");
}

}  // namespace

std::vector<ScriptedEvent> parse_scripted_events(std::string_view text, std::string_view label) {
  std::vector<ScriptedEvent> events;
  int line_number = 0;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    ++line_number;
    const std::vector<std::string_view> words = split_words(line);
    if (words.empty() || words[0][0] == '#') continue;
    try {
      events.push_back(parse_line(words));
    } catch (const std::invalid_argument&) {
      throw std::runtime_error(std::string(label) + ", строка " + std::to_string(line_number) +
                               ": непонятное событие \"" + std::string(line) +
                               "\" (ожидается move|press|release|rpress|rrelease X Y [KEYS], "
                               "open или open-while-tracing K)");
    }
  }
  return events;
}

}  // namespace lumi
