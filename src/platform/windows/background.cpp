// The cache's work behind the user's back: Vorlix's own program started again,
// detached, so that the build carries on after Vorlix has exited, and
// compilers run with no window and their output discarded.
#include <vector>

#include "text/command_line.h"
#include "text/compiler_words.h"
#include "platform/platform.h"
#include "platform/windows/internal.h"

namespace {

std::wstring Own_program() {
  std::wstring self(32768, L'\0');
  const DWORD n = GetModuleFileNameW(nullptr, &self[0], static_cast<DWORD>(self.size()));
  self.resize(n < self.size() ? n : 0);
  return self;
}

}  // namespace

// The runner is this program's main, reached through the command line.
void Run_in_background(const std::vector<std::string>& job, Background_runner) {
  const std::wstring self = Own_program();
  std::vector<std::string> arguments = {Background_job_option};
  arguments.insert(arguments.end(), job.begin(), job.end());
  std::wstring command;
  if (self.empty() || !To_wide(Windows_run_command_line(To_utf8(self), arguments), command)) return;
  SECURITY_ATTRIBUTES inherit{};
  inherit.nLength = sizeof inherit;
  inherit.bInheritHandle = TRUE;
  HANDLE null = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            &inherit, OPEN_EXISTING, 0, nullptr);
  if (null == INVALID_HANDLE_VALUE) return;
  // NUL is the only handle handed down: a pipe that Vorlix's output goes to,
  // held open by the build, would keep whoever reads it waiting.
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> attributes(size);
  const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  STARTUPINFOEXW si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = si.StartupInfo.hStdOutput = si.StartupInfo.hStdError = null;
  si.lpAttributeList = list;
  if (size > 0 && InitializeProcThreadAttributeList(list, 1, 0, &size)) {
    if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &null, sizeof null,
                                  nullptr, nullptr)) {
      const DWORD flags = DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP | BELOW_NORMAL_PRIORITY_CLASS |
                          EXTENDED_STARTUPINFO_PRESENT;
      PROCESS_INFORMATION pi{};
      // Out of Vorlix's job object where it allows that, since a job that
      // ends its processes when it closes would end the build with Vorlix.
      BOOL started = CreateProcessW(self.c_str(), &command[0], nullptr, nullptr, TRUE,
                                    flags | CREATE_BREAKAWAY_FROM_JOB, nullptr, nullptr,
                                    &si.StartupInfo, &pi);
      if (!started)
        started = CreateProcessW(self.c_str(), &command[0], nullptr, nullptr, TRUE, flags, nullptr,
                                 nullptr, &si.StartupInfo, &pi);
      if (started) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
      }
    }
    DeleteProcThreadAttributeList(list);
  }
  CloseHandle(null);
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
