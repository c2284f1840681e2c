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
  // NAME=VALUE entries added to the environment (a NAME alone removes it, as
  // glibc's putenv does). TMUX, DISPLAY and WAYLAND_DISPLAY are removed first,
  // so programs start in this terminal unless a test sets them again,
  // VORLIX_PCH is 0, and XDG_CACHE_HOME and XDG_CONFIG_HOME are folders of
  // the test run's own: no test reads or writes the user's cache or config.
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

// A port on 127.0.0.1 that nobody listens on now: the system's pick.
unsigned Free_port();

std::string Vorlix_binary();
std::string Pauser_binary();

// The screens and texts of the dialogue, as the user sees them. Inline, so
// that the tests' own constants built from them are initialised after them.
inline const std::string CLS = "\x1b[H\x1b[2J";      // what clearing the screen writes
inline const std::string PAUSE = "请按任意键继续. . .\n";     // the key prompt, input not a terminal
inline const std::string COMPLAINT = "输入不合法，请重新输入。\n";  // a refused answer
inline const std::string FAREWELL = CLS + "将在 3s 内退出……\n";  // the exit path after choice 3
inline const std::string ASK_PATH = CLS + "请输入 C++ 文件的完整路径：\n";  // main page choice 1
inline const std::string STARTED = "启动成功！\n\n" + PAUSE;
inline const std::string NOT_STARTED = "启动失败！\n\n" + PAUSE;
std::string Main_page();     // the main page after a clear, waiting for an answer
std::string Settings_page();  // the settings page after a clear
