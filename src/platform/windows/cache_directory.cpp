// The cache folder, under the user's own profile (%LOCALAPPDATA%), and the
// checks that keep it the user's own: a precompiled header is code that goes
// into the user's programs.
#include <cstdlib>

#include "platform/platform.h"
#include "platform/windows/internal.h"

namespace {

Outcome Plain(const std::string& path, bool directory) {
  std::wstring wide;
  if (!To_wide(path, wide)) return Failure{Failure::Kind::none, 0, "not valid UTF-8"};
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Windows_failure(GetLastError());
  // A link or junction could lead anywhere.
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
    return Failure{Failure::Kind::none, 0, "a link or junction"};
  const bool is_directory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  if (directory && !is_directory) return Failure{Failure::Kind::none, 0, "not a directory"};
  if (!Only_user_can_change(path))
    return Failure{Failure::Kind::none, 0, "someone else owns or may change it"};
  return {};
}

}  // namespace

std::string Cache_directory() {
  const wchar_t* local = _wgetenv(L"LOCALAPPDATA");
  if (local == nullptr || local[0] == L'\0') return "";
  const std::string folder = To_utf8(local);
  // Only a full path counts; a relative one would follow the working directory.
  const bool full = folder.size() >= 3 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/');
  const bool unc = folder.compare(0, 2, "\\\\") == 0;
  return full || unc ? folder + "\\Vorlix" : "";
}

Outcome Make_private_directory(const std::string& path) {
  std::wstring wide;
  if (!To_wide(path, wide)) return Failure{Failure::Kind::none, 0, "not valid UTF-8"};
  if (!CreateDirectoryW(wide.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    return Windows_failure(GetLastError());
  return Plain(path, true);
}

Outcome Is_private(const std::string& path) { return Plain(path, false); }

Outcome File_stamp(const std::string& path, std::string& stamp) {
  std::wstring wide;
  if (!To_wide(path, wide)) return Failure{Failure::Kind::none, 0, "not valid UTF-8"};
  // No access asked: the stamp reads only what the folder lists.
  const HANDLE file = CreateFileW(wide.c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Windows_failure(GetLastError());
  BY_HANDLE_FILE_INFORMATION info{};
  const bool read = GetFileInformationByHandle(file, &info) != 0;
  const Failure why = read ? Failure{} : Windows_failure(GetLastError());
  CloseHandle(file);
  if (!read) return why;
  const auto Join = [](DWORD high, DWORD low) {
    return std::to_string((static_cast<unsigned long long>(high) << 32) | low);
  };
  stamp = Join(info.nFileSizeHigh, info.nFileSizeLow) + " " +
          Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime) + " " +
          std::to_string(info.dwVolumeSerialNumber) + ":" +
          Join(info.nFileIndexHigh, info.nFileIndexLow);
  return {};
}
