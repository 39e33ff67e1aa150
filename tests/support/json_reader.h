// A small JSON reader for the tests of the files the programs write: objects, arrays, strings
// (with the escapes the writers use), numbers (read with strtod), true, false and null. A text
// that is not JSON throws.
#pragma once

#include <cstdlib>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace lumi::test {

struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject } kind = Kind::kNull;
  bool boolean = false;
  double number = 0.0;
  std::string text;
  std::vector<Json> items;
  std::map<std::string, Json> fields;
  std::vector<std::string> keys;  // in the order written

  const Json& operator[](const std::string& key) const {
    const auto it = fields.find(key);
    if (it == fields.end()) throw std::runtime_error("no key " + key);
    return it->second;
  }
  const Json& operator[](std::size_t i) const { return items.at(i); }
  bool is_null() const { return kind == Kind::kNull; }
};

class JsonReader {
 public:
  static Json parse(std::string_view text) {
    JsonReader r(text);
    Json value = r.value();
    r.blanks();
    if (r.at_ != text.size()) r.fail("text after the value");
    return value;
  }

 private:
  explicit JsonReader(std::string_view text) : s_(text) {}

  [[noreturn]] void fail(const std::string& what) const {
    throw std::runtime_error("JSON: " + what + " at " + std::to_string(at_));
  }
  void blanks() {
    while (at_ < s_.size() && (s_[at_] == ' ' || s_[at_] == '\n' || s_[at_] == '\r' ||
                               s_[at_] == '\t')) {
      ++at_;
    }
  }
  bool take(char c) {
    blanks();
    if (at_ < s_.size() && s_[at_] == c) return ++at_, true;
    return false;
  }
  void expect(char c) {
    if (!take(c)) fail(std::string("expected ") + c);
  }
  bool word(std::string_view w) {
    if (s_.substr(at_, w.size()) != w) return false;
    at_ += w.size();
    return true;
  }

  Json value() {
    blanks();
    Json v;
    if (take('{')) return object();
    if (take('[')) return array();
    if (at_ < s_.size() && s_[at_] == '"') {
      v.kind = Json::Kind::kString;
      v.text = string();
    } else if (word("true") || word("false")) {
      v.kind = Json::Kind::kBool;
      v.boolean = s_[at_ - 1] == 'e' && s_[at_ - 2] == 'u';
    } else if (word("null")) {
      v.kind = Json::Kind::kNull;
    } else {
      v.kind = Json::Kind::kNumber;
      const std::string rest(s_.substr(at_, 40));
      char* end = nullptr;
      v.number = std::strtod(rest.c_str(), &end);
      if (end == rest.c_str()) fail("not a value");
      at_ += static_cast<std::size_t>(end - rest.c_str());
    }
    return v;
  }
  Json object() {
    Json v;
    v.kind = Json::Kind::kObject;
    if (take('}')) return v;
    do {
      blanks();
      std::string key = string();
      expect(':');
      v.keys.push_back(key);
      v.fields[key] = value();
    } while (take(','));
    expect('}');
    return v;
  }
  Json array() {
    Json v;
    v.kind = Json::Kind::kArray;
    if (take(']')) return v;
    do v.items.push_back(value());
    while (take(','));
    expect(']');
    return v;
  }
  std::string string() {
    if (at_ >= s_.size() || s_[at_] != '"') fail("expected a string");
    std::string out;
    for (++at_; at_ < s_.size() && s_[at_] != '"'; ++at_) {
      if (s_[at_] != '\\') {
        out += s_[at_];
        continue;
      }
      ++at_;
      if (at_ < s_.size() && s_[at_] == 'u') {
        const std::string hex(s_.substr(at_ + 1, 4));
        out += static_cast<char>(std::strtol(hex.c_str(), nullptr, 16));
        at_ += 4;
      } else if (at_ < s_.size()) {
        out += s_[at_];
      }
    }
    if (at_ >= s_.size()) fail("unterminated string");
    ++at_;
    return out;
  }

  std::string_view s_;
  std::size_t at_ = 0;
};

}  // namespace lumi::test
