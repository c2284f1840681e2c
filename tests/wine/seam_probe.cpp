// Calls the Windows seam itself, as vorlix.exe does, where a test cannot
// reach it through the dialogue. Built with MinGW-w64 by the Wine suite
// against the cross-built libraries.
//
//   seam_probe save PATH [HELD]
//
// Saves the lines "C:\编译 器\g++.exe", "" and "-O2" at PATH, as the settings
// save does (a folder named in Chinese given in full, a path that cannot be
// saved), and prints "saved" or "failed: " and the reason. With HELD, a
// temporary that a save still running has open (as a save holds its own:
// written to, shared for reading and renaming only) stays open meanwhile, and
// "held kept" or "held removed" follows.
//
//   seam_probe closed PATH...
//
// Prints, for each PATH, "closed" when nobody but the user and the system
// could change it or a folder above it, as the header cache asks before it
// uses a folder, and "open" otherwise.
#include "platform/platform.h"
#include "platform/windows/internal.h"

#include <shellapi.h>

#include <cstdio>
#include <string>

namespace {

int Save(int argc, wchar_t** argv) {
  HANDLE held = INVALID_HANDLE_VALUE;
  if (argc > 3)
    held = CreateFileW(argv[3], GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                       CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (argc > 3 && held == INVALID_HANDLE_VALUE) return 3;

  const Outcome saved = Save_text_file(To_utf8(argv[2]), "C:\\编译 器\\g++.exe\n\n-O2");
  std::string report = saved.ok() ? "saved\n" : "failed: " + saved.failure().system_text + "\n";
  if (held != INVALID_HANDLE_VALUE) {
    const bool kept = GetFileAttributesW(argv[3]) != INVALID_FILE_ATTRIBUTES;
    report += kept ? "held kept\n" : "held removed\n";
    CloseHandle(held);
  }
  std::fwrite(report.data(), 1, report.size(), stdout);
  return 0;
}

int Closed(int argc, wchar_t** argv) {
  std::string report;
  for (int i = 2; i < argc; ++i)
    report += Only_user_can_change(To_utf8(argv[i])) ? "closed\n" : "open\n";
  std::fwrite(report.data(), 1, report.size(), stdout);
  return 0;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argv == nullptr || argc < 3) return 2;
  const std::wstring form = argv[1];
  return form == L"save" ? Save(argc, argv) : form == L"closed" ? Closed(argc, argv) : 2;
}
