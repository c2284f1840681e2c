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
#include <poll.h>
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

// Control characters, C0 and C1 (U+0080 to U+009F, C2 80 to C2 9F in UTF-8),
// would end the title sequence early or smuggle in another one.
std::string Printable(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    const auto next = i + 1 < s.size() ? static_cast<unsigned char>(s[i + 1]) : 0;
    if (c == 0xC2 && next >= 0x80 && next <= 0x9F) {
      ++i;
      continue;
    }
    if (c >= 0x20 && c != 0x7f) out += static_cast<char>(c);
  }
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
  const int null = open("/dev/null", O_RDWR);
  if (null >= 0) {
    dup2(null, STDIN_FILENO);
    dup2(null, STDOUT_FILENO);
    dup2(null, STDERR_FILENO);
    if (null > STDERR_FILENO) close(null);
  }
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

termios Console_mode;
bool Have_console_mode = false;

// A program run in this terminal may leave it in any mode, and one killed at
// its own key wait leaves echo off; put back the mode we were started in.
void Restore_console_mode() {
  if (Have_console_mode) tcsetattr(STDIN_FILENO, TCSANOW, &Console_mode);
}

// Starts argv[0] (looked up on PATH when `search_path`). A close-on-exec pipe
// tells whether it started: it reaches end of file on success and carries
// errno on failure.
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
    signal(SIGINT, SIG_DFL);
    signal(SIGQUIT, SIG_DFL);
    signal(SIGXFSZ, SIG_DFL);
    if (mode == Spawn_mode::detach) Detach(argv, search_path, fds[1]);
    Exec(argv, search_path, fds[1]);
  }

  close(fds[1]);
  Ignore_terminal_signals quiet;
  result.error = Read_report(fds[0]);
  result.started = result.error == 0;
  int raw = 0;
  if (Wait_for(pid, raw) == pid && mode == Spawn_mode::wait && result.started)
    result.status = Decode_status(raw);
  if (mode == Spawn_mode::wait) Restore_console_mode();
  return result;
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

termios Key_mode;
termios Mode_before_key;
volatile sig_atomic_t In_key_read = 0;

// A signal that ends or stops us during the key wait must not leave the
// terminal without echo and line editing.
void Restore_then_resend(int sig) {
  tcsetattr(STDIN_FILENO, TCSANOW, &Mode_before_key);
  raise(sig);  // the disposition is back to the default (SA_RESETHAND)
}

void Stop_during_key(int sig) {
  tcsetattr(STDIN_FILENO, TCSANOW, &Mode_before_key);
  // sigaction, unlike signal, gives back this handler with its SA_NODEFER,
  // so that the next stop stops at once too.
  struct sigaction stop {}, mine {};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  sigaction(sig, &stop, &mine);
  raise(sig);  // stops here until continued
  if (In_key_read) tcsetattr(STDIN_FILENO, TCSANOW, &Key_mode);
  sigaction(sig, &mine, nullptr);
}

// One byte of standard input, waiting at most `ms` milliseconds (-1: for
// ever); -1 when none came.
int Key_byte(int ms) {
  pollfd in{STDIN_FILENO, POLLIN, 0};
  int ready;
  do {
    ready = poll(&in, 1, ms);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) return -1;
  unsigned char c;
  ssize_t n;
  do {
    n = read(STDIN_FILENO, &c, 1);
  } while (n < 0 && errno == EINTR);
  return n == 1 ? c : -1;
}

// Reads the bytes of one key and no more, so that what is typed after it is
// left for the next prompt: an escape sequence (arrow and function keys), a
// UTF-8 character, or a single byte. The rest of a key follows its first byte
// at once; 50 ms is ample even over a slow connection.
bool Read_one_key() {
  const int first = Key_byte(-1);
  if (first < 0) return false;
  if (first == 0x1b) {
    const int second = Key_byte(50);
    if (second == '[') {
      int c;
      do {
        c = Key_byte(50);
      } while (c >= 0 && !(c >= 0x40 && c <= 0x7e));  // up to the final byte
    } else if (second == 'O') {
      Key_byte(50);
    }
  } else if (first >= 0xc0) {
    for (int more = first >= 0xf0 ? 3 : first >= 0xe0 ? 2 : 1; more > 0; --more)
      if (Key_byte(50) < 0) break;
  }
  return true;
}

bool Read_key() {
  if (tcgetattr(STDIN_FILENO, &Mode_before_key) != 0) return false;
  Key_mode = Mode_before_key;
  Key_mode.c_lflag &= ~(ICANON | ECHO);
  Key_mode.c_cc[VMIN] = 1;
  Key_mode.c_cc[VTIME] = 0;

  const int signals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP};
  struct sigaction old[std::size(signals)];
  for (std::size_t i = 0; i < std::size(signals); ++i) {
    sigaction(signals[i], nullptr, &old[i]);
    if (old[i].sa_handler == SIG_IGN) continue;  // ignored signals stay ignored
    struct sigaction handler {};
    sigemptyset(&handler.sa_mask);
    handler.sa_handler = signals[i] == SIGTSTP ? Stop_during_key : Restore_then_resend;
    handler.sa_flags = SA_NODEFER | (signals[i] == SIGTSTP ? 0 : SA_RESETHAND);
    sigaction(signals[i], &handler, nullptr);
  }
  In_key_read = 1;
  tcsetattr(STDIN_FILENO, TCSANOW, &Key_mode);
  const bool got = Read_one_key();
  In_key_read = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &Mode_before_key);
  for (std::size_t i = 0; i < std::size(signals); ++i) sigaction(signals[i], &old[i], nullptr);
  return got;
}

}  // namespace

void Console_init() {
  // A parent may hand us these ignored or caught; we need exit statuses of our
  // children, and a write past a file-size limit to fail rather than kill us.
  signal(SIGCHLD, SIG_DFL);
  signal(SIGXFSZ, SIG_IGN);
  if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &Console_mode) == 0)
    Have_console_mode = true;
  std::atexit(Pop_title);
}

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
  // The new contents reach the disk before the name does, so that a crash
  // cannot leave an empty file in place of the old one.
  const int fd = open(from.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced && std::rename(from.c_str(), to.c_str()) == 0;
}

void Hide_file(const std::string&) {}
