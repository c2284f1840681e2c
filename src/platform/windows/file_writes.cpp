// The receiver's files, by UTF-16 names: written whole under a temporary name
// beside their place, then moved there (replacing what is there, or only
// where nothing is), and the folders they go in.
#include <algorithm>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/windows/internal.h"
#include "text/temporary_name.h"

namespace {

// Writes `bytes`, unchanged, to a new temporary file beside `path`; 0, or why not.
DWORD Write_temporary(const std::string& path, const std::string& bytes, std::wstring& temporary) {
  HANDLE file = INVALID_HANDLE_VALUE;
  DWORD why = ERROR_FILE_EXISTS;
  for (int tries = 0; tries < 8 && file == INVALID_HANDLE_VALUE; ++tries) {
    if (!To_wide(Temporary_name(path), temporary)) return ERROR_INVALID_NAME;
    file = CreateFileW(temporary.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      why = GetLastError();
      if (why != ERROR_FILE_EXISTS && why != ERROR_ALREADY_EXISTS) return why;
    }
  }
  if (file == INVALID_HANDLE_VALUE) return why;
  why = 0;
  std::size_t done = 0;
  while (why == 0 && done < bytes.size()) {
    const DWORD n = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, n, &written, nullptr) || written == 0)
      why = GetLastError() != 0 ? GetLastError() : ERROR_WRITE_FAULT;
    done += written;
  }
  if (why == 0 && !FlushFileBuffers(file)) why = GetLastError();
  CloseHandle(file);
  if (why != 0) DeleteFileW(temporary.c_str());
  return why;
}

// Moves the temporary file in place; 0, or why not.
DWORD Move_into_place(const std::string& path, const std::string& bytes, DWORD flags) {
  std::wstring target, temporary;
  if (!To_wide(path, target)) return ERROR_INVALID_NAME;
  if (const DWORD why = Write_temporary(path, bytes, temporary)) return why;
  if (MoveFileExW(temporary.c_str(), target.c_str(), flags | MOVEFILE_WRITE_THROUGH)) return 0;
  const DWORD why = GetLastError();
  DeleteFileW(temporary.c_str());
  return why;
}

}  // namespace

Outcome Replace_file(const std::string& path, const std::string& bytes) {
  if (const DWORD why = Move_into_place(path, bytes, MOVEFILE_REPLACE_EXISTING))
    return Windows_failure(why);
  return {};
}

Outcome Create_file(const std::string& path, const std::string& bytes, bool& exists) {
  const DWORD why = Move_into_place(path, bytes, 0);
  exists = why == ERROR_ALREADY_EXISTS || why == ERROR_FILE_EXISTS;
  if (why != 0) return Windows_failure(why);
  return {};
}

bool Path_exists(const std::string& path) {
  std::wstring wide;
  return To_wide(path, wide) && GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES;
}

Outcome Make_directories(const std::string& path) {
  std::wstring wide;
  if (path.empty() || !To_wide(path, wide)) return Windows_failure(ERROR_INVALID_NAME);
  // Each folder from the top down; a drive or a share's root is there already.
  for (std::size_t at = wide.find_first_of(L"\\/", 1);; at = wide.find_first_of(L"\\/", at + 1)) {
    const std::wstring part = wide.substr(0, at);
    const DWORD attributes = GetFileAttributesW(part.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      if (!CreateDirectoryW(part.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return Windows_failure(GetLastError());
    } else if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
      return Windows_failure(ERROR_DIRECTORY);
    }
    if (at == std::wstring::npos) return {};
  }
}
