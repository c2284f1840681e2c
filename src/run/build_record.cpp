#include "run/build_record.h"

#include <filesystem>
#include <vector>

#include "platform/platform.h"
#include "settings/settings.h"
#include "text/stable_hash.h"

namespace fs = std::filesystem;

namespace {

// The executable as one name whatever the working directory: the record of
// "a.exe" made in one folder is not that of "a.exe" in another.
std::string Full_path(const std::string& epath) {
  std::error_code ec;
  const fs::path full = fs::absolute(fs::u8path(epath), ec);
  return ec ? epath : full.lexically_normal().u8string();
}

// The records' folder, made for this user alone where missing; "" when the
// cache cannot be one of the user's own, whose records nobody else wrote.
std::string Records_folder() {
  const std::string cache = Cache_directory();
  if (cache.empty() || !Make_private_directory(cache)) return "";
  const std::string folder = (fs::u8path(cache) / "builds").u8string();
  return Make_private_directory(folder) ? folder : "";
}

// The record's three lines: the executable's full path (two paths of the
// same hash never share a record), the compiler path, the options.
std::vector<std::string> Record_lines(const std::string& epath) {
  return {Full_path(epath), COM_PATH, COM_SETTINGS};
}

}  // namespace

std::string Build_record_path(const std::string& cache, const std::string& epath) {
  if (cache.empty()) return "";
  return (fs::u8path(cache) / "builds" / Stable_hash(Full_path(epath))).u8string();
}

bool Built_with_other_settings(const std::string& epath) {
  try {
    if (Records_folder().empty()) return false;
    const std::string record = Build_record_path(Cache_directory(), epath);
    std::vector<std::string> lines;
    if (!Is_private(record) || !Read_text_lines(record, Settings_bounds(), lines)) return false;
    const auto now = Record_lines(epath);
    return lines[0] == now[0] && (lines[1] != now[1] || lines[2] != now[2]);
  } catch (const std::exception&) {
    // A path the file system library cannot take: no record to compare, as
    // for an executable built before records were kept.
    return false;
  }
}

void Record_build(const std::string& epath) {
  try {
    if (Records_folder().empty()) return;
    const auto lines = Record_lines(epath);
    // A record that cannot be written costs one rebuild later, never a run.
    (void)Replace_file(Build_record_path(Cache_directory(), epath),
                       lines[0] + "\n" + lines[1] + "\n" + lines[2]);
  } catch (const std::exception&) {
    // As above: the executable counts as built with today's settings.
  }
}
