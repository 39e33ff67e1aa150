// A scheme file held as its text and as the values the reader reads from it, so that it can be
// changed a value or an element at a time and written back with everything the reader skips kept
// as it stood: comment lines, text right of the fields, blank lines, what follows the end element,
// the line ends and the encoding. A document that was read and not changed writes the same bytes.
//
// Each change is made to the text and read back by the reader, so the document's values are
// always what its file reads as, and goes through the whole-scheme checks; a change the file could
// not hold, or the checks refuse, throws SchemeError and leaves the document as it was.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "model/scheme_check.h"
#include "model/scheme_reader.h"
#include "model/scheme_text.h"

namespace lumi {

// What the checks of a change compare against: the scheme state whose leftover slots the
// elements read (none: they count as 0), and the overrides to name in messages.
struct CheckContext {
  const Scheme* current = nullptr;
  std::span<const SlotOrigin> origins;
};

// A value given for slot `slot` of element `k` from outside the file (the tracer's
// `--set K.S=VALUE`), as text read the way the reader reads a field.
struct SlotOverride {
  int k = 0;
  int slot = 0;
  std::string value;

  std::string name() const;  // "--set K.S"
};

class SchemeDocument {
 public:
  // Reads a file's bytes; `label` names the file in messages. Throws SchemeError as parse_scheme
  // does. The whole-scheme checks are not made here (see check).
  static SchemeDocument parse(std::string_view bytes, std::string label);
  static SchemeDocument read(const std::string& path);

  const SchemeFile& file() const { return file_; }
  const std::string& label() const { return label_; }
  int count() const { return file_.count; }
  const ElementRecord& element(int k) const;

  // The file's bytes as they would be written.
  std::string bytes() const { return text_.join(); }
  // Writes the file through a temporary file in the same folder that is then renamed over
  // `path`, so a failed write leaves any old file whole. Throws SchemeError.
  void save(const std::string& path) const;

  // Throws SchemeError when the whole-scheme checks refuse the document.
  void check(const CheckContext& context = {}) const;

  // Changes, checked; element numbers as in the log's listing (1-based).
  void set_slot(int k, int slot, float value, const CheckContext& context = {});
  void set_header(int field, float value, const CheckContext& context = {});  // 0..3
  void set_on(int k, bool on, const CheckContext& context = {});
  // A new element of the kind with this code, in its initial record placed in the middle of the
  // scheme window's rectangle, before element `before`.
  void insert(int before, int code, const CheckContext& context = {});
  void remove(int k, const CheckContext& context = {});
  // Moves element k so that it becomes element `to`.
  void move(int k, int to, const CheckContext& context = {});

  // The same changes without the whole-scheme checks, returning the changed document: for
  // several changes checked once at the end (the tracer's overrides).
  SchemeDocument with_slot(int k, int slot, float value) const;
  SchemeDocument with_header(int field, float value) const;
  SchemeDocument with_inserted(int before, int code) const;
  SchemeDocument without(int k) const;
  SchemeDocument with_moved(int k, int to) const;

  // The overrides applied in order, unchecked, and where each value came from for the checks'
  // messages. A value that is not a number, or that the file cannot hold, is refused with a
  // message naming the override instead of a line.
  SchemeDocument with_overrides(std::span<const SlotOverride> overrides,
                                std::vector<SlotOrigin>& origins) const;

 private:
  // An element's lines: the comment lines right above its element line, the element line, and
  // its parameter lines with any comment lines among them (0-based, `last` included).
  struct Block {
    std::size_t first = 0;
    std::size_t element_line = 0;
    std::size_t last = 0;
  };

  Block block(int k) const;
  std::size_t parameter_line(int k, int slot) const;
  [[noreturn]] void refuse(int k, const std::string& fault) const;
  void expect_element(int k) const;
  std::string field_or_refuse(int k, int slot, float value, int width) const;
  std::vector<TextLine> element_lines(const ElementRecord& record) const;
  // Reads the changed text back and makes sure it reads as `expected` (header, count and the
  // slots the file gives).
  SchemeDocument reread(SchemeText text, const SchemeFile& expected) const;
  SchemeDocument with_parameter_count(int k, float value) const;
  void replace_checked(SchemeDocument next, const CheckContext& context);

  std::string label_;
  SchemeText text_;
  SchemeFile file_;
};

}  // namespace lumi
