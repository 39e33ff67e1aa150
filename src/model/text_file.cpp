// A whole text file written at once.
#include "model/text_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace lumi {

std::string write_text_file(const std::filesystem::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) file.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (file) file.close();
  if (!file) return "не удалось записать " + path.string() + ": " + std::strerror(errno);
  return {};
}

}  // namespace lumi
