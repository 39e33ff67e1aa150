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

namespace lumi {

namespace {

// A scheme file is a few kilobytes; this bound only keeps a wrong choice (a device, a huge
// file) from filling the memory.
constexpr std::size_t kMaxFileSize = 16u << 20;

struct Line {
  int number = 0;    // 1-based line number in the file, comments included
  std::string text;  // code page 1251, cut or padded to kLineLength
};

bool is_comment(std::string_view line) {
  if (line.empty()) return false;
  switch (static_cast<unsigned char>(line[0])) {
    case 'C': case 'c': case '!': case 0xD1: case 0xF1: return true;
    default: return false;
  }
}

// The file's text in code page 1251: a UTF-8 file (one with Cyrillic comments saved by a modern
// editor) is converted, so its comment letters are recognised.
std::string cp1251_text(std::string_view bytes) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  if (bytes.substr(0, kBom.size()) == kBom) bytes.remove_prefix(kBom.size());
  const bool ascii = std::all_of(bytes.begin(), bytes.end(),
                                 [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (!ascii && is_valid_utf8(bytes)) return utf8_to_cp1251(bytes);
  return std::string(bytes);
}

// Non-comment lines; LF, CRLF and a lone CR all end a line.
std::vector<Line> scheme_lines(std::string_view text) {
  std::vector<Line> lines;
  int number = 0;
  std::size_t start = 0;
  const auto add = [&](std::size_t end) {
    ++number;
    std::string_view line = text.substr(start, end - start);
    if (is_comment(line)) return;
    std::string padded(line.substr(0, kLineLength));
    padded.resize(kLineLength, ' ');
    lines.push_back({number, std::move(padded)});
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\n' && text[i] != '\r') continue;
    add(i);
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) add(text.size());
  return lines;
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

// Walks the non-comment lines and reads fields, with the file label for messages.
class LineReader {
 public:
  LineReader(std::vector<Line> lines, std::string_view label)
      : lines_(std::move(lines)), label_(label) {}

  // The next line; `reading` says what was being read, in the genitive ("заголовка схемы").
  const Line& next(const std::string& reading) {
    if (pos_ == lines_.size()) {
      throw SchemeError(std::string(label_) +
                        ": файл кончился раньше конечного элемента (61 или 62), при чтении " +
                        reading);
    }
    return lines_[pos_++];
  }

  // The field in columns first..last (1-based); `what` names the value in messages.
  float field(const Line& line, int first, int last, const std::string& what) const {
    const std::string_view text =
        std::string_view(line.text).substr(static_cast<std::size_t>(first - 1),
                                           static_cast<std::size_t>(last - first + 1));
    const FieldValue value = read_numeric_field(text);
    switch (value.status) {
      case FieldStatus::kNumber:
        break;
      case FieldStatus::kNotANumber:
        fail_field(line, first, last, text, "не число (" + what + ")");
      case FieldStatus::kTooLarge:
        fail_field(line, first, last, text,
                   "число вне диапазона одинарной точности (" + what + ")");
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

  std::vector<Line> lines_;
  std::size_t pos_ = 0;
  std::string_view label_;
};

// Header line: while all four fields are exactly 0, the next line is taken.
void read_header(LineReader& reader, SchemeFile& file) {
  for (;;) {
    const Line& line = reader.next("заголовка схемы");
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
  float code = 0.0f, count = 0.0f;
  const Line* line = nullptr;
  do {
    line = &reader.next("строки" + of_k);
    code = reader.field(*line, 1, 10, "код типа" + of_k);
    count = reader.field(*line, 11, 20, "число параметров" + of_k);
  } while (code == 0.0f && count == 0.0f);

  if (k > kMaxElements) {
    reader.fail(*line, "больше " + std::to_string(kMaxElements) + " элементов (элемент " +
                           std::to_string(k) + " не помещается в схему)");
  }
  const int n = trunc_to_int(count);
  if (n > kMaxParameters) {
    reader.fail_field(*line, 11, 20, line->text.substr(10, 10),
                      "больше " + std::to_string(kMaxParameters) + " параметров (элемент " +
                          std::to_string(k) + ")");
  }

  ElementRecord& record = file.elements[static_cast<std::size_t>(k - 1)];
  file.lines[static_cast<std::size_t>(k - 1)] = line->number;
  record.slot(1) = code;
  record.slot(2) = count;
  for (int s = 3; s <= n + 2; ++s) {
    const std::string cell = " в ячейке " + std::to_string(s) + of_k;
    const Line& parameter = reader.next("параметра" + cell);
    record.slot(s) = reader.field(parameter, 1, 20, "параметр" + cell);
  }
}

int clamped_parameter_count(const ElementRecord& record) {
  return std::clamp(record.parameter_count(), 0, kMaxParameters);
}

}  // namespace

SchemeFile parse_scheme(std::string_view bytes, std::string_view file_label) {
  if (bytes.empty()) throw SchemeError(std::string(file_label) + ": файл пуст");
  LineReader reader(scheme_lines(cp1251_text(bytes)), file_label);
  SchemeFile file;
  read_header(reader, file);
  for (int k = 1;; ++k) {
    read_element(reader, k, file);
    file.count = k;
    const float code = file.elements[static_cast<std::size_t>(k - 1)].code();
    if (code == code::kEnd || code == code::kFocalPlane) return file;
  }
}

SchemeFile read_scheme_file(const std::string& path) {
  const auto refuse = [&](const std::string& reason) -> SchemeError {
    return SchemeError(path + ": не удалось прочитать файл: " + reason);
  };
  errno = 0;
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"),
                                                        &std::fclose);
  if (!file) throw refuse(std::generic_category().message(errno));

  std::string bytes;
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
    bytes.append(buffer, got);
    if (bytes.size() > kMaxFileSize) throw refuse("файл слишком велик для схемы");
  }
  if (std::ferror(file.get())) throw refuse(std::generic_category().message(errno));
  return parse_scheme(bytes, path);
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
