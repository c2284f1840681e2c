// The cache folder: under the user's own profile (%LOCALAPPDATA%), which only
// the user and the system may write, so the folder's place is its guard.
#include <cstdlib>

#include "platform/platform.h"
#include "platform/windows/internal.h"

namespace {

bool Is_plain(const std::string& path, bool directory) {
  std::wstring wide;
  if (!To_wide(path, wide)) return false;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  // A link or junction could lead anywhere.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return false;
  const bool is_directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  return directory ? is_directory : true;
}

}  // namespace

std::string Cache_directory() {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0') return "";
  return To_utf8(local) + "\\Vorlix";
}

bool Make_private_directory(const std::string& path) {
  std::wstring wide;
  if (!To_wide(path, wide)) return false;
  if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return false;
  return Is_plain(path, true);
}

bool Is_private(const std::string& path) { return Is_plain(path, false); }
