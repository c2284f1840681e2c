// The cache's work behind the user's back: Vorlix's own program started again,
// detached, so that the build carries on after Vorlix has exited, and
// compilers run with their output held back from the console.
#include <algorithm>
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

Failure Not_utf8() { return Failure{Failure::Kind::none, 0, "not valid UTF-8"}; }

// A handle the next process started inherits; closed with the object.
class Inheritable {
 public:
  Inheritable() = default;
  ~Inheritable() {
    if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  }
  Inheritable(const Inheritable&) = delete;
  Inheritable& operator=(const Inheritable&) = delete;
  HANDLE handle = INVALID_HANDLE_VALUE;
};

SECURITY_ATTRIBUTES Inherited() {
  SECURITY_ATTRIBUTES inherit{};
  inherit.nLength = sizeof inherit;
  inherit.bInheritHandle = TRUE;
  return inherit;
}

const std::size_t Output_kept = 65536;

}  // namespace

Outcome Run_in_background(const std::vector<std::string>& arguments) {
  const std::wstring self = Own_program();
  if (self.empty()) return Windows_failure(GetLastError());
  std::wstring command, folder(MAX_PATH + 1, L'\0');
  if (!To_wide(Windows_run_command_line(To_utf8(self), arguments), command)) return Not_utf8();
  // Not Vorlix's working directory, which the job would keep from being
  // removed for as long as it runs.
  const UINT n = GetSystemDirectoryW(&folder[0], MAX_PATH + 1);
  if (n == 0 || n > MAX_PATH) return Windows_failure(GetLastError());
  folder.resize(n);
  SECURITY_ATTRIBUTES inherit = Inherited();
  Inheritable null;
  null.handle = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            &inherit, OPEN_EXISTING, 0, nullptr);
  if (null.handle == INVALID_HANDLE_VALUE) return Windows_failure(GetLastError());
  // NUL is the only handle handed down: a pipe that Vorlix's output goes to,
  // held open by the build, would keep whoever reads it waiting.
  SIZE_T size = 0;
  InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
  std::vector<char> attributes(size);
  const auto list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes.data());
  if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return Windows_failure(GetLastError());
  STARTUPINFOEXW si{};
  si.StartupInfo.cb = sizeof si;
  si.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
  si.StartupInfo.hStdInput = si.StartupInfo.hStdOutput = si.StartupInfo.hStdError = null.handle;
  si.lpAttributeList = list;
  BOOL started = FALSE;
  DWORD error = 0;
  if (UpdateProcThreadAttribute(list, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, &null.handle,
                                sizeof null.handle, nullptr, nullptr)) {
    const DWORD flags = DETACHED_PROCESS | CREATE_NEW_PROCESS_GROUP | BELOW_NORMAL_PRIORITY_CLASS |
                        EXTENDED_STARTUPINFO_PRESENT;
    PROCESS_INFORMATION pi{};
    // Out of Vorlix's job object where it allows that, since a job that
    // ends its processes when it closes would end the build with Vorlix.
    started = CreateProcessW(self.c_str(), &command[0], nullptr, nullptr, TRUE,
                             flags | CREATE_BREAKAWAY_FROM_JOB, nullptr, folder.c_str(),
                             &si.StartupInfo, &pi);
    if (!started)
      started = CreateProcessW(self.c_str(), &command[0], nullptr, nullptr, TRUE, flags, nullptr,
                               folder.c_str(), &si.StartupInfo, &pi);
    if (started) {
      CloseHandle(pi.hThread);
      CloseHandle(pi.hProcess);
    }
  }
  if (!started) error = GetLastError();
  DeleteProcThreadAttributeList(list);
  if (!started) {
    SetLastError(error);
    return Windows_failure(GetLastError());
  }
  return {};
}

Outcome Compile_quietly(const std::string& com_path, const std::string& com_settings,
                        const std::vector<std::string>& words, const std::string& header_dir,
                        Quiet_compile& result) {
  result = Quiet_compile{};
  // A batch file would be read by the command interpreter.
  if (Is_batch_file(com_path)) return Failure{Failure::Kind::none, 0, "a batch file"};
  std::wstring application, command;
  if (!To_wide(com_path, application) || application.empty() ||
      !To_wide(Windows_compiler_words(com_path, com_settings, words), command))
    return Not_utf8();
  SECURITY_ATTRIBUTES inherit = Inherited();
  Inheritable null, read_end, write_end;
  null.handle = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                            OPEN_EXISTING, 0, nullptr);
  if (null.handle == INVALID_HANDLE_VALUE) return Windows_failure(GetLastError());
  if (!CreatePipe(&read_end.handle, &write_end.handle, &inherit, 0)) return Windows_failure(GetLastError());
  SetHandleInformation(read_end.handle, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESTDHANDLES;
  si.hStdInput = null.handle;
  si.hStdOutput = si.hStdError = write_end.handle;
  std::wstring environment = Environment_with_header_path(header_dir);
  PROCESS_INFORMATION pi{};
  // The priority is the starting process's: low in the build job, the
  // user's own in a compile they wait for.
  const DWORD flags = CREATE_NO_WINDOW | (environment.empty() ? 0 : CREATE_UNICODE_ENVIRONMENT);
  if (!CreateProcessW(application.c_str(), &command[0], nullptr, nullptr, TRUE, flags,
                      environment.empty() ? nullptr : &environment[0], nullptr, &si, &pi))
    return Windows_failure(GetLastError());
  // Only the compiler (and what it starts) holds the pipe open now.
  CloseHandle(write_end.handle);
  write_end.handle = INVALID_HANDLE_VALUE;
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(read_end.handle, buffer, sizeof buffer, &n, nullptr) && n > 0)
    if (result.output.size() < Output_kept)
      result.output.append(buffer, std::min<std::size_t>(n, Output_kept - result.output.size()));
  result.status = Wait_for_exit(pi);
  return {};
}
