// Scheme documents: changes made to the file's text, a field or an element's lines at a time, and
// read back by the reader before they are taken.
#include "model/scheme_document.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "model/cp1251.h"
#include "model/element_kinds.h"
#include "model/numeric_field.h"
#include "model/scheme_error.h"
#include "model/atomic_file.h"

namespace lumi {

namespace {

constexpr int kCodeFirst = 1, kCodeLast = 10;    // the element line's fields
constexpr int kCountFirst = 11, kCountLast = 20;
constexpr int kParameterWidth = 20;
constexpr int kHeaderWidth = 5;

bool is_end_code(float code) { return code == code::kEnd || code == code::kFocalPlane; }

bool same_bits(float a, float b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// Whether two readings of a file hold the same header, elements and slots the file gives.
bool same_reading(const SchemeFile& a, const SchemeFile& b) {
  if (a.count != b.count || !same_bits(a.x_min, b.x_min) || !same_bits(a.x_max, b.x_max) ||
      !same_bits(a.y_min, b.y_min) || !same_bits(a.y_max, b.y_max)) {
    return false;
  }
  for (std::size_t i = 0; i < static_cast<std::size_t>(a.count); ++i) {
    const ElementRecord& x = a.elements[i];
    const ElementRecord& y = b.elements[i];
    if (!same_bits(x.slot(2), y.slot(2))) return false;
    const int last = std::max(x.parameter_count(), 0) + 2;
    for (int s = 1; s <= last; ++s) {
      if (!same_bits(x.slot(s), y.slot(s))) return false;
    }
  }
  return true;
}

// A field right-aligned in `width` columns.
std::string right_aligned(std::string_view text, int width) {
  return std::string(static_cast<std::size_t>(std::max(width - static_cast<int>(text.size()), 0)),
                     ' ') +
         std::string(text);
}

}  // namespace

SchemeDocument SchemeDocument::parse(std::string_view bytes, std::string label) {
  SchemeDocument document;
  document.file_ = parse_scheme(bytes, label);
  document.text_ = SchemeText::split(bytes);
  document.label_ = std::move(label);
  return document;
}

SchemeDocument SchemeDocument::read(const std::string& path) {
  return parse(read_scheme_bytes(path), path);
}

const ElementRecord& SchemeDocument::element(int k) const {
  return file_.elements[static_cast<std::size_t>(k - 1)];
}

void SchemeDocument::save(const std::string& path) const { write_file_atomically(path, bytes()); }

void SchemeDocument::check(const CheckContext& context) const {
  if (context.current) {
    check_scheme(file_, label_, *context.current, context.origins);
    return;
  }
  const auto empty = std::make_unique<Scheme>();
  check_scheme(file_, label_, *empty, context.origins);
}

// Element blocks ---------------------------------------------------------------------------------

SchemeDocument::Block SchemeDocument::block(int k) const {
  Block b;
  b.element_line = static_cast<std::size_t>(file_.lines[static_cast<std::size_t>(k - 1)] - 1);
  b.first = b.element_line;
  while (b.first > 0 && text_.lines[b.first - 1].comment) --b.first;
  b.last = b.element_line;
  for (int n = std::max(element(k).parameter_count(), 0); n > 0; --n) {
    do ++b.last; while (text_.lines[b.last].comment);
  }
  return b;
}

std::size_t SchemeDocument::parameter_line(int k, int slot) const {
  std::size_t line = block(k).element_line;
  for (int s = 3; s <= slot; ++s) {
    do ++line; while (text_.lines[line].comment);
  }
  return line;
}

void SchemeDocument::refuse(int k, const std::string& fault) const {
  throw SchemeError(label_ + ": элемент " + std::to_string(k) + " (" +
                    std::string(kind_name(trunc_to_int(std::fabs(element(k).code())))) + ")" +
                    fault);
}

void SchemeDocument::expect_element(int k) const {
  if (k < 1 || k > file_.count) {
    throw SchemeError(label_ + ": нет элемента " + std::to_string(k) + " (в схеме " +
                      std::to_string(file_.count) + ")");
  }
}

std::string SchemeDocument::field_or_refuse(int k, int slot, float value, int width) const {
  std::optional<std::string> text = field_text(value, width);
  if (!text) {
    refuse(k, ", ячейка " + std::to_string(slot) + " (" + describe_slot(element(k), slot).name +
                  ") = " + shortest_text(value) + ": значение не записать в поле шириной " +
                  std::to_string(width) + " колонок");
  }
  return *text;
}

std::vector<TextLine> SchemeDocument::element_lines(const ElementRecord& record) const {
  const auto note = [this](std::string_view name) {
    const std::string text = text_.encoded(name);
    const bool lost = text_.utf8 ? false : cp1251_to_utf8(text) != name;
    return lost ? std::string() : "   " + text;
  };
  const std::string newline(text_.newline());
  std::vector<TextLine> lines;
  lines.push_back({right_aligned(*field_text(record.slot(1), 10), 10) +
                       right_aligned(*field_text(record.slot(2), 10), 10) +
                       note(kind_name(trunc_to_int(std::fabs(record.code())))),
                   newline, false});
  for (int s = 3; s <= record.parameter_count() + 2; ++s) {
    lines.push_back({right_aligned(*field_text(record.slot(s), kParameterWidth), kParameterWidth) +
                         note(describe_slot(record, s).name),
                     newline, false});
  }
  return lines;
}

SchemeDocument SchemeDocument::reread(SchemeText text, const SchemeFile& expected) const {
  SchemeDocument next;
  try {
    next = parse(text.join(), label_);
  } catch (const SchemeError& error) {
    throw SchemeError(label_ + ": изменение не записать так, чтобы файл читался: " + error.what());
  }
  if (!same_reading(next.file_, expected)) {
    throw SchemeError(label_ + ": изменение не записать так, чтобы файл читался так же");
  }
  return next;
}

// Changes ----------------------------------------------------------------------------------------

SchemeDocument SchemeDocument::with_slot(int k, int slot, float value) const {
  expect_element(k);
  const ElementRecord& record = element(k);
  const int n = std::max(record.parameter_count(), 0);
  if (slot < 1 || slot > n + 2) {
    throw SchemeError(label_ + ": у элемента " + std::to_string(k) + " нет ячейки " +
                      std::to_string(slot) + " в файле (параметры в ячейках 3.." +
                      std::to_string(n + 2) + ")");
  }
  // A value given again, to the bit, changes nothing: its field keeps its text ("110." is not
  // respelled "110"), and an editor that writes back what it showed makes no change.
  if (same_bits(record.slot(slot), value)) return *this;
  if (slot == 2) return with_parameter_count(k, value);
  if (slot == 1) {
    if (is_end_code(value) && k != file_.count) {
      refuse(k, ": код " + shortest_text(value) + " завершает схему, он возможен только у последнего "
                "элемента");
    }
    if (!is_end_code(value) && k == file_.count) {
      refuse(k, ": последний элемент должен завершать схему (код 61 или 62)");
    }
    if (value == 0.0f && record.slot(2) == 0.0f) {
      refuse(k, ": строка элемента из двух нулей пропускается при чтении");
    }
  }
  SchemeFile expected = file_;
  expected.elements[static_cast<std::size_t>(k - 1)].slot(slot) = value;
  SchemeText text = text_;
  if (slot == 1) {
    write_field(text.lines[block(k).element_line].text, kCodeFirst, kCodeLast,
                field_or_refuse(k, slot, value, kCodeLast - kCodeFirst + 1));
  } else {
    write_field(text.lines[parameter_line(k, slot)].text, 1, kParameterWidth,
                field_or_refuse(k, slot, value, kParameterWidth));
  }
  return reread(std::move(text), expected);
}

// Slot 2 says how many parameter lines follow: lines are added (reading 0) or taken away at the
// end of the element's parameters.
SchemeDocument SchemeDocument::with_parameter_count(int k, float value) const {
  const ElementRecord& record = element(k);
  const int old_n = std::max(record.parameter_count(), 0);
  const int new_n = std::max(trunc_to_int(value), 0);
  if (new_n > kMaxParameters) {
    refuse(k, ", ячейка 2 (n) = " + shortest_text(value) + ": больше " + std::to_string(kMaxParameters) +
                  " параметров");
  }
  if (value == 0.0f && record.slot(1) == 0.0f) {
    refuse(k, ": строка элемента из двух нулей пропускается при чтении");
  }
  SchemeFile expected = file_;
  ElementRecord& changed = expected.elements[static_cast<std::size_t>(k - 1)];
  changed.slot(2) = value;
  for (int s = old_n + 3; s <= new_n + 2; ++s) changed.slot(s) = 0.0f;

  SchemeText text = text_;
  write_field(text.lines[block(k).element_line].text, kCountFirst, kCountLast,
              field_or_refuse(k, 2, value, kCountLast - kCountFirst + 1));
  if (new_n > old_n) {
    std::vector<TextLine> lines = element_lines(changed);
    TextLine& last = text.lines[block(k).last];
    if (last.end.empty()) {
      // The file's last line, without a line end: it gets one, and the new last line goes
      // without, as the file did.
      last.end = text.newline();
      lines.back().end.clear();
    }
    const auto at = text.lines.begin() + static_cast<std::ptrdiff_t>(block(k).last + 1);
    text.lines.insert(at, lines.begin() + 1 + old_n, lines.end());
  }
  for (int s = old_n + 2; s > new_n + 2; --s) {
    text.lines.erase(text.lines.begin() + static_cast<std::ptrdiff_t>(parameter_line(k, s)));
  }
  return reread(std::move(text), expected);
}

SchemeDocument SchemeDocument::with_header(int field, float value) const {
  if (field < 0 || field > 3) throw SchemeError(label_ + ": в заголовке схемы четыре поля");
  SchemeFile expected = file_;
  float* values[] = {&expected.x_min, &expected.x_max, &expected.y_min, &expected.y_max};
  if (same_bits(*values[field], value)) return *this;
  *values[field] = value;
  std::optional<std::string> field_value = field_text(value, kHeaderWidth);
  if (!field_value) {
    throw SchemeError(label_ + ": заголовок схемы: значение " + shortest_text(value) +
                      " не записать в поле шириной " + std::to_string(kHeaderWidth) +
                      " колонок");
  }
  SchemeText text = text_;
  const int first = field * kHeaderWidth + 1;
  write_field(text.lines[static_cast<std::size_t>(file_.header_line - 1)].text, first,
              first + kHeaderWidth - 1, *field_value);
  return reread(std::move(text), expected);
}

SchemeDocument SchemeDocument::with_inserted(int before, int code) const {
  expect_element(before);
  const ElementKind* kind = find_kind(std::abs(code));
  if (!kind) throw SchemeError(label_ + ": нет элементов с кодом " + std::to_string(code));
  if (is_end_code(static_cast<float>(std::abs(code)))) {
    throw SchemeError(label_ + ": элемент с кодом " + std::to_string(code) +
                      " завершает схему, его не вставить перед другим");
  }
  if (file_.count >= kMaxElements) {
    throw SchemeError(label_ + ": в схеме уже " + std::to_string(kMaxElements) + " элементов");
  }
  ElementRecord record = initial_record(*kind, (file_.x_min + file_.x_max) / 2.0f,
                                        (file_.y_min + file_.y_max) / 2.0f);
  record.slot(1) = static_cast<float>(code);

  SchemeFile expected = file_;
  const auto at = static_cast<std::size_t>(before - 1);
  std::copy_backward(expected.elements.begin() + static_cast<std::ptrdiff_t>(at),
                     expected.elements.begin() + file_.count,
                     expected.elements.begin() + file_.count + 1);
  expected.elements[at] = record;
  ++expected.count;

  SchemeText text = text_;
  const std::vector<TextLine> lines = element_lines(record);
  text.lines.insert(text.lines.begin() + static_cast<std::ptrdiff_t>(block(before).first),
                    lines.begin(), lines.end());
  return reread(std::move(text), expected);
}

SchemeDocument SchemeDocument::without(int k) const {
  expect_element(k);
  if (k == file_.count) refuse(k, ": элемент, завершающий схему, не удалить");
  SchemeFile expected = file_;
  std::copy(expected.elements.begin() + k, expected.elements.begin() + file_.count,
            expected.elements.begin() + (k - 1));
  --expected.count;

  SchemeText text = text_;
  const Block b = block(k);
  text.lines.erase(text.lines.begin() + static_cast<std::ptrdiff_t>(b.first),
                   text.lines.begin() + static_cast<std::ptrdiff_t>(b.last + 1));
  return reread(std::move(text), expected);
}

// The blocks change places; what stands between them (blank lines, comments that are not right
// above an element) stays where it was.
SchemeDocument SchemeDocument::with_moved(int k, int to) const {
  expect_element(k);
  expect_element(to);
  if (k == file_.count || to == file_.count) {
    refuse(k, ": элемент, завершающий схему, остается последним");
  }
  std::vector<int> order;  // element numbers in their new order
  for (int e = 1; e < file_.count; ++e) {
    if (e != k) order.push_back(e);
  }
  order.insert(order.begin() + (to - 1), k);

  SchemeFile expected = file_;
  SchemeText text = text_;
  text.lines.clear();
  std::size_t next = 0;  // the first line of the original not yet placed
  for (int position = 1; position < file_.count; ++position) {
    const Block gap_end = block(position);
    const Block moved = block(order[static_cast<std::size_t>(position - 1)]);
    text.lines.insert(text.lines.end(), text_.lines.begin() + static_cast<std::ptrdiff_t>(next),
                      text_.lines.begin() + static_cast<std::ptrdiff_t>(gap_end.first));
    text.lines.insert(text.lines.end(),
                      text_.lines.begin() + static_cast<std::ptrdiff_t>(moved.first),
                      text_.lines.begin() + static_cast<std::ptrdiff_t>(moved.last + 1));
    expected.elements[static_cast<std::size_t>(position - 1)] =
        element(order[static_cast<std::size_t>(position - 1)]);
    next = gap_end.last + 1;
  }
  text.lines.insert(text.lines.end(), text_.lines.begin() + static_cast<std::ptrdiff_t>(next),
                    text_.lines.end());
  return reread(std::move(text), expected);
}

std::string SlotOverride::name() const {
  std::string text = "--set ";
  text += std::to_string(k);
  text += '.';
  text += std::to_string(slot);
  return text;
}

SchemeDocument SchemeDocument::with_overrides(std::span<const SlotOverride> overrides,
                                              std::vector<SlotOrigin>& origins) const {
  SchemeDocument next = *this;
  for (const SlotOverride& o : overrides) {
    const std::string where = label_ + ", " + o.name();
    const FieldValue value = read_numeric_field(o.value);
    if (value.status != FieldStatus::kNumber) {
      throw SchemeError(where + ": \"" + o.value + "\" — " +
                        std::string(refusal_reason(value.status)));
    }
    try {
      next = next.with_slot(o.k, o.slot, value.value);
    } catch (const SchemeError& error) {
      // The change's own message begins with the file's name; the override takes the place of
      // the line.
      const std::string_view message = error.what();
      throw SchemeError(where + std::string(message.substr(label_.size())));
    }
    origins.push_back({o.k, o.slot, o.name()});
  }
  return next;
}

// Checked changes --------------------------------------------------------------------------------

void SchemeDocument::replace_checked(SchemeDocument next, const CheckContext& context) {
  next.check(context);
  *this = std::move(next);
}

void SchemeDocument::set_slot(int k, int slot, float value, const CheckContext& context) {
  replace_checked(with_slot(k, slot, value), context);
}

void SchemeDocument::set_header(int field, float value, const CheckContext& context) {
  replace_checked(with_header(field, value), context);
}

void SchemeDocument::set_on(int k, bool on, const CheckContext& context) {
  expect_element(k);
  const float code = std::fabs(element(k).code());
  replace_checked(with_slot(k, 1, on ? code : -code), context);
}

void SchemeDocument::insert(int before, int code, const CheckContext& context) {
  replace_checked(with_inserted(before, code), context);
}

void SchemeDocument::remove(int k, const CheckContext& context) {
  replace_checked(without(k), context);
}

void SchemeDocument::move(int k, int to, const CheckContext& context) {
  replace_checked(with_moved(k, to), context);
}

}  // namespace lumi
