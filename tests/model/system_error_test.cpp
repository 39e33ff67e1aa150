// System errors as the user reads them: Russian where the programs give a text of their own, the
// system's own words for every other error.
#include <gtest/gtest.h>

#include <cerrno>

#include "model/system_error.h"

namespace lumi {
namespace {

TEST(SystemErrorText, DesktopRussianForTheErrorsAUserMeetsTheSystemsWordsForTheRest) {
  EXPECT_EQ(system_error_text(ENOENT), "нет такого файла или папки");
  EXPECT_EQ(system_error_text(std::make_error_code(std::errc::read_only_file_system)),
            "файловая система доступна только для чтения");
  EXPECT_EQ(system_error_text(std::error_code(ENOSPC, std::system_category())),
            "на диске не осталось места");
  EXPECT_EQ(system_error_text(EIO), std::generic_category().message(EIO));
}

}  // namespace
}  // namespace lumi
