// Scheme text: lines as the reader finds them, and fields rewritten in their own columns.
#include "model/scheme_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "model/cp1251.h"
#include "model/numeric_field.h"
#include "model/scheme_reader.h"

namespace lumi {

namespace {

// "1e+05" → "1e5", "1e-05" → "1e-5": the reader takes an exponent without its plus sign and its
// leading zeros.
std::string compact_exponent(std::string text) {
  const std::size_t e = text.find('e');
  if (e == std::string::npos) return text;
  std::size_t digits = e + 1;
  if (text[digits] == '+') text.erase(digits, 1);
  if (text[digits] == '-') ++digits;
  while (digits + 1 < text.size() && text[digits] == '0') text.erase(digits, 1);
  return text;
}

// "0.5" → ".5", "-0.5" → "-.5".
std::string drop_leading_zero(std::string text) {
  const std::size_t zero = text.starts_with('-') ? 1 : 0;
  if (text.compare(zero, 2, "0.") == 0) text.erase(zero, 1);
  return text;
}

bool reads_back(std::string_view text, float value) {
  const FieldValue read = read_numeric_field(text);
  return read.status == FieldStatus::kNumber && read.value == value &&
         std::signbit(read.value) == std::signbit(value);
}

}  // namespace

SchemeText SchemeText::split(std::string_view bytes) {
  SchemeText text;
  text.bom = std::string(bytes.substr(0, utf8_bom_length(bytes)));
  bytes.remove_prefix(text.bom.size());
  // Behind a byte order mark, a file of plain ASCII is UTF-8 all the same: new text goes in as such
  text.utf8 = reads_as_utf8(bytes) ||
              (!text.bom.empty() && std::all_of(bytes.begin(), bytes.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x80;
              }));
  std::size_t pos = 0;
  while (pos < bytes.size()) {
    const std::size_t end = std::min(bytes.find_first_of("\r\n", pos), bytes.size());
    const std::size_t next = end + (bytes.substr(end, 2) == "\r\n" ? 2 : 1);
    TextLine line{std::string(bytes.substr(pos, end - pos)),
                  std::string(bytes.substr(end, std::min(next, bytes.size()) - end)), false};
    line.comment = is_comment_line(text.utf8 ? utf8_to_cp1251(line.text.substr(0, 4)) : line.text);
    text.lines.push_back(std::move(line));
    pos = next;
  }
  return text;
}

std::string SchemeText::join() const {
  std::string bytes = bom;
  for (const TextLine& line : lines) bytes += line.text + line.end;
  return bytes;
}

std::string_view SchemeText::newline() const {
  for (const TextLine& line : lines) {
    if (!line.end.empty()) return line.end;
  }
  return "\n";
}

std::string SchemeText::encoded(std::string_view utf8_text) const {
  return utf8 ? std::string(utf8_text) : utf8_to_cp1251(utf8_text);
}

std::string shortest_text(float value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

std::optional<std::string> field_text(float value, int width) {
  if (!std::isfinite(value)) return std::nullopt;
  const std::string text = shortest_text(value);
  // The plain shortest form first; shorter spellings only where the field needs them.
  for (std::string candidate : {text, compact_exponent(text), drop_leading_zero(text),
                                drop_leading_zero(compact_exponent(text))}) {
    if (static_cast<int>(candidate.size()) <= width && reads_back(candidate, value)) {
      return candidate;
    }
  }
  return std::nullopt;
}

void write_field(std::string& line, int first, int last, std::string_view text) {
  const auto from = static_cast<std::size_t>(first - 1);
  const auto width = static_cast<std::size_t>(last - first + 1);
  if (line.size() < from) line.resize(from, ' ');
  const std::string_view old = std::string_view(line).substr(from, width);
  const bool left =
      !old.empty() && old.front() != ' ' && (old.size() < width || old.back() == ' ');
  std::string field(width, ' ');
  field.replace(left ? 0 : width - text.size(), text.size(), text);
  const bool line_ends_in_field = line.size() <= from + width;
  if (left && line_ends_in_field) field.erase(field.find_last_not_of(' ') + 1);
  line.replace(from, old.size(), field);
}

}  // namespace lumi
