// The diagnostics log's write rule: every write opens the file, writes its lines in code page
// 1251 and closes it, so the file is complete on disk after each write. A failed write never
// stops the program; the first one per log is reported through the warning callback.
#include "model/diagnostics_log.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <utility>
#include <vector>

#include "model/cp1251.h"
#include "model/fixed_format.h"
#include "model/system_error.h"

namespace lumi {

namespace {

constexpr std::size_t kLineBuffer = 400;

// Writes the bytes and closes the file; returns 0 or the errno of the first failure. Plain
// descriptors, as a stdio stream would take its buffer from the heap.
int write_file(const std::filesystem::path& path, std::string_view bytes, bool truncate) {
  const int mode = O_WRONLY | O_CREAT | O_CLOEXEC | (truncate ? O_TRUNC : O_APPEND);
  const int fd = ::open(path.c_str(), mode, 0666);
  if (fd < 0) return errno != 0 ? errno : EIO;
  int error = 0;
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      error = written < 0 && errno != 0 ? errno : EIO;
      break;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  if (::close(fd) != 0 && error == 0 && errno != EINTR) error = errno != 0 ? errno : EIO;
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

void DiagnosticsLog::append(std::string_view line) {
  char bytes[kLineBuffer];
  const std::optional<std::size_t> size = utf8_to_cp1251(line, std::span(bytes, kLineBuffer - 1));
  if (!size) {
    write({&line, 1}, false);
    return;
  }
  bytes[*size] = '\n';
  errno = 0;
  report(write_file(path_, {bytes, *size + 1}, false));
}

void DiagnosticsLog::write(std::span<const std::string_view> lines, bool truncate) {
  std::string text;
  for (std::string_view line : lines) {
    text += utf8_to_cp1251(line);
    text += '\n';
  }
  errno = 0;
  report(write_file(path_, text, truncate));
}

void DiagnosticsLog::report(int error) {
  if (error == 0 || warned_) return;
  warned_ = true;
  if (warn_) {
    warn_(path_.string() + ": не удалось записать файл диагностики: " +
          system_error_text(error) + " (строки потеряны)");
  }
}

FixedText count_line(std::string_view text, int count, std::string_view unit) {
  FixedText line(text);
  line.i(count, 8) << unit;
  return line;
}

}  // namespace lumi
