// The scheme listing: the table of elements appended to the diagnostics log after reading.
#pragma once

#include <string>
#include <vector>

#include "model/diagnostics_log.h"
#include "model/scheme.h"

namespace lumi {

std::vector<std::string> scheme_listing_lines(const Scheme& scheme);
void append_scheme_listing(const Scheme& scheme, DiagnosticsLog& log);

}  // namespace lumi
