// Calls the Windows save itself, as vorlix.exe's settings save does, where a
// test cannot reach it through the dialogue: a path that cannot be saved, a
// folder named in Chinese given in full, a running save's temporary beside it.
// Built with MinGW-w64 by the Wine suite against the cross-built libraries.
//
//   save_probe PATH [HELD]
//
// Saves the lines "C:\编译 器\g++.exe", "" and "-O2" at PATH and prints "saved"
// or "failed: " and the reason. With HELD, a temporary that a save still
// running has open (as a save holds its own: written to, shared for reading
// and renaming only) stays open meanwhile, and "held kept" or "held removed"
// follows.
#include "platform/platform.h"
#include "platform/windows/internal.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 2) return 2;
  HANDLE held = INVALID_HANDLE_VALUE;
  if (argc > 2)
    held = CreateFileW(argv[2], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (argc > 2 && held == INVALID_HANDLE_VALUE) return 3;

  const Outcome saved = Save_text_file(To_utf8(argv[1]), "C:\\编译 器\\g++.exe\n\n-O2");
  std::string report = saved.ok() ? "saved\n" : "failed: " + saved.failure().system_text + "\n";
  if (held != INVALID_HANDLE_VALUE) {
    const bool kept = GetFileAttributesW(argv[2]) != INVALID_FILE_ATTRIBUTES;
    report += kept ? "held kept\n" : "held removed\n";
    CloseHandle(held);
  }
  std::fwrite(report.data(), 1, report.size(), stdout);
  return 0;
}
