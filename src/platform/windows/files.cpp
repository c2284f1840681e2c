// Files: existence tests through UTF-16, and the settings save: an atomic
// replace, then the hidden attribute.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/platform.h"
#include "platform/temporary_name.h"
#include "platform/text_lines.h"
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

bool Read_text_lines(const std::string& path, const std::vector<std::size_t>& keep,
                     std::vector<std::string>& lines) {
  lines.assign(keep.size(), "");
  std::wstring wide;
  if (!To_wide(path, wide)) return false;
  // Opened by its UTF-16 name, shared so that nobody else is kept from the
  // file meanwhile. A directory does not open without backup semantics, and
  // a device or pipe is refused by its type. The bytes go to Text_lines,
  // which takes CR LF for a line break as text mode would.
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return false;
  }
  Text_lines t = Start_text_lines(keep);
  std::vector<char> buf(64 * 1024);
  bool ok = true;
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file, buf.data(), static_cast<DWORD>(buf.size()), &n, nullptr)) {
      ok = false;
      break;
    }
    if (n == 0 || !Take_text(t, buf.data(), n)) break;
  }
  CloseHandle(file);
  End_text(t);
  if (ok) lines = t.lines;  // a file that fails midway counts as unreadable
  return ok;
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
