// Writing a whole file so that a reader of its path sees the old file or the new one, never a
// part: the bytes go to a temporary file in the same folder, which is then renamed over the path.
#pragma once

#include <string>
#include <string_view>

namespace lumi {

// Throws SchemeError naming the path and the system's reason when the file cannot be written;
// the old file at the path, if any, is then left as it was. A new file gets the permissions of
// the one it replaces, or rw-r--r--.
void write_file_atomically(const std::string& path, std::string_view bytes);

}  // namespace lumi
