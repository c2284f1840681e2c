// What the POSIX files of the platform seam share among themselves; nothing
// outside src/platform/posix/ includes this.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <signal.h>

#include "platform/platform.h"
#include "text/printable.h"  // titles and listed names are shown through Printable

bool Has_nul(const std::string& s);

// Puts back the terminal mode Vorlix was started in; a program run in this
// terminal may leave it in any mode.
void Restore_console_mode();

// Runs `body`, which may put the terminal into a mode of its own, so that the
// terminal's mode from before is back afterwards, and also when an interrupt,
// quit, hang-up or termination ends the program meanwhile or a stop key
// suspends it. Returns what `body` returns.
bool Guard_terminal(const std::function<bool()>& body);

// Read_input_line as bytes come, with no editing.
bool Read_plain_line(std::string& line, std::size_t keep);

// Read_input_line through the line editor, standard input and output being a
// terminal; the plain reading where the build has no line editor.
bool Read_edited_line(std::string& line, std::size_t keep, Line_kind kind);

bool Is_executable_file(const std::string& path);

// Why `path` cannot be run, as the errno that exec would give; 0 when it can.
int Run_error(const std::string& path);

// The first executable file called `name` in a directory of PATH, or "".
std::string Find_on_path(const std::string& name);

std::string Current_directory();

// A program starts as if from a fresh shell: no signal blocked or ignored,
// whatever Vorlix (or whoever started Vorlix) blocks or ignores, so that
// Ctrl-C, alarm() and SIGPIPE work in it. For a child before its exec.
void Default_signals();

// Standard input, output and error on /dev/null: for a child that needs
// nothing of this terminal, and must not hold its streams open.
void Streams_to_null();

enum class Spawn_mode {
  wait,    // run in this terminal and wait for it
  resume,  // as wait, and a program that stops itself is told of and resumed
           // (the pauser's, alone in its window, where nobody else could)
  detach   // start in a session of its own; reported started once it is up
};

struct Spawn_result {
  bool started = false;
  int status = -1;  // exit status, or 128 plus the signal number; wait mode only
  bool signaled = false;  // killed by a signal; wait mode only
  int error = 0;    // errno of the failed start
  // Its resource usage as the wait reports it; wait mode only.
  std::optional<double> cpu_seconds;
  std::optional<double> peak_mib;
};

// Starts args[0] (looked up on PATH when `search_path`) with the given words,
// never through a shell. In wait mode a program that stops is said to have
// stopped, in this terminal, and let go on as Posix_stop_answer says.
Spawn_result Spawn(const std::vector<std::string>& args, bool search_path, Spawn_mode mode);

// For as long as it lives, this process's environment (which the compiler
// inherits) has `header_dir` first on CPATH; nothing changes when it is empty
// or cannot be one item of the list. The old value is back afterwards.
class Header_path_guard {
 public:
  explicit Header_path_guard(const std::string& header_dir);
  ~Header_path_guard();
  Header_path_guard(const Header_path_guard&) = delete;
  Header_path_guard& operator=(const Header_path_guard&) = delete;

 private:
  bool had_ = false;
  bool set_ = false;
  std::string old_;
};

// The failure that `error`, an errno value, names, with strerror's text.
Failure Errno_failure(int error);

// Ignores the terminal's interrupt and quit keys while a program started in
// this terminal runs, so that they reach that program alone.
class Ignore_terminal_signals {
 public:
  Ignore_terminal_signals() {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGINT, &ignore, &old_int_);
    sigaction(SIGQUIT, &ignore, &old_quit_);
  }
  ~Ignore_terminal_signals() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGQUIT, &old_quit_, nullptr);
  }

 private:
  struct sigaction old_int_ {};
  struct sigaction old_quit_ {};
};

// The user plus system CPU time and the peak resident size (MiB) of a
// resource usage as wait4 reports it; a peak the system keeps no figure of
// (0) is unknown. Shared by the pauser's run and the judge's.
double Usage_cpu_seconds(const struct rusage& usage);
std::optional<double> Usage_peak_mib(const struct rusage& usage);

// Raises this process's soft stack limit to 1 GiB, or to the hard limit
// where that is lower (never unlimited, which would change the memory
// layout), so that the programs it starts may recurse as deep as on a judge.
void Raise_stack_limit();
