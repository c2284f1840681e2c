// Which of two files changed last, as make decides whether a target is out
// of date: by modification time, to the nanosecond where the file system
// keeps it (NTFS: to 100 ns). One file for both systems: std::filesystem
// takes a UTF-8 name to the system's own (UTF-16 on Windows).
#include <filesystem>
#include <system_error>

#include "platform/platform.h"

namespace {

bool Write_time(const std::string& path, std::filesystem::file_time_type& time) {
  // A NUL byte, or bytes that are not UTF-8 where names are UTF-16, name
  // nothing.
  if (path.find('\0') != std::string::npos) return false;
  try {
    std::error_code ec;
    time = std::filesystem::last_write_time(std::filesystem::u8path(path), ec);
    return !ec;
  } catch (const std::exception&) {
    // u8path refuses bytes that are not UTF-8 (Windows): no such file.
    return false;
  }
}

}  // namespace

bool Is_newer(const std::string& a, const std::string& b) {
  std::filesystem::file_time_type ta, tb;
  return Write_time(a, ta) && Write_time(b, tb) && ta > tb;
}
