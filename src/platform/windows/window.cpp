// Opening a new console window for a started program, as `start` does.
#include "platform/command_line.h"
#include "platform/platform.h"
#include "platform/windows/internal.h"

bool Start_program(const std::string& pauser, const std::string& fpath, const std::string& epath) {
  const std::string command = pauser.empty() ? Windows_direct_launch_command(fpath, epath)
                                             : Windows_pauser_launch_command(pauser, epath);
  return Run_shell_command(command) == 0;
}
