// File stamps from stat(2), and the polling loop.
#include "platform/headless/file_watch.h"

#include <sys/stat.h>

#include <thread>

namespace lumi {

namespace {

std::int64_t nanoseconds(const timespec& t) {
  return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

}  // namespace

FileStamp stamp_of(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return {true,
          static_cast<std::uint64_t>(info.st_dev),
          static_cast<std::uint64_t>(info.st_ino),
          static_cast<std::uint64_t>(info.st_size),
          nanoseconds(info.st_mtim),
          nanoseconds(info.st_ctim)};
}

std::optional<FileChange> wait_for_change(std::span<const std::string> paths,
                                          std::span<const FileStamp> seen,
                                          const std::atomic<bool>& stop,
                                          std::chrono::milliseconds poll) {
  std::optional<FileChange> moving;  // a change seen at the last poll
  while (!stop.load(std::memory_order_relaxed)) {
    if (moving) {
      const FileStamp now = stamp_of(paths[moving->index]);
      if (now == moving->stamp && now.exists) return moving;
      moving->stamp = now;
    } else {
      for (std::size_t i = 0; i < paths.size(); ++i) {
        const FileStamp now = stamp_of(paths[i]);
        if (now != seen[i]) {
          moving = FileChange{i, now};
          break;
        }
      }
    }
    std::this_thread::sleep_for(poll);
  }
  return std::nullopt;
}

}  // namespace lumi
