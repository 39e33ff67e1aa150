// Watching scheme files for changes by polling their status, a few times a second: a file
// written in place changes its size or times, one replaced by rename (as editors save) its inode.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace lumi {

struct FileStamp {
  bool exists = false;
  std::uint64_t device = 0, inode = 0, size = 0;
  std::int64_t modified_ns = 0, changed_ns = 0;

  friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

FileStamp stamp_of(const std::string& path);

inline constexpr std::chrono::milliseconds kWatchPoll{200};

// Waits until one of the files differs from its stamp in `seen` and has then held still for one
// poll (so a file being written is read once the writer is done), and returns its index with its
// new stamp; nothing once `stop` is raised.
struct FileChange {
  std::size_t index = 0;
  FileStamp stamp;
};
std::optional<FileChange> wait_for_change(std::span<const std::string> paths,
                                          std::span<const FileStamp> seen,
                                          const std::atomic<bool>& stop,
                                          std::chrono::milliseconds poll = kWatchPoll);

}  // namespace lumi
