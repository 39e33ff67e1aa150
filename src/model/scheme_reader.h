// Reading scheme files: fixed columns, comment lines, the zero-skipping rules, and the echo of the
// values read. Reading is separate from installing, so a refused file leaves the current scheme and
// the log untouched.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "model/scheme.h"

namespace lumi {

inline constexpr int kLineLength = 200;

// What one scheme file holds. Only slots 1..n+2 of each record are read from the file; the
// others are not part of the file and are not installed (they keep what the scheme state held).
struct SchemeFile {
  float x_min = 0.0f, x_max = 0.0f, y_min = 0.0f, y_max = 0.0f;
  int count = 0;
  int header_line = 0;  // file line of the header, for messages
  std::array<ElementRecord, kMaxElements> elements{};
  std::array<int, kMaxElements> lines{};  // file line of each element line, for messages
};

// Parses the bytes of a scheme file. `file_label` names the file in messages. Throws SchemeError
// for an empty file, a bad field, a file that ends before its end element (61 or 62), more than 50
// elements or a parameter count above 198. CRLF and CR line ends are accepted; a file that is valid UTF-8 with
// non-ASCII bytes is converted to code page 1251 first.
SchemeFile parse_scheme(std::string_view bytes, std::string_view file_label);

// The bytes of the file at `path`. Throws SchemeError when it cannot be read.
std::string read_scheme_bytes(const std::string& path);

// Reads and parses the file at `path`. Throws SchemeError when it cannot be read.
SchemeFile read_scheme_file(const std::string& path);

// A line the reader skips wherever it stands: its first character (code page 1251) is C, c, !,
// С or с.
bool is_comment_line(std::string_view cp1251_line);

// The length of a UTF-8 byte order mark at the start of the bytes (3 or 0); the reader skips it.
std::size_t utf8_bom_length(std::string_view bytes);

// True when the reader takes these bytes (without a byte order mark) for UTF-8 and converts them:
// valid UTF-8 with at least one byte above 0x7F.
bool reads_as_utf8(std::string_view bytes);

// Copies header, count and the slots read from the file into the scheme state; slots the file did
// not give keep their old values, as do records beyond the new count.
void install_scheme(const SchemeFile& file, const std::string& path, Scheme& scheme);

// Record k (1..file.count) as installing the file over `old` leaves it: slots 1..n+2 from the
// file, the rest from `old`.
ElementRecord installed_record(const SchemeFile& file, int k, const ElementRecord& old);

// The log lines that echo a file: the header line, then for each element its element line and one
// line per parameter.
std::vector<std::string> scheme_echo_lines(const SchemeFile& file);

}  // namespace lumi
