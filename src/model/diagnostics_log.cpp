// The diagnostics log's write rule: every write opens the file, writes its lines in code page
// 1251 and closes it, so the file is complete on disk after each write. A failed write never
// stops the program; the first one per log is reported through the warning callback.
#include "model/diagnostics_log.h"

#include <cerrno>
#include <cstdio>
#include <system_error>
#include <utility>
#include <vector>

#include "model/cp1251.h"
#include "model/fixed_format.h"

namespace lumi {

namespace {

// Writes the whole text and closes the file; returns 0 or the errno of the first failure.
int write_file(const std::filesystem::path& path, const std::string& text, bool truncate) {
  std::FILE* file = std::fopen(path.c_str(), truncate ? "wb" : "ab");
  if (file == nullptr) return errno != 0 ? errno : EIO;
  int error = 0;
  if (std::fwrite(text.data(), 1, text.size(), file) != text.size() || std::fflush(file) != 0) {
    error = errno != 0 ? errno : EIO;
  }
  if (std::fclose(file) != 0 && error == 0) error = errno != 0 ? errno : EIO;
  return error;
}

}  // namespace

DiagnosticsLog::DiagnosticsLog(std::filesystem::path path, Warn warn)
    : path_(std::move(path)), warn_(std::move(warn)) {}

void DiagnosticsLog::restart(std::span<const std::string> lines) {
  const std::vector<std::string_view> views(lines.begin(), lines.end());
  write(views, true);
}

void DiagnosticsLog::append(std::span<const std::string> lines) {
  const std::vector<std::string_view> views(lines.begin(), lines.end());
  write(views, false);
}

void DiagnosticsLog::append(std::string_view line) { write({&line, 1}, false); }

void DiagnosticsLog::write(std::span<const std::string_view> lines, bool truncate) {
  std::string text;
  for (std::string_view line : lines) {
    text += utf8_to_cp1251(line);
    text += '\n';
  }
  errno = 0;
  const int error = write_file(path_, text, truncate);
  if (error == 0 || warned_) return;
  warned_ = true;
  if (warn_) {
    warn_(path_.string() + ": не удалось записать файл диагностики: " +
          std::generic_category().message(error) + " (строки потеряны)");
  }
}

std::string count_line(std::string_view text, int count, std::string_view unit) {
  std::string line(text);
  line += format_i(count, 8);
  line += unit;
  return line;
}

}  // namespace lumi
