// Files: existence tests through UTF-16, the bounded read, and the save's
// steps (files/save.h has its rules): by UTF-16 names, then the hidden
// attribute.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/platform.h"
#include "text/temporary_name.h"
#include "files/save.h"
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

namespace {

// A save's own temporary is open, for writing, until its rename is done; no
// other handle can take it with sharing refused until then, so what another
// save can delete that way is a leftover of one that was killed.
void Remove_old_temporaries(const std::string& target) {
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

// A save's steps on Windows, by UTF-16 names.
class Windows_save : public Save_system {
 public:
  Outcome Find_target(const std::string& path, std::string& target) override {
    if (!To_wide(path, target_)) return Windows_failure(ERROR_INVALID_NAME);
    target = path;
    return {};
  }

  void Remove_leftovers(const std::string& target) override { Remove_old_temporaries(target); }

  // Never opens a file that is there already. Others may read the temporary
  // and rename it (as this save does), but not take it with sharing refused,
  // which is how leftovers are removed.
  Outcome Create(const std::string& temporary, bool& taken) override {
    if (!To_wide(temporary, temporary_)) return Windows_failure(ERROR_INVALID_NAME);
    file_ = CreateFileW(temporary_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ != INVALID_HANDLE_VALUE) return {};
    const DWORD why = GetLastError();
    taken = why == ERROR_FILE_EXISTS || why == ERROR_ALREADY_EXISTS;
    return Windows_failure(why);
  }

  Outcome Write(const std::string& text) override {
    return Write_lines(file_, text) ? Outcome() : Last_failure(ERROR_WRITE_FAULT);
  }

  Outcome Sync() override {
    return FlushFileBuffers(file_) ? Outcome() : Last_failure(ERROR_WRITE_FAULT);
  }

  Outcome Rename(const std::string&, const std::string&) override {
    const DWORD why = Replace_file(temporary_, target_);
    return why == 0 ? Outcome() : Windows_failure(why);
  }

  void Close(const std::string&, bool failed) override {
    CloseHandle(file_);
    if (failed) DeleteFileW(temporary_.c_str());
  }

  void Done(const std::string&) override { SetFileAttributesW(target_.c_str(), FILE_ATTRIBUTE_HIDDEN); }

 private:
  static Failure Last_failure(DWORD otherwise) {
    const DWORD why = GetLastError();
    return Windows_failure(why == 0 ? otherwise : why);
  }

  std::wstring target_, temporary_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace

Outcome Read_text_lines(const std::string& path, const std::vector<std::size_t>& keep,
                        std::vector<std::string>& lines) {
  lines.assign(keep.size(), "");
  std::wstring wide;
  if (!To_wide(path, wide)) return Windows_failure(ERROR_INVALID_NAME);
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
    return Windows_failure(why);
  }
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return Seam_fault(Failure::Fault::not_regular_file, "not a regular file");
  }
  DWORD error = 0;
  const bool read_whole = Read_text(keep, [&](char* buffer, std::size_t size) -> long long {
    DWORD n = 0;
    if (ReadFile(file, buffer, static_cast<DWORD>(size), &n, nullptr)) return n;
    error = GetLastError();
    if (error == 0) error = ERROR_READ_FAULT;
    return -1;
  }, lines);
  CloseHandle(file);
  if (!read_whole) return Windows_failure(error);
  return {};
}

Outcome Save_text_file(const std::string& path, const std::string& text) {
  Windows_save save;
  return Save_through(save, path, text);
}
