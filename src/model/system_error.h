// The system's errors as the programs tell them to the user: in Russian for those a user meets
// (a missing file, no permission, a folder where a file was meant or the other way round, a full
// or read-only disk, too many open files), in the system's own words for the rest.
#pragma once

#include <string>
#include <system_error>

namespace lumi {

std::string system_error_text(int error_number);  // an errno value
std::string system_error_text(const std::error_code& error);

}  // namespace lumi
