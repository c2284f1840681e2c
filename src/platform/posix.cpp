// The operating-system seam on Linux and other POSIX systems. Terminals speak
// UTF-8 already, so bytes pass through untouched; screen and title control are
// escape sequences; commands run through /bin/sh or are executed directly.
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "platform/command_line.h"
#include "platform/platform.h"

namespace {

void Write_out(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fflush(stdout);
}

bool Title_pushed = false;

void Pop_title() {
  if (Title_pushed) Write_out("\x1b[23;0t");
}

// Control bytes would end the title sequence early or smuggle in another one.
std::string Printable(const std::string& s) {
  std::string out;
  for (unsigned char c : s)
    if (c >= 0x20 && c != 0x7f) out += static_cast<char>(c);
  return out;
}

bool Has_nul(const std::string& s) { return s.find('\0') != std::string::npos; }

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

enum class Spawn_mode { wait, detach };

struct Spawn_result {
  bool started = false;
  int status = -1;  // exit status, or 128 plus the signal number; wait mode only
  int error = 0;    // errno of the failed start
};

int Decode_status(int raw) {
  if (WIFEXITED(raw)) return WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) return 128 + WTERMSIG(raw);
  return -1;
}

pid_t Wait_for(pid_t pid, int& raw) {
  pid_t r;
  do {
    r = waitpid(pid, &raw, 0);
  } while (r < 0 && errno == EINTR);
  return r;
}

// Starts argv[0] (looked up on PATH when `search_path`). A close-on-exec pipe
// tells whether exec succeeded: it reaches end of file on success and carries
// errno on failure. In detach mode the program runs in a session of its own,
// as a grandchild, so that it is neither waited for nor left as a zombie.
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
  if (pipe(fds) != 0) {
    result.error = errno;
    return result;
  }
  fcntl(fds[0], F_SETFD, FD_CLOEXEC);
  fcntl(fds[1], F_SETFD, FD_CLOEXEC);
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
    signal(SIGINT, SIG_DFL);
    signal(SIGQUIT, SIG_DFL);
    if (mode == Spawn_mode::detach) {
      // A window of its own needs nothing of this console: keeping our
      // standard streams would hold them open for as long as it runs.
      const int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, STDIN_FILENO);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        if (null > STDERR_FILENO) close(null);
      }
      setsid();
      const pid_t grandchild = fork();
      if (grandchild < 0) {
        int e = errno;
        (void)!write(fds[1], &e, sizeof e);
        _exit(127);
      }
      if (grandchild > 0) _exit(0);
    }
    if (search_path)
      execvp(argv[0], argv.data());
    else
      execv(argv[0], argv.data());
    int e = errno;
    (void)!write(fds[1], &e, sizeof e);
    _exit(127);
  }

  close(fds[1]);
  Ignore_terminal_signals quiet;
  int e = 0;
  ssize_t n;
  do {
    n = read(fds[0], &e, sizeof e);
  } while (n < 0 && errno == EINTR);
  close(fds[0]);
  result.started = n == 0;
  if (!result.started) result.error = n == static_cast<ssize_t>(sizeof e) ? e : EIO;

  int raw = 0;
  if (Wait_for(pid, raw) == pid && mode == Spawn_mode::wait && result.started)
    result.status = Decode_status(raw);
  return result;
}

bool Is_executable_file(const std::string& path) {
  return Is_regular_file(path) && access(path.c_str(), X_OK) == 0;
}

std::string Find_on_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return "";
  std::string dirs = path;
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + name;
    if (Is_executable_file(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

bool Env_set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

std::string Current_directory() {
  std::vector<char> buf(PATH_MAX);
  if (getcwd(buf.data(), buf.size()) == nullptr) return "";
  return buf.data();
}

bool Read_key() {
  termios old_mode;
  if (tcgetattr(STDIN_FILENO, &old_mode) != 0) return false;
  termios key_mode = old_mode;
  key_mode.c_lflag &= ~(ICANON | ECHO);
  key_mode.c_cc[VMIN] = 1;
  key_mode.c_cc[VTIME] = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &key_mode);
  // One read takes a whole key, even one that sends several bytes.
  char key[64];
  ssize_t n;
  do {
    n = read(STDIN_FILENO, key, sizeof key);
  } while (n < 0 && errno == EINTR);
  tcsetattr(STDIN_FILENO, TCSANOW, &old_mode);
  return n > 0;
}

}  // namespace

void Console_init() { std::atexit(Pop_title); }

void Set_title(const std::string& title) {
  if (!isatty(STDOUT_FILENO)) return;
  if (!Title_pushed) {
    Write_out("\x1b[22;0t");  // keep the terminal's own title to restore at exit
    Title_pushed = true;
  }
  Write_out("\x1b]0;" + Printable(title) + "\x07");
}

void Clear_screen() { Write_out("\x1b[H\x1b[2J\x1b[3J"); }

void Pause() {
  Write_out("请按任意键继续. . .");
  if (isatty(STDIN_FILENO)) Read_key();
  Write_out("\n");
}

bool Read_input_line(std::string& line, std::size_t keep) {
  line.clear();
  bool any = false;
  int c;
  while ((c = getc_unlocked(stdin)) != EOF) {
    any = true;
    if (c == '\n') return true;
    if (line.size() < keep) line.push_back(static_cast<char>(c));
  }
  return any;
}

std::size_t Max_path_bytes() { return PATH_MAX - 1; }

bool Is_regular_file(const std::string& path) {
  if (Has_nul(path)) return false;
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

void Sleep_until(std::chrono::steady_clock::time_point deadline) {
  // steady_clock is CLOCK_MONOTONIC on every POSIX system we build for.
  const auto since_epoch = deadline.time_since_epoch();
  const auto secs = std::chrono::duration_cast<std::chrono::seconds>(since_epoch);
  timespec ts;
  ts.tv_sec = static_cast<time_t>(secs.count());
  ts.tv_nsec = static_cast<long>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(since_epoch - secs).count());
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

int Run_shell_command(const std::string& command) {
  if (Has_nul(command)) return 127;
  std::fflush(stdout);
  const int raw = std::system(command.c_str());
  if (raw == -1) return 127;
  const int status = Decode_status(raw);
  return status == -1 ? 127 : status;
}

std::string Compile_command(const std::string& com_path, const std::string& com_settings,
                            const std::string& epath, const std::string& fpath) {
  return Posix_compile_command(com_path, com_settings, epath, fpath);
}

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
    if (!cwd.empty()) args.insert(args.end(), {"-c", cwd});
    if (direct) args.insert(args.end(), {"-n", Printable(fpath)});
    args.push_back("--");
    args.insert(args.end(), program.begin(), program.end());
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
      args.insert(args.end(), program.begin(), program.end());
      if (Spawn(args, false, Spawn_mode::detach).started) return true;
    }
  }

  // No window can be opened: run the program here and wait for it.
  if (direct) Set_title(fpath);
  const bool started = Spawn(program, false, Spawn_mode::wait).started;
  if (direct) Set_title("Vorlix");
  return started;
}

int Run_and_wait(const std::string& program, const std::vector<std::string>& args,
                 std::string& error) {
  std::vector<std::string> argv = {Posix_program_path(program)};
  argv.insert(argv.end(), args.begin(), args.end());
  const Spawn_result r = Spawn(argv, false, Spawn_mode::wait);
  if (!r.started) {
    error = std::strerror(r.error);
    return -1;
  }
  return r.status;
}

bool Replace_file(const std::string& from, const std::string& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

void Hide_file(const std::string&) {}
