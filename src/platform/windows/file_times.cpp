// Which of two files changed last, as make decides whether a target is out
// of date: by the last write time, which NTFS keeps to 100 ns.
#include <filesystem>
#include <system_error>

#include "platform/platform.h"
#include "platform/windows/internal.h"

namespace {

bool Write_time(const std::string& path, std::filesystem::file_time_type& time) {
  std::wstring wide;
  if (!To_wide(path, wide)) return false;
  std::error_code ec;
  time = std::filesystem::last_write_time(std::filesystem::path(wide), ec);
  return !ec;
}

}  // namespace

bool Is_newer(const std::string& a, const std::string& b) {
  std::filesystem::file_time_type ta, tb;
  return Write_time(a, ta) && Write_time(b, tb) && ta > tb;
}
