// Opening a window for a started program: a tmux window inside tmux, a
// terminal emulator's window in a graphical session ($TERMINAL, then the
// emulators of terminal_emulators.cpp), or else this terminal.
// Every way passes the program as separate words, never as shell text.
#include <cstdlib>
#include <cstring>
#include <utility>

#include "text/command_line.h"
#include "platform/platform.h"
#include "platform/posix/internal.h"
#include "text/terminal_emulators.h"

namespace {

bool Env_set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

// Neither tmux nor a terminal emulator may see a command as one word: they
// hand a single word to a shell. This runs `program` as the words it is, in
// `cwd`: an emulator may start its window in a server's directory, where a
// relative path would name nothing. The directory is an argument too, never
// part of the shell's text.
std::vector<std::string> Exec_words(const std::string& cwd, const std::vector<std::string>& program) {
  std::vector<std::string> words = {"/bin/sh", "-c", "cd -- \"$0\" && exec \"$@\"", cwd};
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

// The terminal emulators installed, each with its way: $TERMINAL first, then
// the table's. Each program is tried once, however it was named.
std::vector<std::pair<std::string, Terminal_emulator>> Terminals_at_hand() {
  std::vector<std::pair<std::string, Terminal_emulator>> found;
  auto add = [&](const std::string& path, const Terminal_emulator& row) {
    if (path.empty()) return;
    for (const auto& f : found)
      if (f.first == path) return;
    found.emplace_back(path, row);
  };
  if (Env_set("TERMINAL")) {
    const std::string named = std::getenv("TERMINAL");
    const bool is_path = named.find('/') != std::string::npos;
    add(is_path ? (Is_executable_file(named) ? named : "") : Find_on_path(named),
        Terminal_emulator_for(named));
  }
  for (const auto& row : Terminal_emulators()) add(Find_on_path(row.name), row);
  return found;
}

}  // namespace

Outcome Start_program(const std::string& pauser, const std::string& fpath, const std::string& epath) {
  // A program started directly gets the stack the pauser would give it.
  if (pauser.empty()) Raise_stack_limit();
  std::vector<std::string> program;
  if (pauser.empty())
    program = {Posix_program_path(epath)};
  else
    program = {Posix_program_path(pauser), epath};
  // Checked here: a window's shell would report it in a window of its own,
  // or not at all.
  if (const int e = Run_error(program[0])) return Errno_failure(e);
  const bool direct = pauser.empty();
  // The window is named after what it shows: the source, or the program the
  // pauser runs (else tmux would call it "sh" or the pauser).
  const std::string name = Printable(direct ? fpath : epath);
  const std::string cwd = Current_directory();
  const auto words = Exec_words(cwd, program);
  // A window starts in a directory of its own choosing, and its shell goes to
  // ours by name; a directory too long to name (or gone) would leave it
  // running a relative path elsewhere, found or not, while we reported
  // success. Then only this terminal, already there, can run the program.
  const bool windows = !cwd.empty();

  // A tmux that cannot open the window (its server gone, $TMUX left over from
  // one) is one way fewer; the next is tried.
  if (windows && Env_set("TMUX")) {
    std::vector<std::string> args = {"tmux", "new-window"};
    args.insert(args.end(), {"-c", Tmux_literal(cwd)});
    args.insert(args.end(), {"-n", Tmux_literal(name)});
    args.push_back("--");
    args.insert(args.end(), words.begin(), words.end());
    for (std::size_t i = 2; i < args.size(); ++i) args[i] = Tmux_word(args[i]);
    const Spawn_result r = Spawn(args, true, Spawn_mode::wait);
    if (r.started && r.status == 0) return {};
  }

  if (windows && (Env_set("DISPLAY") || Env_set("WAYLAND_DISPLAY"))) {
    for (const auto& [terminal, row] : Terminals_at_hand()) {
      const auto args = Terminal_arguments(row, terminal, name, cwd, words);
      if (Spawn(args, false, Spawn_mode::detach).started) return {};
    }
  }

  // No window can be opened: run the program here and wait for it.
  if (direct) Set_title(fpath);
  const Spawn_result r = Spawn(program, false, Spawn_mode::wait);
  if (direct) Set_title("Vorlix");
  if (!r.started) return Errno_failure(r.error);
  return {};
}
