// The files a front end writes from a traced scheme on request: the report and the hit tables.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "shell/program.h"

namespace lumi {

struct OutputRequest {
  std::filesystem::path report;    // the report's file; none when empty
  std::filesystem::path hits_dir;  // the folder of the hit tables; none when empty
};

// What is asked for, for one of `schemes` schemes traced in one run, whose log and windows go to
// `folder`: for a single scheme the paths as given; for several the report's file name in each
// scheme's folder and a folder of hit tables for each, named as the scheme's folder.
OutputRequest request_for_scheme(const OutputRequest& asked, std::size_t schemes,
                                 const std::filesystem::path& folder);

// Writes what is asked for from the program's last traced scheme; returns a message for each
// file that could not be written.
std::vector<std::string> write_scheme_outputs(const Program& program, const OutputRequest& request);

}  // namespace lumi
