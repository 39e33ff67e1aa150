// The diagnostics log "диагностика.dat": restarted for each scheme, then appended to by the listing
// and the tracing routines. Each write opens, writes and closes the file, so it is complete on disk
// after every write. Lines are given in UTF-8 and stored in code page 1251, one per line. Appending
// one line allocates nothing, as the tracing routines do it while tracing.
#pragma once

#include <filesystem>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "model/fixed_format.h"

namespace lumi {

inline constexpr std::string_view kLogFileName = "диагностика.dat";

class DiagnosticsLog {
 public:
  using Warn = std::function<void(std::string_view)>;

  // `warn` hears about the first failed write only; later failures lose their lines silently.
  DiagnosticsLog(std::filesystem::path path, Warn warn);

  // Replaces the file's content with these lines.
  void restart(std::span<const std::string> lines);
  void append(std::span<const std::string> lines);
  void append(std::string_view line);  // allocates nothing for up to 399 characters

  const std::filesystem::path& path() const { return path_; }

 private:
  void write(std::span<const std::string_view> lines, bool truncate);
  void report(int error);

  std::filesystem::path path_;
  Warn warn_;
  bool warned_ = false;
};

// The count line of a tracing routine: text, the count right-aligned in 8 columns, then the unit
// ("  лучей" for rays, "  точек" for points).
FixedText count_line(std::string_view text, int count, std::string_view unit = "  лучей");

}  // namespace lumi
