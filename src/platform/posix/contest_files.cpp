// The files around the judge's runs: folders listed, scratch folders made and
// removed, samples created without ever replacing one; and the interrupt that
// the contest forms catch rather than die of.
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/internal.h"

double Usage_cpu_seconds(const struct rusage& usage) {
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// ru_maxrss counts KiB on Linux and the BSDs, bytes on macOS.
std::optional<double> Usage_peak_mib(const struct rusage& usage) {
  if (usage.ru_maxrss <= 0) return std::nullopt;
#ifdef __APPLE__
  return static_cast<double>(usage.ru_maxrss) / (1024.0 * 1024.0);
#else
  return static_cast<double>(usage.ru_maxrss) / 1024.0;
#endif
}

Outcome List_directory(const std::string& path, std::vector<std::string>& names) {
  names.clear();
  if (Has_nul(path)) return Errno_failure(EINVAL);
  DIR* dir = opendir(path.c_str());
  if (dir == nullptr) return Errno_failure(errno);
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names.push_back(name);
  }
  closedir(dir);
  return {};
}

// A folder in memory first: the judge makes and removes one for every run,
// which on a disk's journal costs more than starting the program does. The
// user's runtime folder (tmpfs, the user's alone), else TMPDIR, else
// /dev/shm, else /tmp.
Outcome Make_scratch_directory(std::string& path) {
  std::vector<std::string> roots;
  for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value == '/') roots.push_back(value);
  }
  roots.push_back("/dev/shm");
  roots.push_back("/tmp");
  int error = 0;
  for (const auto& root : roots) {
    std::string pattern = root + "/vorlix-run.XXXXXX";
    if (mkdtemp(&pattern[0]) != nullptr) {
      path = pattern;
      return {};
    }
    if (error == 0) error = errno;
  }
  return Errno_failure(error);
}

namespace {

// Removes what is in the open folder `fd`, descending without following
// links; closes `fd`.
bool Empty_directory(int fd) {
  DIR* dir = fdopendir(fd);
  if (dir == nullptr) {
    close(fd);
    return false;
  }
  bool ok = true;
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (unlinkat(fd, name.c_str(), 0) == 0) continue;
    if (errno != EISDIR && errno != EPERM) {
      ok = false;
      continue;
    }
    // A folder the program made read-only or unreadable still goes.
    (void)!fchmodat(fd, name.c_str(), 0700, 0);
    const int sub = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0 || !Empty_directory(sub) || unlinkat(fd, name.c_str(), AT_REMOVEDIR) != 0) ok = false;
  }
  closedir(dir);
  return ok;
}

}  // namespace

Outcome Remove_tree(const std::string& path) {
  if (Has_nul(path)) return Errno_failure(EINVAL);
  (void)!chmod(path.c_str(), 0700);
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return Errno_failure(errno);
  Empty_directory(fd);
  if (rmdir(path.c_str()) != 0) return Errno_failure(errno);
  return {};
}

namespace {

volatile sig_atomic_t INTERRUPTED = 0;

void Note_interrupt(int) { INTERRUPTED = 1; }

}  // namespace

void Catch_interrupts() {
  struct sigaction note {};
  note.sa_handler = Note_interrupt;
  sigemptyset(&note.sa_mask);
  // A write to a terminal or a pipe that the signal comes in goes on instead
  // of cutting a line short; the waits that look at the flag (poll, pselect,
  // a sleep) end all the same.
  note.sa_flags = SA_RESTART;
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
    // One ignored from the start stays so (nohup, a background job of a
    // script): whoever started us asked for it.
    struct sigaction old {};
    sigaction(sig, nullptr, &old);
    if (old.sa_handler != SIG_IGN) sigaction(sig, &note, nullptr);
  }
}

bool Interrupted() { return INTERRUPTED != 0; }

int Interrupted_exit_status() { return 130; }

bool Is_terminal(Stream stream) {
  return isatty(stream == Stream::out ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

void Raise_stack_limit() {
  struct rlimit stack {};
  if (getrlimit(RLIMIT_STACK, &stack) != 0) return;
  const rlim_t wanted = static_cast<rlim_t>(1) << 30;
  const rlim_t target = stack.rlim_max != RLIM_INFINITY && stack.rlim_max < wanted ? stack.rlim_max : wanted;
  if (stack.rlim_cur != RLIM_INFINITY && stack.rlim_cur >= target) return;
  stack.rlim_cur = target;
  setrlimit(RLIMIT_STACK, &stack);
}
