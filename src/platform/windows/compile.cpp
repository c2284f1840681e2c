// The compile: the compiler started directly, its header folder on CPATH
// through the environment block.
#include "text/command_line.h"
#include "platform/platform.h"
#include "platform/windows/internal.h"

// Started directly, not through "cmd /c", so that no character of a path is
// ever read by the interpreter.
Program_run Compile(const std::string& com_path, const std::string& com_settings,
                    const std::string& epath, const std::string& fpath, const std::string& header_dir) {
  Program_run run;
  if (Is_batch_file(com_path)) {
    run.outcome = Seam_fault(Failure::Fault::batch_file, "batch file");
    return run;
  }
  PROCESS_INFORMATION pi{};
  const std::string line = Windows_compiler_command_line(com_path, com_settings, epath, fpath);
  std::wstring environment = Environment_with_header_path(header_dir);
  if (!Start_process(com_path, line, 0, "", pi, &environment)) {
    run.outcome = Windows_failure(GetLastError());
    return run;
  }
  return Waited(pi, false);
}

