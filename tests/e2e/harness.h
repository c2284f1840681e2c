// Runs the built programs as a user would: scripted standard input on a pipe,
// a working directory of the test's own, and the whole standard output kept
// for a byte-for-byte comparison.
#pragma once

#include <string>
#include <vector>

struct Session {
  std::string out;     // everything written to standard output
  std::string err;     // everything written to standard error
  int status = -1;     // exit status, or 128 plus the signal number
  bool timed_out = false;
  double seconds = 0;  // wall time from start to exit
};

struct Session_options {
  // NAME=VALUE entries added to the environment. TMUX, DISPLAY and
  // WAYLAND_DISPLAY are removed first, so programs start in this terminal
  // unless a test sets them again.
  std::vector<std::string> env;
  double timeout_seconds = 30;
  // Shell commands run in the child just before exec, such as "ulimit -f 0".
  std::string prelude;
};

// Runs `argv` (argv[0] a path) in `dir` with `input` as its standard input.
Session Run_program(const std::vector<std::string>& argv, const std::string& dir,
                    const std::string& input, const Session_options& options = {});

// The same for the built vorlix.
Session Run_vorlix(const std::string& dir, const std::string& input,
                   const Session_options& options = {});

std::string Vorlix_binary();
std::string Pauser_binary();

// The screens and texts of the dialogue, as the user sees them.
extern const std::string CLS;        // what clearing the screen writes
extern const std::string PAUSE;      // the key prompt, when input is not a terminal
extern const std::string COMPLAINT;  // a refused answer
std::string Main_page();             // the main page after a clear, waiting for an answer
std::string Settings_page();         // the settings page after a clear
extern const std::string FAREWELL;   // the exit path after choice 3, from the clear on
