// Writing a whole text file at once, for the files the front ends write beside the log (reports,
// tables, vector images).
#pragma once

#include <filesystem>
#include <string>

namespace lumi {

// Writes the text to the file, replacing it whole (see write_file_atomically); an empty string
// when done, else what went wrong, naming the file.
std::string write_text_file(const std::filesystem::path& path, const std::string& text);

}  // namespace lumi
