// The one error type for bad scheme input: a message that names the file, the line and the fault.
#pragma once

#include <stdexcept>
#include <string>

namespace lumi {

class SchemeError : public std::runtime_error {
 public:
  explicit SchemeError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace lumi
