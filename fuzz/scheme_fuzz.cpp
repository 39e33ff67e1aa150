// libFuzzer target: arbitrary bytes as a scheme file, through reading, checks, both passes and the
// interactive step.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/scheme_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  lumi::fuzz::run_scheme(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
