// The batch-file test on the name the system will open. A file of its own,
// with no std::filesystem, so that what starts programs links none.
#include "text/command_line.h"
#include "platform/windows/internal.h"

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

