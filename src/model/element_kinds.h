// What each element kind's record holds: the kind's names (status line, listing, messages) and
// the name, unit and one-line help of every parameter slot, with the record a new element of the
// kind starts from. The listing, the checks' messages, the editor panel and the Python module all
// take their names from here.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "model/element.h"

namespace lumi {

struct SlotInfo {
  std::string_view name;  // "D", "Xo", "R1"; as the messages name the slot
  std::string_view unit;  // "ед." (scheme length units), "°", "мкм", or empty
  std::string_view help;  // one line
  float initial = 0.0f;   // the value in a new element's record
};

struct ElementKind {
  int code = 0;
  std::string_view kind_name;     // for messages: "плоское зеркало"
  std::string_view status_name;   // status line, four blanks first; empty for 61
  std::string_view listing_name;  // 20 characters in the listing; empty when it is not listed
  std::span<const SlotInfo> parameters;  // slots 3, 4, ... in order
  int initial_count = 0;  // parameters in a new element's record (slot 2)
  int xo_slot = 0;        // the slots of Xo and Yo (Yo follows Xo), 0 when the kind has none
  bool own_window = true;  // the preparation pass opens window k for element k of the kind
};

// Every kind, in the order of their codes.
std::span<const ElementKind> element_kinds();

// The kind of an absolute type code, or nullptr for a code no kind has.
const ElementKind* find_kind(int abs_code);

// The kind of a record by its code's absolute value, truncated.
const ElementKind* kind_of(const ElementRecord& record);

struct SlotDescription {
  std::string name;
  std::string_view unit;
  std::string_view help;
};

// Name, unit and help of slot `slot` (1-based) of a record: slots 1 and 2, the kind's parameters,
// and the spherical lens' wavelength and index pairs however many there are ("λ2", "n2"). A slot
// the kind does not describe is named by its number.
SlotDescription describe_slot(const ElementRecord& record, int slot);

// The record a new element of the kind starts from, with Xo, Yo at the given point.
ElementRecord initial_record(const ElementKind& kind, float xo, float yo);

}  // namespace lumi
