// Numbers as the result files write them: the shortest text that reads back to the same double.
#pragma once

#include <string>

namespace lumi {

// Appends the shortest round-trip text of v ("null" for NaN and infinities, which neither JSON
// nor a reader of numbers takes).
void append_number(std::string& out, double v);

}  // namespace lumi
