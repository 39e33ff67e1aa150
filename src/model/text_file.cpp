// A whole text file written at once, through a temporary file and a rename, so that a failed
// write leaves no half-written file behind.
#include "model/text_file.h"

#include "model/atomic_file.h"
#include "model/scheme_error.h"

namespace lumi {

std::string write_text_file(const std::filesystem::path& path, const std::string& text) {
  try {
    write_file_atomically(path.string(), text);
  } catch (const SchemeError& error) {
    return error.what();
  }
  return {};
}

}  // namespace lumi
