// Reading scheme files: the file's bytes become lines, comment lines drop out, and the header,
// element and parameter lines are read from their fixed columns. Faults that the program could
// not go on from soundly are refused with a SchemeError naming the file, the line and the field.
#include "model/scheme_reader.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <system_error>

#include "model/cp1251.h"
#include "model/fixed_format.h"
#include "model/numeric_field.h"
#include "model/scheme_error.h"
#include "model/system_error.h"

namespace lumi {

namespace {

// A scheme file is a few kilobytes; this bound only keeps a wrong choice (a device, a huge
// file) from filling the memory.
constexpr std::size_t kMaxFileSize = 16u << 20;

struct Line {
  int number = 0;         // 1-based line number in the file, comments included
  std::string_view text;  // code page 1251, cut to kLineLength; the rest reads as blanks
};

// The file's text in code page 1251: a UTF-8 file (one with Cyrillic comments saved by a modern
// editor) is converted, so its comment letters are recognised.
std::string cp1251_text(std::string_view bytes) {
  bytes.remove_prefix(utf8_bom_length(bytes));
  if (reads_as_utf8(bytes)) return utf8_to_cp1251(bytes);
  return std::string(bytes);
}

// Columns first..last (1-based) of a line; columns past its end are blanks, which fields ignore.
std::string_view columns(const Line& line, int first, int last) {
  const auto from = static_cast<std::size_t>(first - 1);
  if (from >= line.text.size()) return {};
  return line.text.substr(from, static_cast<std::size_t>(last - first + 1));
}

// A field's text for a message: without the blanks around it, control characters (a tab, a NUL)
// shown as '?', in UTF-8.
std::string quoted_text(std::string_view cp1251) {
  const std::size_t first = cp1251.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = cp1251.find_last_not_of(' ');
  std::string text(cp1251.substr(first, last - first + 1));
  for (char& c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  }
  return cp1251_to_utf8(text);
}

// Walks the non-comment lines one at a time and reads fields, with the file label for messages.
// Lines are found as they are asked for, so a file of millions of blank lines costs no memory.
class LineReader {
 public:
  LineReader(std::string text, std::string_view label) : text_(std::move(text)), label_(label) {}

  // The next non-comment line; LF, CRLF and a lone CR all end a line. `reading` says what was
  // being read, in the genitive ("заголовка схемы").
  Line next(std::string_view reading) {
    for (;;) {
      if (pos_ >= text_.size()) {
        throw SchemeError(std::string(label_) +
                          ": файл кончился раньше конечного элемента (61 или 62), при чтении " +
                          std::string(reading));
      }
      const std::size_t end = std::min(text_.find_first_of("\r\n", pos_), text_.size());
      const std::string_view line = std::string_view(text_).substr(pos_, end - pos_);
      pos_ = end + (text_.compare(end, 2, "\r\n") == 0 ? 2 : 1);
      ++number_;
      if (!is_comment_line(line)) return {number_, line.substr(0, kLineLength)};
    }
  }

  // The field in columns first..last (1-based); `what` names the value in messages.
  float field(const Line& line, int first, int last, std::string_view what) const {
    const std::string_view text = columns(line, first, last);
    const FieldValue value = read_numeric_field(text);
    if (value.status != FieldStatus::kNumber) {
      fail_field(line, first, last, text,
                 std::string(refusal_reason(value.status)) + " (" + std::string(what) + ")");
    }
    return value.value;
  }

  [[noreturn]] void fail(const Line& line, const std::string& fault) const {
    throw SchemeError(where(line) + ": " + fault);
  }

  // A fault of the field in columns first..last, quoting the text found there.
  [[noreturn]] void fail_field(const Line& line, int first, int last, std::string_view text,
                               const std::string& fault) const {
    throw SchemeError(where(line) + ", колонки " + std::to_string(first) + "-" +
                      std::to_string(last) + ": \"" + quoted_text(text) + "\" — " + fault);
  }

 private:
  std::string where(const Line& line) const {
    return std::string(label_) + ", строка " + std::to_string(line.number);
  }

  std::string text_;
  std::size_t pos_ = 0;
  int number_ = 0;
  std::string_view label_;
};

// Header line: while all four fields are exactly 0, the next line is taken.
void read_header(LineReader& reader, SchemeFile& file) {
  for (;;) {
    const Line line = reader.next("заголовка схемы");
    file.x_min = reader.field(line, 1, 5, "x минимум заголовка");
    file.x_max = reader.field(line, 6, 10, "x максимум заголовка");
    file.y_min = reader.field(line, 11, 15, "y минимум заголовка");
    file.y_max = reader.field(line, 16, 20, "y максимум заголовка");
    file.header_line = line.number;
    if (file.x_min != 0.0f || file.x_max != 0.0f || file.y_min != 0.0f || file.y_max != 0.0f) {
      return;
    }
  }
}

// Element k: its element line (lines with both fields exactly 0 are skipped), then one line per
// parameter, where a blank line reads 0.
void read_element(LineReader& reader, int k, SchemeFile& file) {
  const std::string of_k = " элемента " + std::to_string(k);
  const std::string reading = "строки" + of_k;
  const std::string code_name = "код типа" + of_k;
  const std::string count_name = "число параметров" + of_k;
  float code = 0.0f, count = 0.0f;
  Line line;
  do {
    line = reader.next(reading);
    code = reader.field(line, 1, 10, code_name);
    count = reader.field(line, 11, 20, count_name);
  } while (code == 0.0f && count == 0.0f);

  if (k > kMaxElements) {
    reader.fail(line, "больше " + std::to_string(kMaxElements) + " элементов (элемент " +
                          std::to_string(k) + " не помещается в схему)");
  }
  const int n = trunc_to_int(count);
  if (n > kMaxParameters) {
    reader.fail_field(line, 11, 20, columns(line, 11, 20),
                      "больше " + std::to_string(kMaxParameters) + " параметров (элемент " +
                          std::to_string(k) + ")");
  }

  ElementRecord& record = file.elements[static_cast<std::size_t>(k - 1)];
  file.lines[static_cast<std::size_t>(k - 1)] = line.number;
  record.slot(1) = code;
  record.slot(2) = count;
  for (int s = 3; s <= n + 2; ++s) {
    const std::string cell = " в ячейке " + std::to_string(s) + of_k;
    const Line parameter = reader.next("параметра" + cell);
    record.slot(s) = reader.field(parameter, 1, 20, "параметр" + cell);
  }
}

int clamped_parameter_count(const ElementRecord& record) {
  return std::clamp(record.parameter_count(), 0, kMaxParameters);
}

}  // namespace

bool is_comment_line(std::string_view line) {
  if (line.empty()) return false;
  switch (static_cast<unsigned char>(line[0])) {
    case 'C': case 'c': case '!': case 0xD1: case 0xF1: return true;
    default: return false;
  }
}

std::size_t utf8_bom_length(std::string_view bytes) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  return bytes.starts_with(kBom) ? kBom.size() : 0;
}

bool reads_as_utf8(std::string_view bytes) {
  const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return !ascii && is_valid_utf8(bytes);
}

SchemeFile parse_scheme(std::string_view bytes, std::string_view file_label) {
  if (bytes.empty()) throw SchemeError(std::string(file_label) + ": файл пуст");
  LineReader reader(cp1251_text(bytes), file_label);
  SchemeFile file;
  read_header(reader, file);
  for (int k = 1;; ++k) {
    read_element(reader, k, file);
    file.count = k;
    const float code = file.elements[static_cast<std::size_t>(k - 1)].code();
    if (code == code::kEnd || code == code::kFocalPlane) return file;
  }
}

std::string read_scheme_bytes(const std::string& path) {
  const auto refuse = [&](const std::string& reason) -> SchemeError {
    return SchemeError(path + ": не удалось прочитать файл: " + reason);
  };
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                        &std::fclose);
  if (!file) throw refuse(system_error_text(errno));

  std::string bytes;
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    bytes.append(buffer, got);
    if (bytes.size() > kMaxFileSize) throw refuse("файл слишком велик для схемы");
  }
  if (std::ferror(file.get())) throw refuse(system_error_text(errno));
  return bytes;
}

SchemeFile read_scheme_file(const std::string& path) {
  return parse_scheme(read_scheme_bytes(path), path);
}

ElementRecord installed_record(const SchemeFile& file, int k, const ElementRecord& old) {
  const ElementRecord& read = file.elements[static_cast<std::size_t>(k - 1)];
  ElementRecord record = old;
  const int last_slot = clamped_parameter_count(read) + 2;
  for (int s = 1; s <= last_slot; ++s) record.slot(s) = read.slot(s);
  return record;
}

void install_scheme(const SchemeFile& file, const std::string& path, Scheme& scheme) {
  scheme.x_min = file.x_min;
  scheme.x_max = file.x_max;
  scheme.y_min = file.y_min;
  scheme.y_max = file.y_max;
  scheme.file_name = path;
  scheme.count = file.count;
  for (int k = 1; k <= file.count; ++k) {
    scheme.element(k) = installed_record(file, k, scheme.element(k));
  }
}

std::vector<std::string> scheme_echo_lines(const SchemeFile& file) {
  std::vector<std::string> lines;
  lines.push_back(format_f(file.x_min, 10, 3) + format_f(file.x_max, 10, 3) +
                  format_f(file.y_min, 10, 3) + format_f(file.y_max, 10, 3));
  for (int k = 1; k <= file.count; ++k) {
    const ElementRecord& record = file.elements[static_cast<std::size_t>(k - 1)];
    lines.push_back(format_i(k, 5) + format_f(record.slot(1), 10, 3) +
                    format_f(record.slot(2), 10, 3));
    const int n = clamped_parameter_count(record);
    for (int s = 3; s <= n + 2; ++s) {
      lines.push_back(format_i(k, 5) + format_i(s, 5) + format_f(record.slot(s), 10, 3));
    }
  }
  return lines;
}

}  // namespace lumi
