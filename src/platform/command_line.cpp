#include "platform/command_line.h"

#include <cctype>

namespace {

std::string Quoted(const std::string& path) { return "\"" + path + "\""; }

// A path that begins with "-" is relative, so `here` ("./" or ".\") before it
// names the same file, and no program takes it for an option.
std::string Not_an_option(const std::string& path, const char* here) {
  return !path.empty() && path[0] == '-' ? here + path : path;
}

bool Ends_with_ignoring_case(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) != suffix[i])
      return false;
  return true;
}

}  // namespace

std::string Windows_compiler_command_line(const std::string& com_path,
                                          const std::string& com_settings,
                                          const std::string& epath, const std::string& fpath) {
  return Quoted(com_path) + " " + com_settings + " -g -o " + Quoted(Not_an_option(epath, ".\\")) +
         " " + Quoted(Not_an_option(fpath, ".\\"));
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

bool Is_windows_batch_file(const std::string& path) {
  const auto end = path.find_last_not_of(". ");
  const std::string name = end == std::string::npos ? "" : path.substr(0, end + 1);
  return Ends_with_ignoring_case(name, ".bat") || Ends_with_ignoring_case(name, ".cmd");
}

std::string Windows_quoted_argument(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\n\v\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  for (std::size_t i = 0;; ++i) {
    std::size_t slashes = 0;
    while (i < arg.size() && arg[i] == '\\') {
      ++slashes;
      ++i;
    }
    if (i == arg.size()) {
      quoted.append(slashes * 2, '\\');
      break;
    }
    quoted.append(arg[i] == '"' ? slashes * 2 + 1 : slashes, '\\');
    quoted.push_back(arg[i]);
  }
  return quoted + "\"";
}

std::string Windows_run_command_line(const std::string& program,
                                     const std::vector<std::string>& args) {
  const bool bare = program.find_first_of("\\/:") == std::string::npos;
  std::string line = Quoted(bare ? ".\\" + program : program);
  for (const auto& a : args) line += " " + Windows_quoted_argument(a);
  return line;
}

std::string Posix_program_path(const std::string& path) {
  return path.find('/') == std::string::npos ? "./" + path : path;
}

std::vector<std::string> Posix_compile_arguments(const std::string& com_path,
                                                 const std::string& com_settings,
                                                 const std::string& epath, const std::string& fpath) {
  // A shell may take a command word that begins with "-" for an option of exec.
  return {"/bin/sh", "-c", "exec \"$0\" " + com_settings + " -g -o \"$1\" \"$2\"",
          Not_an_option(Posix_program_path(com_path), "./"), Not_an_option(epath, "./"),
          Not_an_option(fpath, "./")};
}
