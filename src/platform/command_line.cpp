#include "platform/command_line.h"

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

}  // namespace

std::string Windows_compiler_command_line(const std::string& com_path,
                                          const std::string& com_settings,
                                          const std::string& epath, const std::string& fpath) {
  return Quoted(com_path) + " " + com_settings + " -g -o " + Quoted(epath) + " " + Quoted(fpath);
}

std::string Windows_compile_command(const std::string& com_path, const std::string& com_settings,
                                    const std::string& epath, const std::string& fpath) {
  return "cmd /c " + Quoted(Windows_compiler_command_line(com_path, com_settings, epath, fpath));
}

std::string Windows_pauser_command_line(const std::string& con_path, const std::string& epath) {
  return Quoted(con_path) + " " + Quoted(epath);
}

std::string Windows_program_command_line(const std::string& epath) { return Quoted(epath); }

std::string Windows_pauser_launch_command(const std::string& con_path, const std::string& epath) {
  return "start \"\" " + Windows_pauser_command_line(con_path, epath);
}

std::string Windows_direct_launch_command(const std::string& fpath, const std::string& epath) {
  return "start " + Quoted(fpath) + " " + Windows_program_command_line(epath);
}

std::string Posix_program_path(const std::string& path) {
  return path.find('/') == std::string::npos ? "./" + path : path;
}

static std::string Argument_path(const std::string& path) {
  return !path.empty() && path[0] == '-' ? "./" + path : path;
}

std::vector<std::string> Posix_compile_arguments(const std::string& com_path,
                                                 const std::string& com_settings,
                                                 const std::string& epath, const std::string& fpath) {
  // A shell may take a command word that begins with "-" for an option of exec.
  return {"/bin/sh", "-c", "exec \"$0\" " + com_settings + " -g -o \"$1\" \"$2\"",
          Argument_path(Posix_program_path(com_path)), Argument_path(epath), Argument_path(fpath)};
}
