// Reading a whole file, for the samples and answers of the contest forms.
#include "platform/platform.h"
#include "platform/windows/internal.h"

Outcome Read_file(const std::string& path, std::string& bytes, std::size_t limit) {
  bytes.clear();
  std::wstring wide;
  if (!To_wide(path, wide)) return Windows_failure(ERROR_INVALID_NAME);
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return Windows_failure(GetLastError());
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return Failure{Failure::Kind::none, 0, "not a regular file"};
  }
  char buffer[65536];
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
      const DWORD error = GetLastError();
      CloseHandle(file);
      bytes.clear();
      return Windows_failure(error);
    }
    if (got == 0) break;
    if (bytes.size() + got > limit) {
      CloseHandle(file);
      bytes.clear();
      return Failure{Failure::Kind::none, 0, "file too large"};
    }
    bytes.append(buffer, got);
  }
  CloseHandle(file);
  return {};
}
