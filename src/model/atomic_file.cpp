// Atomic file writes with POSIX calls: mkstemp, write, fsync, rename.
#include "model/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "model/scheme_error.h"
#include "model/system_error.h"

namespace lumi {

namespace {

[[noreturn]] void refuse(const std::string& path, int error) {
  throw SchemeError(path + ": не удалось записать файл: " + system_error_text(error));
}

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

}  // namespace

void write_file_atomically(const std::string& path, std::string_view bytes) {
  // A symbolic link is followed: the file it names is replaced and the link stays.
  std::error_code error_code;
  std::filesystem::path target(path);
  if (std::filesystem::is_symlink(target, error_code)) {
    const std::filesystem::path named = std::filesystem::weakly_canonical(target, error_code);
    if (!error_code) target = named;
  }
  if (target.filename().empty()) refuse(path, EISDIR);
  std::string name = ".";
  name += target.filename().string();
  name += ".XXXXXX";
  std::string temporary = (target.parent_path() / name).string();
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) refuse(path, errno);

  struct stat old {};
  const mode_t mode = ::stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644;
  const bool written = write_all(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  const int error = errno;
  if (::close(fd) != 0 || !written) {
    ::unlink(temporary.c_str());
    refuse(path, written ? errno : error);
  }
  if (::rename(temporary.c_str(), target.c_str()) != 0) {
    const int rename_error = errno;
    ::unlink(temporary.c_str());
    refuse(path, rename_error);
  }
}

}  // namespace lumi
