// The terminal: UTF-8 already, so bytes pass through untouched; clearing and
// the title are escape sequences; the key wait reads one whole key with echo
// and line input off, and puts the terminal back whatever happens meanwhile.
// Lines come from the line editor on a terminal, as bytes otherwise.
#include <cerrno>
#include <csignal>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <iterator>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/internal.h"

namespace {

void Write_out(const std::string& s) {
  std::fwrite(s.data(), 1, s.size(), stdout);
  std::fflush(stdout);
}

volatile sig_atomic_t Title_pushed = 0;
const char Pop_title_sequence[] = "\x1b[23;0t";  // back to the title before ours

void Pop_title() {
  if (Title_pushed) Write_out(Pop_title_sequence);
}

termios Console_mode;
bool Have_console_mode = false;
// Standard input's file status flags at start: a program run in this terminal
// shares them and may leave O_NONBLOCK set.
int Input_flags = -1;

termios Mode_before;
volatile sig_atomic_t Guarding = 0;

// Whether the terminal is ours to set: from the background, setting it
// would stop us with SIGTTOU. Safe in a signal handler.
bool In_foreground() { return tcgetpgrp(STDIN_FILENO) == getpgrp(); }

// A signal that ends us puts the terminal back as the way out through the
// menu does: its own title, and, while it is in a mode of our own (the key
// wait, the line editor), its echo and line editing. Only what a signal
// handler may call.
void Restore_then_resend(int sig) {
  const int saved_errno = errno;
  if (Guarding && In_foreground()) tcsetattr(STDIN_FILENO, TCSANOW, &Mode_before);
  if (Title_pushed) (void)!write(STDOUT_FILENO, Pop_title_sequence, sizeof Pop_title_sequence - 1);
  raise(sig);  // the disposition is back to the default (SA_RESETHAND)
  errno = saved_errno;  // should a signal's default ever let us go on
}

// The signals that end a program from its terminal or its session; each
// leaves the terminal as it was, through Restore_then_resend, unless it was
// ignored when we started.
const int Ending_signals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP};

void Restore_on_ending_signals() {
  for (const int sig : Ending_signals) {
    struct sigaction old {};
    sigaction(sig, nullptr, &old);
    if (old.sa_handler == SIG_IGN) continue;
    struct sigaction handler {};
    sigemptyset(&handler.sa_mask);
    handler.sa_handler = Restore_then_resend;
    handler.sa_flags = SA_NODEFER | SA_RESTART | SA_RESETHAND;
    sigaction(sig, &handler, nullptr);
  }
}

void Stop_while_guarded(int sig) {
  const int saved_errno = errno;  // the code interrupted may be about to read it
  termios ours;
  const bool have_ours = tcgetattr(STDIN_FILENO, &ours) == 0;
  if (In_foreground()) tcsetattr(STDIN_FILENO, TCSANOW, &Mode_before);
  // sigaction, unlike signal, gives back this handler with its SA_NODEFER,
  // so that the next stop stops at once too.
  struct sigaction stop {}, mine {};
  stop.sa_handler = SIG_DFL;
  sigemptyset(&stop.sa_mask);
  sigaction(sig, &stop, &mine);
  raise(sig);  // stops here until continued
  // Continued in the background (bg), the terminal is the shell's: wait,
  // stopped as a read from there would be, until brought to the foreground.
  // Where SIGTTIN cannot stop us (ignored, as tmux starts its panes), wait
  // looking every tenth of a second; a terminal that is gone ends the wait.
  for (;;) {
    const pid_t owner = tcgetpgrp(STDIN_FILENO);
    if (!Guarding || !have_ours || owner < 0 || owner == getpgrp()) break;
    struct sigaction ttin {};
    sigaction(SIGTTIN, nullptr, &ttin);
    if (ttin.sa_handler == SIG_DFL) raise(SIGTTIN);
    // Not stopped (SIGTTIN ignored or blocked, or dropped by the kernel in an
    // orphaned process group), or continued in the background again.
    if (!In_foreground()) {
      const timespec tenth{0, 100000000};
      nanosleep(&tenth, nullptr);
    }
  }
  if (Guarding && have_ours && In_foreground()) tcsetattr(STDIN_FILENO, TCSANOW, &ours);
  sigaction(sig, &mine, nullptr);
  errno = saved_errno;
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
  termios key_mode;
  if (tcgetattr(STDIN_FILENO, &key_mode) != 0) return false;
  key_mode.c_lflag &= ~(ICANON | ECHO);
  key_mode.c_cc[VMIN] = 1;
  key_mode.c_cc[VTIME] = 0;
  return Guard_terminal([&] {
    tcsetattr(STDIN_FILENO, TCSANOW, &key_mode);
    return Read_one_key();
  });
}

}  // namespace

void Restore_console_mode() {
  if (Have_console_mode) tcsetattr(STDIN_FILENO, TCSANOW, &Console_mode);
  if (Input_flags >= 0 && fcntl(STDIN_FILENO, F_GETFL) != Input_flags)
    fcntl(STDIN_FILENO, F_SETFL, Input_flags);
}

void Console_init() {
  // A parent may hand us these ignored or caught; we need exit statuses of our
  // children, and a write past a file-size limit to fail rather than kill us.
  signal(SIGCHLD, SIG_DFL);
  signal(SIGXFSZ, SIG_IGN);
  if (isatty(STDIN_FILENO) && tcgetattr(STDIN_FILENO, &Console_mode) == 0)
    Have_console_mode = true;
  Input_flags = fcntl(STDIN_FILENO, F_GETFL);
  std::atexit(Pop_title);
  Restore_on_ending_signals();
}

void Set_title(const std::string& title) {
  if (!isatty(STDOUT_FILENO)) return;
  if (!Title_pushed) {
    Write_out("\x1b[22;0t");  // keep the terminal's own title to restore at exit
    Title_pushed = 1;
  }
  Write_out("\x1b]0;" + Printable(title) + "\x07");
}

// Home and erase the screen, keeping the scrollback, so that a compiler's first
// errors can still be scrolled back to.
void Clear_screen() { Write_out("\x1b[H\x1b[2J"); }

void Pause(const std::string& prompt) {
  Write_out(prompt);
  // What was typed or pasted before the prompt (a second line the program
  // did not read) is not the key the prompt asks for.
  if (isatty(STDIN_FILENO)) {
    tcflush(STDIN_FILENO, TCIFLUSH);
    Read_key();
  }
  Write_out("\n");
}

bool Guard_terminal(const std::function<bool()>& body) {
  if (tcgetattr(STDIN_FILENO, &Mode_before) != 0) return body();
  const int signals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP};
  struct sigaction old[std::size(signals)];
  for (std::size_t i = 0; i < std::size(signals); ++i) {
    sigaction(signals[i], nullptr, &old[i]);
    if (old[i].sa_handler == SIG_IGN) continue;  // ignored signals stay ignored
    struct sigaction handler {};
    sigemptyset(&handler.sa_mask);
    handler.sa_handler = signals[i] == SIGTSTP ? Stop_while_guarded : Restore_then_resend;
    // Restarted, a read of the line editor goes on after a stop as if nothing
    // had happened; the key wait's poll is resumed by hand.
    handler.sa_flags = SA_NODEFER | SA_RESTART | (signals[i] == SIGTSTP ? 0 : SA_RESETHAND);
    sigaction(signals[i], &handler, nullptr);
  }
  Guarding = 1;
  const bool result = body();
  Guarding = 0;
  tcsetattr(STDIN_FILENO, TCSANOW, &Mode_before);
  for (std::size_t i = 0; i < std::size(signals); ++i) sigaction(signals[i], &old[i], nullptr);
  return result;
}

bool Read_input_line(std::string& line, std::size_t keep, Line_kind kind) {
  if (isatty(STDIN_FILENO) && isatty(STDOUT_FILENO)) return Read_edited_line(line, keep, kind);
  return Read_plain_line(line, keep);
}

bool Read_plain_line(std::string& line, std::size_t keep) {
  line.clear();
  bool any = false;
  for (;;) {
    const int c = getc_unlocked(stdin);
    if (c == EOF) {
      // Standard input left non-blocking (by a program that shares it) has
      // no byte yet: that is not its end.
      if (!ferror(stdin) || (errno != EAGAIN && errno != EWOULDBLOCK)) return any;
      clearerr(stdin);
      pollfd in{STDIN_FILENO, POLLIN, 0};
      while (poll(&in, 1, -1) < 0 && errno == EINTR) {
      }
      continue;
    }
    any = true;
    if (c == '\n') return true;
    if (line.size() < keep) line.push_back(static_cast<char>(c));
  }
}
