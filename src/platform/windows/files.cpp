// Files: existence tests through UTF-16, and the settings save: an atomic
// replace, then the hidden attribute.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "platform/platform.h"
#include "platform/temporary_name.h"
#include "platform/windows/internal.h"

// 32767 UTF-16 units, each up to three UTF-8 bytes.
std::size_t Max_path_bytes() { return 98301; }

bool Is_regular_file(const std::string& path) {
  std::wstring wide;
  if (!To_wide(path, wide)) return false;
  std::error_code ec;
  const auto st = std::filesystem::status(std::filesystem::path(wide), ec);
  return !ec && st.type() == std::filesystem::file_type::regular;
}

namespace {

bool Replace_file(const std::string& from, const std::string& to) {
  std::wstring wfrom, wto;
  if (!To_wide(from, wfrom) || !To_wide(to, wto)) return false;
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (MoveFileExW(wfrom.c_str(), wto.c_str(), flags)) return true;
  // A hidden or read-only file (the previous save hid it) refuses to be
  // replaced until those attributes are lifted.
  const DWORD attributes = GetFileAttributesW(wto.c_str());
  const DWORD blocking = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & blocking) == 0) return false;
  const DWORD lifted = attributes & ~blocking;
  if (!SetFileAttributesW(wto.c_str(), lifted == 0 ? FILE_ATTRIBUTE_NORMAL : lifted)) return false;
  if (MoveFileExW(wfrom.c_str(), wto.c_str(), flags)) return true;
  SetFileAttributesW(wto.c_str(), attributes);
  return false;
}

void Hide_file(const std::string& path) {
  std::wstring wide;
  if (!To_wide(path, wide)) return;
  SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_HIDDEN);
}

}  // namespace

bool Read_text_file(const std::string& path, std::string& text) {
  text.clear();
  if (!Is_regular_file(path)) return false;
  // Text mode, as the file was written: CR LF comes back as a line break.
  std::ifstream in(path);
  text.assign(std::istreambuf_iterator<char>(in), {});
  return !in.bad();
}

bool Save_text_file(const std::string& path, const std::string& text, std::string& error) {
  error.clear();
  const std::string temporary = Temporary_name(path);
  {
    // Text mode: line breaks are stored as CR LF.
    std::ofstream fout(temporary, std::ios::out | std::ios::trunc);
    if (!fout) return false;
    fout << text;
    fout.close();
    if (!fout) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  if (!Replace_file(temporary, path)) {
    std::remove(temporary.c_str());
    return false;
  }
  Hide_file(path);
  return true;
}
