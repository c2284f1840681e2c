// Files: existence tests through UTF-16, the batch-file test on the name the
// system will open, and the settings save: an atomic replace by UTF-16 names,
// then the hidden attribute.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "text/command_line.h"
#include "platform/platform.h"
#include "text/temporary_name.h"
#include "text/text_lines.h"
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

bool Is_batch_file(const std::string& path) {
  std::wstring wide;
  if (!To_wide(path, wide)) return Is_windows_batch_file(path);
  const DWORD units = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (units == 0) return Is_windows_batch_file(path);
  std::wstring full(units, L'\0');
  const DWORD got = GetFullPathNameW(wide.c_str(), units, &full[0], nullptr);
  if (got == 0 || got >= units) return Is_windows_batch_file(path);
  full.resize(got);
  // Either name is enough to refuse: the system's own, and the one written.
  return Is_windows_batch_file(To_utf8(full)) || Is_windows_batch_file(path);
}

namespace {

// A save's own temporary is open, for writing, until its rename is done; no
// other handle can take it with sharing refused until then, so what another
// save can delete that way is a leftover of one that was killed.
void Remove_leftovers(const std::string& target) {
  const auto cut = target.find_last_of("\\/:");
  const std::string directory = cut == std::string::npos ? "" : target.substr(0, cut + 1);
  const std::string name = cut == std::string::npos ? target : target.substr(cut + 1);
  std::wstring pattern;
  if (!To_wide(target + ".*.tmp", pattern)) return;
  WIN32_FIND_DATAW found;
  const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                         FindExSearchNameMatch, nullptr, 0);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    const std::string entry = To_utf8(found.cFileName);
    std::wstring leftover;
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
        !Is_temporary_name(entry, name) || !To_wide(directory + entry, leftover))
      continue;
    // A link is removed itself, never what it leads to. The deletion is asked
    // for only once the file is held alone, so that no open that sharing
    // refuses ever carries one.
    const HANDLE file = CreateFileW(leftover.c_str(), DELETE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    FILE_DISPOSITION_INFO dispose{};
    dispose.DeleteFile = TRUE;
    SetFileInformationByHandle(file, FileDispositionInfo, &dispose, sizeof dispose);
    CloseHandle(file);
  } while (FindNextFileW(search, &found));
  FindClose(search);
}

// Creates a new temporary file beside `target`, never opening one that is
// there already. Others may read it and rename it (as this save does), but
// not take it with sharing refused, which is how leftovers are removed.
HANDLE Create_temporary(const std::string& target, std::wstring& wide, DWORD& why) {
  for (int tries = 0; tries < 8; ++tries) {
    if (!To_wide(Temporary_name(target), wide)) {
      why = ERROR_INVALID_NAME;
      return INVALID_HANDLE_VALUE;
    }
    const HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) return file;
    why = GetLastError();
    if (why != ERROR_FILE_EXISTS && why != ERROR_ALREADY_EXISTS) break;
  }
  return INVALID_HANDLE_VALUE;
}

// Windows' own line breaks: each "\n" is written as CR LF.
bool Write_lines(HANDLE file, const std::string& text) {
  std::string bytes;
  for (const char c : text) {
    if (c == '\n') bytes.push_back('\r');
    bytes.push_back(c);
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD n = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data() + done, n, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return true;
}

// Returns 0, or why `from` could not replace `to`.
DWORD Replace_file(const std::wstring& from, const std::wstring& to) {
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  if (MoveFileExW(from.c_str(), to.c_str(), flags)) return 0;
  const DWORD why = GetLastError();
  // A hidden or read-only file (the previous save hid it) refuses to be
  // replaced until those attributes are lifted.
  const DWORD attributes = GetFileAttributesW(to.c_str());
  const DWORD blocking = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM;
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & blocking) == 0) return why;
  const DWORD lifted = attributes & ~blocking;
  if (!SetFileAttributesW(to.c_str(), lifted == 0 ? FILE_ATTRIBUTE_NORMAL : lifted)) return why;
  if (MoveFileExW(from.c_str(), to.c_str(), flags)) return 0;
  SetFileAttributesW(to.c_str(), attributes);
  return why;
}

}  // namespace

Outcome Read_text_lines(const std::string& path, const std::vector<std::size_t>& keep,
                        std::vector<std::string>& lines) {
  lines.assign(keep.size(), "");
  const auto failed = [](DWORD code) {
    return Failure{Failure::Kind::windows_error, static_cast<long long>(code), System_message(code)};
  };
  std::wstring wide;
  if (!To_wide(path, wide)) return failed(ERROR_INVALID_NAME);
  // Opened by its UTF-16 name, shared so that nobody else is kept from the
  // file meanwhile. A directory does not open without backup semantics, and
  // a device or pipe is refused by its type. The bytes go to Text_lines,
  // which takes CR LF for a line break as text mode would.
  const HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    const DWORD why = GetLastError();
    // Nothing there: nothing a save could lose.
    if (why == ERROR_FILE_NOT_FOUND || why == ERROR_PATH_NOT_FOUND) return {};
    return failed(why);
  }
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return Failure{Failure::Kind::none, 0, "not a regular file"};
  }
  Text_lines t = Start_text_lines(keep);
  std::vector<char> buf(64 * 1024);
  DWORD error = 0;
  for (;;) {
    DWORD n = 0;
    if (!ReadFile(file, buf.data(), static_cast<DWORD>(buf.size()), &n, nullptr)) {
      error = GetLastError();
      break;
    }
    if (n == 0 || !Take_text(t, buf.data(), n)) break;
  }
  CloseHandle(file);
  End_text(t);
  if (error != 0) return failed(error);  // a file that fails midway counts as unreadable
  lines = t.lines;
  return {};
}

bool Save_text_file(const std::string& path, const std::string& text, std::string& error) {
  error.clear();
  std::wstring target;
  if (!To_wide(path, target)) {
    error = System_message(ERROR_INVALID_NAME);
    return false;
  }
  Remove_leftovers(path);
  std::wstring temporary;
  DWORD why = 0;
  const HANDLE file = Create_temporary(path, temporary, why);
  if (file == INVALID_HANDLE_VALUE) {
    error = System_message(why);
    return false;
  }
  // The data reaches the disk before the new name does, so that a crash
  // cannot leave an empty file in place of the old one. The file stays open
  // until it is renamed, so that no other save takes it for a leftover.
  if (!Write_lines(file, text) || !FlushFileBuffers(file)) {
    why = GetLastError();
    if (why == 0) why = ERROR_WRITE_FAULT;
  } else {
    why = Replace_file(temporary, target);
  }
  CloseHandle(file);
  if (why != 0) {
    error = System_message(why);
    DeleteFileW(temporary.c_str());
    return false;
  }
  SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_HIDDEN);
  return true;
}
