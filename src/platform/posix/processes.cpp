// Starting programs, always as separate words: the compiler through /bin/sh
// so that the shell splits the options, everything else directly. A
// close-on-exec pipe tells whether a program really started.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "text/command_line.h"
#include "text/exit_status.h"
#include "platform/platform.h"
#include "platform/posix/internal.h"

namespace {

int Decode_status(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

// A program in a process group of its own (setpgid) that reads or writes the
// terminal is stopped by SIGTTIN or SIGTTOU, and nothing in its window could
// bring it to the foreground. When this process owns the terminal, it hands
// it to the program's group and lets the group go on. True when it did.
bool Hand_terminal_to(pid_t pid) {
  const pid_t group = getpgid(pid);
  if (group < 0 || group == getpgrp() || tcgetpgrp(STDIN_FILENO) != getpgrp()) return false;
  return tcsetpgrp(STDIN_FILENO, group) == 0 && kill(-group, SIGCONT) == 0;
}

// Takes the terminal back once the program has ended; from the background
// that would stop this process, so SIGTTOU is ignored meanwhile.
void Take_terminal_back() {
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGTTOU, &ignore, &old);
  tcsetpgrp(STDIN_FILENO, getpgrp());
  sigaction(SIGTTOU, &old, nullptr);
}

// Waits for `pid` to end, with its resource usage. With `resume`, a program
// that stops (raise(SIGSTOP), say), which would otherwise keep this wait and
// its window hung without a word, is told about and, mostly, resumed; one in
// a group of its own that the terminal stopped is given the terminal.
// Without it a stop is the terminal's job control, which Vorlix stops along
// with.
pid_t Wait_for(pid_t pid, int& raw, struct rusage& usage, bool resume) {
  bool handed = false;
  for (;;) {
    const pid_t r = wait4(pid, &raw, resume ? WUNTRACED : 0, &usage);
    if (r < 0 && errno == EINTR) continue;
    if (r != pid || !WIFSTOPPED(raw)) {
      if (handed) Take_terminal_back();
      return r;
    }
    const int signal = WSTOPSIG(raw);
    if ((signal == SIGTTIN || signal == SIGTTOU) && Hand_terminal_to(pid)) {
      handed = true;
      continue;
    }
    const Stop_answer answer = Posix_stop_answer(signal);
    Write_text(Stream::err, answer.notice);
    if (answer.resume) kill(pid, SIGCONT);
  }
}

void Report(int fd, int error) { (void)!write(fd, &error, sizeof error); }

// What a child reported through its status pipe: 0 when the pipe closed with
// nothing in it (the exec succeeded), an errno value otherwise.
int Read_report(int fd) {
  int error = 0;
  ssize_t n;
  do {
    n = read(fd, &error, sizeof error);
  } while (n < 0 && errno == EINTR);
  close(fd);
  if (n == 0) return 0;
  return n == static_cast<ssize_t>(sizeof error) && error != 0 ? error : EIO;
}

bool Status_pipe(int fds[2]) {
  if (pipe(fds) != 0) return false;
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  fcntl(fds[1], F_SETFD, FD_CLOEXEC);
  return true;
}

[[noreturn]] void Exec(std::vector<char*>& argv, bool search_path, int report) {
  if (search_path)
    execvp(argv[0], argv.data());
  else
    execv(argv[0], argv.data());
  Report(report, errno);
  _exit(127);
}

// Runs in the child that detaches a window: starts the terminal as a
// grandchild in a session of its own, so that it is neither waited for nor
// left a zombie, and reports whether it is up. A terminal that cannot open its
// window (no display, say) gives up at once, so a failure within the first half
// second counts as not started.
[[noreturn]] void Detach(std::vector<char*>& argv, bool search_path, int report) {
  // A window of its own needs nothing of this console: keeping our standard
  // streams would hold them open for as long as it runs.
  Streams_to_null();
  setsid();
  int inner[2];
  if (!Status_pipe(inner)) {
    Report(report, errno);
    _exit(127);
  }
  const pid_t terminal = fork();
  if (terminal < 0) {
    Report(report, errno);
    _exit(127);
  }
  if (terminal == 0) {
    close(inner[0]);
    close(report);
    Exec(argv, search_path, inner[1]);
  }
  close(inner[1]);
  if (const int error = Read_report(inner[0])) {
    Report(report, error);
    _exit(127);
  }
  for (int i = 0; i < 50; ++i) {
    int raw = 0;
    if (waitpid(terminal, &raw, WNOHANG) == terminal) {
      if (Decode_status(raw) != 0) Report(report, ECHILD);
      _exit(0);
    }
    usleep(10000);
  }
  _exit(0);
}

}  // namespace

void Default_signals() {
  // Dispositions first, so that a signal let through by the new mask gets
  // its default action.
  struct sigaction by_default {};
  by_default.sa_handler = SIG_DFL;
  sigemptyset(&by_default.sa_mask);
  for (int sig = 1; sig < NSIG; ++sig) sigaction(sig, &by_default, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
}

void Streams_to_null() {
  const int null = open("/dev/null", O_RDWR);
  if (null < 0) return;
  dup2(null, STDIN_FILENO);
  dup2(null, STDOUT_FILENO);
  dup2(null, STDERR_FILENO);
  if (null > STDERR_FILENO) close(null);
}

Spawn_result Spawn(const std::vector<std::string>& args, bool search_path, Spawn_mode mode) {
  Spawn_result result;
  for (const auto& a : args)
    if (Has_nul(a)) {
      result.error = EINVAL;
      return result;
    }
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int fds[2];
  if (!Status_pipe(fds)) {
    result.error = errno;
    return result;
  }
  std::fflush(stdout);
  std::fflush(stderr);

  const pid_t pid = fork();
  if (pid < 0) {
    result.error = errno;
    close(fds[0]);
    close(fds[1]);
    return result;
  }
  if (pid == 0) {
    close(fds[0]);
    Default_signals();
    if (mode == Spawn_mode::detach) Detach(argv, search_path, fds[1]);
    Exec(argv, search_path, fds[1]);
  }

  close(fds[1]);
  Ignore_terminal_signals quiet;
  result.error = Read_report(fds[0]);
  result.started = result.error == 0;
  int raw = 0;
  struct rusage usage {};
  const bool waited = mode != Spawn_mode::detach;
  if (Wait_for(pid, raw, usage, mode == Spawn_mode::resume) == pid && waited && result.started) {
    result.status = Decode_status(raw);
    result.signaled = WIFSIGNALED(raw);
    result.cpu_seconds = Usage_cpu_seconds(usage);
    result.peak_mib = Usage_peak_mib(usage);
  }
  if (waited) Restore_console_mode();
  return result;
}

namespace {

// How a program run through Spawn ended.
Program_run Ended(const Spawn_result& r) {
  Program_run run;
  if (!r.started) {
    run.outcome = Failure{Failure::Kind::errno_value, r.error, std::strerror(r.error)};
    return run;
  }
  run.status = r.status;
  run.end = r.signaled ? Program_run::End::signal : Program_run::End::returned;
  run.cpu_seconds = r.cpu_seconds;
  run.peak_mib = r.peak_mib;
  return run;
}

}  // namespace

Program_run Compile(const std::string& com_path, const std::string& com_settings,
                    const std::string& epath, const std::string& fpath, const std::string& header_dir) {
  const Header_path_guard path(header_dir);
  return Ended(
      Spawn(Posix_compile_arguments(com_path, com_settings, epath, fpath), false, Spawn_mode::wait));
}

Program_run Run_and_wait(const std::string& program, const std::vector<std::string>& args) {
  std::vector<std::string> argv = {Posix_program_path(program)};
  argv.insert(argv.end(), args.begin(), args.end());
  Raise_stack_limit();
  return Ended(Spawn(argv, false, Spawn_mode::resume));
}

std::vector<std::string> Program_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv, argv + argc);
}
