// The judge's runner: a program under limits, watched while it runs, with
// every process it started ended with it.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include "platform/platform.h"
#include "platform/posix/internal.h"
#include "text/exit_status.h"

namespace {

const std::size_t Error_cap = 4096;
// How often a running program's time, memory and output file are looked at.
const int Tick_ms = 5;

using Clock = std::chrono::steady_clock;

std::string Proc_file(pid_t pid, const char* name) {
  char path[64];
  std::snprintf(path, sizeof path, "/proc/%d/%s", static_cast<int>(pid), name);
  std::string text;
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return text;
  char buffer[4096];
  ssize_t n;
  while ((n = read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<std::size_t>(n));
  close(fd);
  return text;
}

// The CPU time of a running process from /proc (its threads included), or
// -1 when the system does not tell.
double Running_cpu_seconds(pid_t pid) {
  const std::string stat = Proc_file(pid, "stat");
  const auto close_paren = stat.rfind(')');
  if (close_paren == std::string::npos) return -1;
  // After the name: state is field 3; utime and stime are fields 14 and 15.
  const char* p = stat.c_str() + close_paren + 1;
  unsigned long long utime = 0, stime = 0;
  if (std::sscanf(p, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2)
    return -1;
  static const long ticks = sysconf(_SC_CLK_TCK);
  return ticks > 0 ? static_cast<double>(utime + stime) / static_cast<double>(ticks) : -1;
}

// A /proc status figure in KiB ("VmHWM:   1234 kB"), or 0.
unsigned long long Status_kib(const std::string& status, const char* key) {
  const auto at = status.find(key);
  if (at == std::string::npos) return 0;
  return std::strtoull(status.c_str() + at + std::strlen(key), nullptr, 10);
}

// This process's children as the kernel lists them.
std::vector<pid_t> Children() {
  const std::string task = "task/" + std::to_string(getpid()) + "/children";
  const std::string list = Proc_file(getpid(), task.c_str());
  std::vector<pid_t> pids;
  const char* p = list.c_str();
  for (;;) {
    char* end = nullptr;
    const long pid = std::strtol(p, &end, 10);
    if (end == p) break;
    if (pid > 0) pids.push_back(static_cast<pid_t>(pid));
    p = end;
  }
  return pids;
}

// Every process left of the program: its process group, and whatever the
// kernel handed to this process as their subreaper (one that left the group
// with setsid), killed and reaped until none is left. Children this process
// had before the program started (`before`) are not the program's.
void End_descendants(pid_t group, const std::vector<pid_t>& before) {
  kill(-group, SIGKILL);
  for (;;) {
    std::vector<pid_t> left;
    for (pid_t child : Children())
      if (std::find(before.begin(), before.end(), child) == before.end()) left.push_back(child);
    if (left.empty()) return;
    // A killed process's own children come to this one before its wait returns.
    for (pid_t child : left) kill(child, SIGKILL);
    for (pid_t child : left)
      while (waitpid(child, nullptr, __WALL) < 0 && errno == EINTR) {
      }
  }
}

// Reads what is there on `fd` into `into`, keeping at most `keep` bytes
// (the rest is read and dropped). Returns false at end of file.
bool Drain(int fd, std::string& into, std::size_t keep, std::size_t& total) {
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno == EAGAIN;
    if (n == 0) return false;
    total += static_cast<std::size_t>(n);
    if (into.size() < keep)
      into.append(buffer, std::min(static_cast<std::size_t>(n), keep - into.size()));
  }
}

// This process's resident size in KiB: a child's peak as the wait reports it
// is never below the size of the memory it started in, before its exec.
unsigned long long Own_resident_kib() {
  const std::string statm = Proc_file(getpid(), "statm");
  unsigned long long size = 0, resident = 0;
  if (std::sscanf(statm.c_str(), "%llu %llu", &size, &resident) != 2) return 0;
  return resident * static_cast<unsigned long long>(sysconf(_SC_PAGESIZE)) / 1024;
}

int Pidfd_open(pid_t pid) {
#ifdef SYS_pidfd_open
  return static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

}  // namespace

Outcome Run_limited(const Limited_run_request& request, Limited_run& run) {
  run = Limited_run{};
#ifdef __linux__
  static const bool reaper = prctl(PR_SET_CHILD_SUBREAPER, 1) == 0;
  (void)reaper;
#endif
  // The program runs in another folder: a relative path is taken from here.
  std::string program = request.program;
  if (!program.empty() && program[0] != '/') program = Current_directory() + "/" + program;
  std::vector<std::string> args = {program};
  args.insert(args.end(), request.args.begin(), request.args.end());
  for (const auto& a : args)
    if (Has_nul(a)) return Errno_failure(EINVAL);
  if (Has_nul(request.directory) || Has_nul(request.input_path)) return Errno_failure(EINVAL);
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(&a[0]);
  argv.push_back(nullptr);

  const std::string input = request.input_path.empty() ? "/dev/null" : request.input_path;
  const int in = open(input.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return Errno_failure(errno);
  int out[2], err[2], report[2];
  if (pipe2(out, O_CLOEXEC) != 0) {
    close(in);
    return Errno_failure(errno);
  }
  if (pipe2(err, O_CLOEXEC) != 0 || pipe2(report, O_CLOEXEC) != 0) {
    const int error = errno;
    for (int fd : {in, out[0], out[1]}) close(fd);
    return Errno_failure(error);
  }
  const volatile unsigned long long own_kib = Own_resident_kib();
  const std::vector<pid_t> before = Children();
  struct rlimit stack {};
  getrlimit(RLIMIT_STACK, &stack);
  const rlim_t wanted = static_cast<rlim_t>(request.memory_limit_bytes);
  if (stack.rlim_max == RLIM_INFINITY || stack.rlim_max > wanted) stack.rlim_cur = wanted;
  else stack.rlim_cur = stack.rlim_max;
  const auto start = Clock::now();
  std::fflush(stdout);
  std::fflush(stderr);

  // vfork: a copy of this process's memory would cost more than the
  // program's own start. The child only makes system calls until its exec;
  // signals stay blocked here until it has reset them all.
  sigset_t all, old_mask;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &old_mask);
  const pid_t pid = vfork();
  if (pid != 0) pthread_sigmask(SIG_SETMASK, &old_mask, nullptr);
  if (pid < 0) {
    const int error = errno;
    for (int fd : {in, out[0], out[1], err[0], err[1], report[0], report[1]}) close(fd);
    return Errno_failure(error);
  }
  if (pid == 0) {
    setpgid(0, 0);
#ifdef __linux__
    prctl(PR_SET_PDEATHSIG, SIGKILL);
#endif
    Default_signals();
    dup2(in, STDIN_FILENO);
    dup2(out[1], STDOUT_FILENO);
    dup2(err[1], STDERR_FILENO);
    setrlimit(RLIMIT_STACK, &stack);
    const struct rlimit no_core = {0, 0};
    setrlimit(RLIMIT_CORE, &no_core);
    int error = 0;
    if (chdir(request.directory.c_str()) != 0) error = errno;
    if (error == 0) {
      execv(argv[0], argv.data());
      error = errno;
    }
    (void)!write(report[1], &error, sizeof error);
    _exit(127);
  }
  setpgid(pid, pid);
  for (int fd : {in, out[1], err[1], report[1]}) close(fd);
  int error = 0;
  ssize_t got;
  do got = read(report[0], &error, sizeof error);
  while (got < 0 && errno == EINTR);
  close(report[0]);
  if (got > 0) {
    End_descendants(pid, before);
    close(out[0]);
    close(err[0]);
    return Errno_failure(error != 0 ? error : EIO);
  }

  fcntl(out[0], F_SETFL, O_NONBLOCK);
  fcntl(err[0], F_SETFL, O_NONBLOCK);
  const int pidfd = Pidfd_open(pid);
  const std::string watched = request.output_file.empty() ? "" : request.directory + "/" + request.output_file;
  const auto wall_limit = std::chrono::duration<double>(request.wall_limit_seconds);
  std::size_t out_total = 0, err_total = 0;
  bool out_open = true, err_open = true, ended = false;
  unsigned long long peak_kib = 0;
  int raw = 0;
  struct rusage usage {};
  auto stop = [&](Stop_reason why) {
    if (run.stopped == Stop_reason::none) run.stopped = why;
    kill(-pid, SIGKILL);
    kill(pid, SIGKILL);
  };
  while (!ended) {
    pollfd fds[3] = {{out_open ? out[0] : -1, POLLIN, 0}, {err_open ? err[0] : -1, POLLIN, 0},
                     {pidfd, POLLIN, 0}};
    poll(fds, 3, Tick_ms);
    if (out_open && fds[0].revents != 0) out_open = Drain(out[0], run.out, request.output_cap + 1, out_total);
    if (err_open && fds[1].revents != 0) err_open = Drain(err[0], run.err, Error_cap, err_total);
    if (out_total > request.output_cap) stop(Stop_reason::output);
    pid_t r;
    do r = wait4(pid, &raw, WNOHANG, &usage);
    while (r < 0 && errno == EINTR);
    if (r == pid) {
      ended = true;
      break;
    }
    if (run.stopped != Stop_reason::none) continue;  // killed; its end is near
    if (Interrupted()) stop(Stop_reason::interrupted);
    const std::string status = Proc_file(pid, "status");
    peak_kib = std::max(peak_kib, Status_kib(status, "VmHWM:"));
    if (static_cast<double>(peak_kib) * 1024.0 > static_cast<double>(request.memory_limit_bytes))
      stop(Stop_reason::memory);
    if (Running_cpu_seconds(pid) > request.cpu_limit_seconds) stop(Stop_reason::time);
    if (Clock::now() - start > wall_limit) stop(Stop_reason::time);
    struct stat st;
    if (!watched.empty() && stat(watched.c_str(), &st) == 0 &&
        static_cast<unsigned long long>(st.st_size) > request.output_cap)
      stop(Stop_reason::output);
  }
  run.wall_seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (pidfd >= 0) close(pidfd);
  End_descendants(pid, before);
  // Every writer is gone: what is left in the pipes ends in end of file.
  fcntl(out[0], F_SETFL, 0);
  fcntl(err[0], F_SETFL, 0);
  while (out_open) out_open = Drain(out[0], run.out, request.output_cap + 1, out_total);
  while (err_open) err_open = Drain(err[0], run.err, Error_cap, err_total);
  close(out[0]);
  close(err[0]);
  if (out_total > request.output_cap && run.stopped == Stop_reason::none) run.stopped = Stop_reason::output;
  if (run.out.size() > request.output_cap) run.out.resize(request.output_cap);

  const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  run.status = status;
  run.failed = status != 0;
  run.status_text = Posix_exit_status_text(status, WIFSIGNALED(raw));
  run.cpu_seconds = Usage_cpu_seconds(usage);
  // The wait's peak counts this process's memory, in which the program
  // started until its exec (vfork); only a peak above that size is its own.
  const std::optional<double> waited = Usage_peak_mib(usage);
  double peak = static_cast<double>(peak_kib) / 1024.0;
  if (waited && (*waited * 1024.0 > static_cast<double>(own_kib) || peak_kib == 0))
    peak = std::max(peak, *waited);
  if (peak > 0) run.peak_mib = peak;
  return {};
}
