// The files around the judge's runs: folders listed, scratch folders made and
// removed, samples created without ever replacing one; and Ctrl+C, which the
// contest forms catch rather than die of.
#include <algorithm>

#include "platform/platform.h"
#include "platform/windows/internal.h"
#include "text/temporary_name.h"

Outcome List_directory(const std::string& path, std::vector<std::string>& names) {
  names.clear();
  std::wstring wide;
  if (!To_wide(path, wide)) return Windows_failure(ERROR_INVALID_NAME);
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW((wide + L"\\*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return Windows_failure(GetLastError());
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(To_utf8(name));
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return {};
}

Outcome Make_scratch_directory(std::string& path) {
  wchar_t temp[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
  if (length == 0 || length > MAX_PATH) return Windows_failure(GetLastError());
  const std::string base = To_utf8(std::wstring(temp, length)) + "vorlix-run";
  for (int attempt = 0; attempt < 16; ++attempt) {
    const std::string candidate = Temporary_name(base);
    std::wstring wide;
    if (!To_wide(candidate, wide)) return Windows_failure(ERROR_INVALID_NAME);
    if (CreateDirectoryW(wide.c_str(), nullptr)) {
      path = candidate;
      return {};
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return Windows_failure(GetLastError());
  }
  return Windows_failure(ERROR_ALREADY_EXISTS);
}

namespace {

// A program's files can stay locked for a moment after it has been ended.
bool Delete_soon(const std::wstring& path, bool folder) {
  for (int attempt = 0; attempt < 50; ++attempt) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (folder ? RemoveDirectoryW(path.c_str()) : DeleteFileW(path.c_str())) return true;
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    Sleep(10);
  }
  return false;
}

bool Remove_wide(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  const HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = path + L"\\" + name;
      // A junction or link is removed itself, never followed.
      const bool folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
      const bool link = (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (folder && !link) Remove_wide(child);
      else Delete_soon(child, folder);
    } while (FindNextFileW(find, &found));
    FindClose(find);
  }
  return Delete_soon(path, true);
}

}  // namespace

Outcome Remove_tree(const std::string& path) {
  std::wstring wide;
  if (!To_wide(path, wide)) return Windows_failure(ERROR_INVALID_NAME);
  if (!Remove_wide(wide)) return Windows_failure(GetLastError());
  return {};
}

bool Is_terminal(Stream stream) {
  const HANDLE handle = GetStdHandle(stream == Stream::out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(handle, &mode)) return false;
  // Colours and the progress line's erasing are escape sequences, which a
  // console shows only with virtual terminal processing on; without it the
  // console counts as none.
  return (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0 ||
         SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

namespace {

volatile LONG INTERRUPTED = 0;

BOOL WINAPI Note_interrupt(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  InterlockedExchange(&INTERRUPTED, 1);
  return TRUE;
}

}  // namespace

void Catch_interrupts() { SetConsoleCtrlHandler(Note_interrupt, TRUE); }

bool Interrupted() { return InterlockedCompareExchange(&INTERRUPTED, 0, 0) != 0; }

int Interrupted_exit_status() { return -1073741510; }  // 0xC000013A, STATUS_CONTROL_C_EXIT
