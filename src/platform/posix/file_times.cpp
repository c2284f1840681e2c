// Which of two files changed last, as make decides whether a target is out
// of date: by modification time, to the nanosecond where the file system
// keeps it.
#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "platform/posix/internal.h"

bool Is_newer(const std::string& a, const std::string& b) {
  if (Has_nul(a) || Has_nul(b)) return false;
  std::error_code ea, eb;
  const auto ta = std::filesystem::last_write_time(a, ea);
  const auto tb = std::filesystem::last_write_time(b, eb);
  return !ea && !eb && ta > tb;
}
