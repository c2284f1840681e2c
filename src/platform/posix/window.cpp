// Opening a window for a started program: a tmux window inside tmux, a
// terminal emulator's window in a graphical session, or else this terminal.
// Every way passes the program as separate words, never as shell text.
#include <cstdlib>

#include "platform/command_line.h"
#include "platform/platform.h"
#include "platform/posix/internal.h"

namespace {

bool Env_set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Neither tmux nor a terminal emulator may see a command as one word: they
// hand a single word to a shell. This runs `program` as the words it is.
std::vector<std::string> Exec_words(const std::vector<std::string>& program) {
  std::vector<std::string> words = {"/bin/sh", "-c", "exec \"$@\"", "sh"};
  words.insert(words.end(), program.begin(), program.end());
  return words;
}

// tmux expands "#" formats in names and directories; "##" is a plain "#".
std::string Tmux_literal(const std::string& s) {
  std::string out;
  for (char c : s) {
    out += c;
    if (c == '#') out += '#';
  }
  return out;
}

// tmux takes a word ending in ";" for the end of a command; "\;" is a plain ";".
std::string Tmux_word(std::string s) {
  if (!s.empty() && s.back() == ';') s.insert(s.size() - 1, "\\");
  return s;
}

}  // namespace

bool Start_program(const std::string& pauser, const std::string& fpath, const std::string& epath) {
  std::vector<std::string> program;
  if (pauser.empty())
    program = {Posix_program_path(epath)};
  else
    program = {Posix_program_path(pauser), epath};
  if (!Is_executable_file(program[0])) return false;
  const bool direct = pauser.empty();

  if (Env_set("TMUX")) {
    std::vector<std::string> args = {"tmux", "new-window"};
    const std::string cwd = Current_directory();
    if (!cwd.empty()) args.insert(args.end(), {"-c", Tmux_literal(cwd)});
    if (direct) args.insert(args.end(), {"-n", Tmux_literal(Printable(fpath))});
    args.push_back("--");
    const auto words = Exec_words(program);
    args.insert(args.end(), words.begin(), words.end());
    for (std::size_t i = 2; i < args.size(); ++i) args[i] = Tmux_word(args[i]);
    const Spawn_result r = Spawn(args, true, Spawn_mode::wait);
    if (r.started) return r.status == 0;
  }

  if (Env_set("DISPLAY") || Env_set("WAYLAND_DISPLAY")) {
    for (const char* name : {"x-terminal-emulator", "xterm"}) {
      const std::string terminal = Find_on_path(name);
      if (terminal.empty()) continue;
      std::vector<std::string> args = {terminal};
      if (direct) args.insert(args.end(), {"-T", Printable(fpath)});
      args.push_back("-e");
      const auto words = Exec_words(program);
      args.insert(args.end(), words.begin(), words.end());
      if (Spawn(args, false, Spawn_mode::detach).started) return true;
    }
  }

  // No window can be opened: run the program here and wait for it.
  if (direct) Set_title(fpath);
  const bool started = Spawn(program, false, Spawn_mode::wait).started;
  if (direct) Set_title("Vorlix");
  return started;
}
