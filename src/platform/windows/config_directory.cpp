// The user's own places for settings: %APPDATA%\Vorlix, and programs found
// on PATH.
#include <cstdlib>

#include "platform/platform.h"
#include "platform/windows/internal.h"

std::string Config_directory() {
  const wchar_t* roaming = _wgetenv(L"APPDATA");
  if (roaming == nullptr || roaming[0] == L'\0') return "";
  return To_utf8(roaming) + "\\Vorlix";
}

std::string Program_on_path(const std::string& name) {
  const wchar_t* path = _wgetenv(L"PATH");
  std::wstring wide_name;
  if (path == nullptr || !To_wide(name + ".exe", wide_name)) return "";
  const std::wstring dirs = path;
  for (std::size_t start = 0; start <= dirs.size();) {
    std::size_t end = dirs.find(L';', start);
    if (end == std::wstring::npos) end = dirs.size();
    std::wstring dir = dirs.substr(start, end - start);
    start = end + 1;
    // A folder may be written in quotes, as cmd allows; an empty item is none.
    if (dir.size() >= 2 && dir.front() == L'"' && dir.back() == L'"') dir = dir.substr(1, dir.size() - 2);
    if (dir.empty()) continue;
    if (dir.back() != L'\\' && dir.back() != L'/') dir += L'\\';
    const std::wstring candidate = dir + wide_name;
    const DWORD attributes = GetFileAttributesW(candidate.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) continue;
    wchar_t full[32768];
    const DWORD n = GetFullPathNameW(candidate.c_str(), 32768, full, nullptr);
    return n == 0 || n >= 32768 ? To_utf8(candidate) : To_utf8(std::wstring(full, n));
  }
  return "";
}
