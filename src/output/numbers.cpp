// Shortest round-trip numbers.
#include "output/numbers.h"

#include <charconv>
#include <cmath>

namespace lumi {

void append_number(std::string& out, double v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  char text[32];
  const std::to_chars_result r = std::to_chars(text, text + sizeof text, v);
  out.append(text, r.ptr);
}

}  // namespace lumi
