// The cache's work behind the user's back: Vorlix's own program started again,
// detached, and compilers run with their output held back from the terminal.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <limits.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "text/compiler_words.h"
#include "platform/platform.h"
#include "platform/posix/internal.h"

extern char** environ;

namespace {

// This program's file, as the kernel knows it: the path it was started by
// may have been relative, or may name another file by now.
std::string Own_program() {
  char self[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self);
  return n > 0 && static_cast<std::size_t>(n) < sizeof self ? std::string(self, n) : "";
}

// Every descriptor above standard error: a pipe that Vorlix's caller reads
// to its end (an editor's, "3>pipe") must not stay open for the whole build.
void Close_inherited_descriptors() {
  long last = sysconf(_SC_OPEN_MAX);
  if (last < 0 || last > 65536) last = 65536;
  for (int fd = STDERR_FILENO + 1; fd < last; ++fd) close(fd);
}

const std::size_t Output_kept = 65536;

}  // namespace

Outcome Run_in_background(const std::vector<std::string>& arguments) {
  const std::string self = Own_program();
  if (self.empty()) return Errno_failure(errno != 0 ? errno : ENOENT);
  std::vector<std::string> words = {self};
  words.insert(words.end(), arguments.begin(), arguments.end());
  for (const auto& w : words)
    if (Has_nul(w)) return Errno_failure(EINVAL);
  std::vector<char*> argv;
  for (const auto& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);

  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t child = fork();
  if (child < 0) return Errno_failure(errno);
  if (child == 0) {
    // A session of its own, so that neither the terminal's keys nor its
    // closing end the job; the grandchild is nobody's to wait for.
    setsid();
    const pid_t job = fork();
    if (job != 0) _exit(job < 0 ? 1 : 0);
    Streams_to_null();
    Close_inherited_descriptors();
    // A folder Vorlix ran in stays free to be removed or unmounted.
    (void)!chdir("/");
    // Its compilers start with the signals a fresh shell gives them.
    Default_signals();
    // The user's own compiles and programs come first.
    (void)!nice(10);
    execv(argv[0], argv.data());
    _exit(127);
  }
  int raw = 0;
  while (waitpid(child, &raw, 0) < 0 && errno == EINTR) {
  }
  // Past the second fork nothing is told back: the job has nobody to tell.
  if (!WIFEXITED(raw) || WEXITSTATUS(raw) != 0) return Errno_failure(EAGAIN);
  return {};
}

Outcome Compile_quietly(const std::string& com_path, const std::string& com_settings,
                        const std::vector<std::string>& words, const std::string& header_dir,
                        Quiet_compile& result) {
  result = Quiet_compile{};
  const auto args = Posix_compiler_words(com_path, com_settings, words);
  for (const auto& a : args)
    if (Has_nul(a)) return Errno_failure(EINVAL);
  std::vector<char*> argv;
  for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  int out[2];
  if (pipe(out) != 0) return Errno_failure(errno);
  fcntl(out[0], F_SETFD, FD_CLOEXEC);
  fcntl(out[1], F_SETFD, FD_CLOEXEC);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDERR_FILENO);
  // The signals a fresh shell gives a program, whatever Vorlix was given.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t all, none;
  sigfillset(&all);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
  const Ignore_terminal_signals keys;
  pid_t pid = -1;
  int spawned;
  {
    const Header_path_guard path(header_dir);
    spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
  }
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    return Errno_failure(spawned);
  }
  // Read to the end, keeping the first part: the compiler must never wait on
  // a full pipe.
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    if (result.output.size() < Output_kept)
      result.output.append(buffer, std::min<std::size_t>(n, Output_kept - result.output.size()));
  }
  close(out[0]);
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
  result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + (WIFSIGNALED(raw) ? WTERMSIG(raw) : 0);
  result.interrupted = WIFSIGNALED(raw) && WTERMSIG(raw) == SIGINT;
  return {};
}
