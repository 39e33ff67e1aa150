// Russian texts of the system errors a user meets.
#include "model/system_error.h"

#include <cerrno>

namespace lumi {

std::string system_error_text(int error_number) {
  switch (error_number) {
    case ENOENT: return "нет такого файла или папки";
    case EACCES:
    case EPERM: return "нет прав доступа";
    case EISDIR: return "это папка, а не файл";
    case ENOTDIR: return "часть пути не является папкой";
    case ENOSPC: return "на диске не осталось места";
    case EROFS: return "файловая система доступна только для чтения";
    case EMFILE:
    case ENFILE: return "открыто слишком много файлов";
    default: return std::generic_category().message(error_number);
  }
}

// The standard library reports the system's errors in the generic or the system category, both
// by errno value on this system.
std::string system_error_text(const std::error_code& error) {
  const std::error_category& category = error.category();
  if (category == std::generic_category() || category == std::system_category()) {
    return system_error_text(error.value());
  }
  return error.message();
}

}  // namespace lumi
