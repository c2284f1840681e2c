// The cache's work behind the user's back: a thread, and compilers run with
// no window and their output discarded. A compiler started here finishes even
// when Vorlix has ended; what it leaves under a temporary name is removed by a
// later run.
#include "platform/command_line.h"
#include "platform/compiler_words.h"
#include "platform/platform.h"
#include "platform/windows/internal.h"

namespace {

DWORD WINAPI Run_job(void* job) {
  const auto* work = static_cast<std::function<void()>*>(job);
  (*work)();
  delete work;
  return 0;
}

}  // namespace

void Run_in_background(const std::function<void()>& job) {
  auto* work = new std::function<void()>(job);
  HANDLE thread = CreateThread(nullptr, 0, Run_job, work, 0, nullptr);
  if (thread == nullptr) {
    delete work;
    return;
  }
  SetThreadPriority(thread, THREAD_PRIORITY_BELOW_NORMAL);
  CloseHandle(thread);
}

int Compile_quietly(const std::string& com_path, const std::string& com_settings,
                    const std::vector<std::string>& words, const std::string& header_dir) {
  if (Is_batch_file(com_path)) return 1;
  std::wstring application, command;
  if (!To_wide(com_path, application) || application.empty() ||
      !To_wide(Windows_compiler_words(com_path, com_settings, words), command))
    return 1;
  SECURITY_ATTRIBUTES inherit{};
  inherit.nLength = sizeof inherit;
  inherit.bInheritHandle = TRUE;
  HANDLE null = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            &inherit, OPEN_EXISTING, 0, nullptr);
  if (null == INVALID_HANDLE_VALUE) return 1;
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = si.hStdOutput = si.hStdError = null;
  std::wstring environment = Environment_with_header_path(header_dir);
  PROCESS_INFORMATION pi{};
  const DWORD flags = CREATE_NO_WINDOW | BELOW_NORMAL_PRIORITY_CLASS |
                      (environment.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT);
  const BOOL started =
      CreateProcessW(application.c_str(), &command[0], nullptr, nullptr, TRUE, flags,
                     environment.empty() ? nullptr : &environment[0], nullptr, &si, &pi);
  CloseHandle(null);
  if (!started) return 1;
  return Wait_for_exit(pi) == 0 ? 0 : 1;
}
