// Opening a new console window for a started program, as `start` does, but
// without the command interpreter, which would read the paths as commands.
#include "text/command_line.h"
#include "platform/platform.h"
#include "text/printable.h"
#include "text/start_failure.h"
#include "platform/windows/internal.h"

bool Start_program(const std::string& pauser, const std::string& fpath, const std::string& epath,
                   std::string& error) {
  error.clear();
  // The system would run a batch file through the interpreter.
  if (Is_batch_file(pauser)) {
    error = "ConsolePauser 不能是批处理文件（.bat 或 .cmd）：" + Printable(pauser);
    return false;
  }
  PROCESS_INFORMATION pi{};
  const bool started =
      pauser.empty()
          ? Start_process(epath, Windows_program_command_line(epath), CREATE_NEW_CONSOLE, fpath, pi)
          : Start_process(pauser, Windows_pauser_command_line(pauser, epath), CREATE_NEW_CONSOLE,
                          "", pi);
  if (!started) {
    const DWORD code = GetLastError();
    error = Start_failure_line(pauser.empty() ? epath : pauser,
                               Windows_start_failure(code, System_message(code)));
    return false;
  }
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return true;
}
