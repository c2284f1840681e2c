// Opening a new console window for a started program, as `start` does, but
// without the command interpreter, which would read the paths as commands.
#include "text/command_line.h"
#include "platform/platform.h"
#include "platform/windows/internal.h"

Outcome Start_program(const std::string& pauser, const std::string& fpath, const std::string& epath) {
  // The system would run a batch file through the interpreter.
  if (Is_batch_file(pauser)) return Seam_fault(Failure::Fault::batch_file, "batch file");
  PROCESS_INFORMATION pi{};
  const bool started =
      pauser.empty()
          ? Start_process(epath, Windows_program_command_line(epath), CREATE_NEW_CONSOLE, fpath, pi)
          : Start_process(pauser, Windows_pauser_command_line(pauser, epath), CREATE_NEW_CONSOLE,
                          "", pi);
  if (!started) return Windows_failure(GetLastError());
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return {};
}
