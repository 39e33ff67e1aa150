// Names of the element kinds, as the kind table gives them.
#include "model/element.h"

#include "model/element_kinds.h"

namespace lumi {

std::string_view status_name(int abs_code) {
  const ElementKind* kind = find_kind(abs_code);
  return kind ? kind->status_name : std::string_view{};
}

std::string_view kind_name(int abs_code) {
  const ElementKind* kind = find_kind(abs_code);
  return kind ? kind->kind_name : "неизвестный элемент";
}

}  // namespace lumi
