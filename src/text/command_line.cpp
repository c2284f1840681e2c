#include "text/command_line.h"

#include <algorithm>
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

std::string Without_trailing_dots_and_spaces(const std::string& name) {
  const auto end = name.find_last_not_of(". ");
  return end == std::string::npos ? "" : name.substr(0, end + 1);
}

// The name of the file that `path` finally names, worked out as Windows
// works out a path before opening it, without asking the file system: either
// slash separates, "." stays and ".." goes back a folder, and a name's
// trailing dots and spaces are dropped (so a name of only dots and spaces is
// passed over like "."). A drive ("C:") is no part of the name, and a stream
// (":$DATA") names the file it belongs to.
std::string Windows_final_name(const std::string& path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    const auto end = std::min(path.find_first_of("\\/", start), path.size());
    std::string name = path.substr(start, end - start);
    if (start == 0 && name.size() >= 2 && name[1] == ':') name.erase(0, 2);
    name = Without_trailing_dots_and_spaces(name.substr(0, name.find(':')));
    if (path.compare(start, end - start, "..") == 0) {
      if (!names.empty()) names.pop_back();
    } else if (!name.empty()) {
      names.push_back(name);
    }
    start = end + 1;
  }
  return names.empty() ? "" : names.back();
}

}  // namespace

std::string Windows_compiler_command_line(const std::string& com_path,
                                          const std::string& com_settings,
                                          const std::string& epath, const std::string& fpath) {
  return Quoted(com_path) + " " + com_settings + " -g -o " + Quoted(Not_an_option(epath, ".\\")) +
         " " + Quoted(Not_an_option(fpath, ".\\"));
}

std::string Windows_pauser_command_line(const std::string& con_path, const std::string& epath) {
  return Quoted(con_path) + " " + Quoted(epath);
}

std::string Windows_program_command_line(const std::string& epath) { return Quoted(epath); }

bool Is_windows_batch_file(const std::string& path) {
  const std::string name = Windows_final_name(path);
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
