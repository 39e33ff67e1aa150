// A scheme file's bytes as the reader walks them: lines, each with its own line end, kept exactly
// as read, so that a file written back from them is the file that was read. Fields are rewritten
// in place, a field at a time.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumi {

struct TextLine {
  std::string text;  // in the file's encoding, without its line end
  std::string end;   // "\n", "\r\n", "\r", or empty for a last line without one
  bool comment = false;
};

struct SchemeText {
  std::string bom;    // a UTF-8 byte order mark, or empty
  bool utf8 = false;  // the reader converts this file from UTF-8
  std::vector<TextLine> lines;

  // Splits bytes as the reader does: LF, CRLF and a lone CR each end a line.
  static SchemeText split(std::string_view bytes);
  std::string join() const;

  // The line end new lines get: the file's first one, LF when it has none.
  std::string_view newline() const;
  // A text of the program's own (UTF-8) in the file's encoding.
  std::string encoded(std::string_view utf8_text) const;
};

// The shortest text that reads back as the same float ("-1", "1e+30", "nan"), for messages.
std::string shortest_text(float value);

// The shortest decimal text that a field of the reader reads back as `value` and that fits
// `width` columns, or nothing when there is none (a value too long, or not finite).
std::optional<std::string> field_text(float value, int width);

// Writes `text` (ASCII, at most last − first + 1 characters) into columns first..last (1-based)
// of a line: right-aligned, or left-aligned where the field's old text stood at its first column
// and left blanks after it. The rest of the line stays as it was; a line too short for the field
// is padded with blanks.
void write_field(std::string& line, int first, int last, std::string_view text);

}  // namespace lumi
