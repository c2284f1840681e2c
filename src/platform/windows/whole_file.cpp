// Reading a file whole, bytes as they are, within a bound, by its UTF-16 name.
#include <algorithm>

#include "platform/platform.h"
#include "platform/windows/internal.h"

Outcome Read_file(const std::string& path, std::string& bytes, std::size_t limit) {
  bytes.clear();
  std::wstring wide;
  if (!To_wide(path, wide)) return Windows_failure(ERROR_INVALID_NAME);
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Windows_failure(GetLastError());
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return Failure{Failure::Kind::none, 0, "not a regular file"};
  }
  char buf[64 * 1024];
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file, buf, sizeof buf, &n, nullptr)) {
      const DWORD why = GetLastError();
      CloseHandle(file);
      bytes.clear();
      return Windows_failure(why);
    }
    if (n == 0) break;
    if (bytes.size() + n > limit) {
      CloseHandle(file);
      bytes.clear();
      return Failure{Failure::Kind::none, 0, "file larger than its limit"};
    }
    bytes.append(buf, n);
  }
  CloseHandle(file);
  return {};
}
