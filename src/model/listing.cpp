// The scheme listing: a table of the listed element kinds under a fixed header, appended to the
// diagnostics log after a scheme is read. Every name is 20 characters wide so the numbers line up
// under "Диаметр", "Длина", "Глубина", "Xo", "Yo" and "Fi".
#include "model/listing.h"

#include "model/element_kinds.h"
#include "model/fixed_format.h"

namespace lumi {

namespace {

constexpr std::string_view kHeader =
    "    №  Название  Элемента   Диаметр     Длина   Глубина        Xo        Yo        Fi";

std::string slots_f10_3(const ElementRecord& e, int first, int last) {
  std::string text;
  for (int s = first; s <= last; ++s) text += format_f(e.slot(s), 10, 3);
  return text;
}

// Rectangular elements: the name, blanks under "Диаметр", then slots 3 to 7.
std::string rectangular(int k, std::string_view name, const ElementRecord& e) {
  return format_i(k, 5) + std::string(name) + std::string(10, ' ') + slots_f10_3(e, 3, 7);
}

// Circular elements: the diameter, blanks under "Длина" and "Глубина", then slots 4 to 6.
std::string circular(int k, std::string_view name, const ElementRecord& e) {
  return format_i(k, 5) + std::string(name) + format_f(e.slot(3), 10, 3) + std::string(20, ' ') +
         slots_f10_3(e, 4, 6);
}

// The line of element k, or an empty text for kinds the listing leaves out. The signed code is
// compared, so a switched-off element has no line.
std::string element_line(int k, const ElementRecord& e) {
  const ElementKind* kind = kind_of(e);
  if (!kind || kind->listing_name.empty() || e.code() != static_cast<float>(kind->code)) return {};
  const std::string_view name = kind->listing_name;
  switch (kind->code) {
    case 32:
      return circular(k, name, e) + " R=" + format_f(e.slot(7), 7, 3);
    case 41:
      return circular(k, name, e);
    case 42:
      return circular(k, name, e) + " R1=" + format_f(e.slot(7), 7, 2) + " R2=" +
             format_f(e.slot(8), 7, 2);
    case 51:
      return rectangular(k, name, e) + " Nштр=" + format_f(e.slot(8), 4, 0) + " FIвр=" +
             format_f(e.slot(10), 7, 2);
    case 62:
      return rectangular(k, name, e) + " Смещ1,Смещ2,Шаг=" + format_f(e.slot(8), 7, 2) +
             format_f(e.slot(9), 7, 2) + format_f(e.slot(10), 7, 2);
    default:
      return rectangular(k, name, e);
  }
}

}  // namespace

std::vector<std::string> scheme_listing_lines(const Scheme& scheme) {
  std::vector<std::string> lines = {"", std::string(kHeader), std::string(85, '-')};
  for (int k = 1; k <= scheme.count; ++k) {
    std::string line = element_line(k, scheme.element(k));
    if (!line.empty()) lines.push_back(std::move(line));
  }
  lines.emplace_back();
  return lines;
}

void append_scheme_listing(const Scheme& scheme, DiagnosticsLog& log) {
  log.append(scheme_listing_lines(scheme));
}

}  // namespace lumi
