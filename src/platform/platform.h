// Everything Vorlix needs from the operating system, and nothing more: the
// seam. The files of posix/ and of windows/ implement this header, one file
// per concern, and the few files beside it serve both; the build picks the
// folder. No other file asks which system it runs on. What is the same on
// both systems is written above the seam (src/text/, src/files/).
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

// Why a call to the system failed, as the system says it: its code and its
// own text for the code (strerror, FormatMessage), in UTF-8. The words a user
// reads are composed above the seam from these (text/start_failure.h); the
// seam composes no text of its own.
struct Failure {
  // Which numbering `code` belongs to. `none`: the seam found the fault itself
  // (a file of the wrong kind, a limit); `fault` says which, and
  // `system_text` in English.
  enum class Kind { none, errno_value, windows_error, windows_exception };
  Kind kind = Kind::none;
  long long code = 0;
  std::string system_text;
  // The faults that the seam finds itself, for Kind::none.
  enum class Fault {
    other,
    not_regular_file,    // a save's target is a directory or a device
    batch_file,          // Windows: a program to start is a batch file
    invalid_path,        // a path that names nothing on this system
    arguments_not_utf8,  // Windows: an argument that UTF-16 cannot carry
    status_unreadable,   // Windows: the program ran but its exit code is lost
  };
  Fault fault = Fault::other;
};

// A Failure the seam found itself.
inline Failure Seam_fault(Failure::Fault fault, const char* english) {
  return Failure{Failure::Kind::none, 0, english, fault};
}

// Succeeded, or why not: the one way a function of this header reports a
// failure.
class [[nodiscard]] Outcome {
 public:
  Outcome() = default;
  Outcome(Failure failure) : failure_(std::move(failure)) {}
  bool ok() const { return !failure_.has_value(); }
  explicit operator bool() const { return ok(); }
  // Only when not ok().
  const Failure& failure() const { return *failure_; }

 private:
  std::optional<Failure> failure_;
};

// Puts the console into UTF-8 for input and output.
void Console_init();

// Where a program's own texts go.
enum class Stream { out, err };

// Writes `text` (UTF-8; it may end inside a character, as typed output does)
// to standard output or standard error and makes it visible at once. Every
// text of Vorlix's and of the pauser goes out through here.
void Write_text(Stream to, const std::string& text);

// Sets the console window's title; the title from before is back at exit.
void Set_title(const std::string& title);

// Clears the console window.
void Clear_screen();

// Shows `prompt` and waits for one key press, then ends the line. Windows:
// the command interpreter's own `pause` shows the system's words instead.
void Pause(const std::string& prompt);

// What a line read from the user is for, so that a line editor can offer what
// fits: a history of its own for each kind, so that Up at one prompt never
// offers what was typed at another; file-name completion on the three kinds
// of path (folders and C++ sources only for the source), none on answers and
// options.
enum class Line_kind { answer, source, compiler, pauser, options };

// Reads one line of standard input, without its line break, keeping at most
// `keep` bytes of it (the rest of the line is read and dropped). Returns false
// when standard input is exhausted before any byte of a new line.
bool Read_input_line(std::string& line, std::size_t keep, Line_kind kind);

// The longest path, in UTF-8 bytes, that the file system could ever accept.
std::size_t Max_path_bytes();

// True only when `path` names an existing regular file (links followed).
// Paths the file system cannot answer for are simply not regular files.
bool Is_regular_file(const std::string& path);

// True when the file at `a` was last modified after the file at `b` (links
// followed): `b`, made from `a`, is out of date. False when either time cannot
// be read, and when they are equal.
bool Is_newer(const std::string& a, const std::string& b);

// Sleeps until `deadline`; returns at once when it has passed.
void Sleep_until(std::chrono::steady_clock::time_point deadline);

// How a program run in this console ended, the same on both systems.
struct Program_run {
  // A failure: it could not be started (Windows: or its exit code could not be
  // read), and the rest says nothing.
  Outcome outcome;
  // What ended it: its own return, a POSIX signal, a Windows exception.
  enum class End { returned, signal, exception };
  End end = End::returned;
  // Its exit status: on POSIX 128 plus the signal number when a signal killed
  // it; on Windows the 32-bit exit code, unsigned (for an exception, its
  // code); -1 when it did not run.
  long long status = -1;
  // Its user plus system CPU time in seconds, and its peak resident memory
  // (working set) in MiB, where the system tells them. POSIX: the figures of
  // its resource usage as the wait reports them, which take in the children
  // it waited for itself (their CPU time added, their peak the largest one).
  std::optional<double> cpu_seconds;
  std::optional<double> peak_mib;
  // Started and returned 0.
  bool succeeded() const { return outcome.ok() && end == End::returned && status == 0; }
};

// Runs the compiler `com_path` with the options `com_settings` on `fpath` to
// produce `epath`, its messages in this console, and waits for it. Its run
// says how it ended (POSIX: the shell that splits the options, whose status
// is the compiler's). A `header_dir` that is not empty goes first on the
// compiler's header search path through its environment (CPATH), never
// through its arguments. Windows: a batch file is refused (Fault::batch_file).
Program_run Compile(const std::string& com_path, const std::string& com_settings,
                    const std::string& epath, const std::string& fpath,
                    const std::string& header_dir = "");

// ---- The precompiled-header cache's needs of the system -------------------

// How a compiler run by Compile_quietly ended.
struct Quiet_compile {
  // Its exit status as Compile gives it; a compiler killed by a signal or an
  // exception is never 0.
  long long status = -1;
  // The user's interrupt key ended it (POSIX: SIGINT; the terminal echoed
  // "^C" where the cursor was).
  bool interrupted = false;
  // The first 64 KiB of what it wrote on its standard output and error
  // together; only whether it is empty matters to a compile.
  std::string output;
};

// Runs the compiler `com_path` with `com_settings` followed by `words`, each
// one argument, its output held back into `result` and never shown,
// `header_dir` as in Compile, and waits for it. The compiler starts with the
// signals a fresh shell gives it; the terminal's interrupt key reaches it and
// not Vorlix. Fails, with the system's reason, when it could not be started.
Outcome Compile_quietly(const std::string& com_path, const std::string& com_settings,
                        const std::vector<std::string>& words, const std::string& header_dir,
                        Quiet_compile& result);

// Starts this program again with `arguments` after its own path, apart from
// Vorlix: detached, at a low priority, with no console or terminal, NUL on its
// standard input, output and error and no other descriptor or handle of
// Vorlix's, and not in Vorlix's working directory (in the root of the file
// system; Windows: the system folder), so that it outlives Vorlix's exit and
// holds nothing Vorlix was given. Returns at once, once it is started.
Outcome Run_in_background(const std::vector<std::string>& arguments);

// Vorlix's own cache folder for this user ($XDG_CACHE_HOME/vorlix or
// ~/.cache/vorlix; %LOCALAPPDATA%\Vorlix on Windows), or "" when the system
// does not say where it would be: a relative XDG_CACHE_HOME or HOME counts as
// unset.
std::string Cache_directory();

// Makes the directory `path` (its parent must exist), for this user alone,
// unless it is there. Succeeds when it is a directory that only this user
// owns and may write (not a link); `kind none` when it is there but is not.
Outcome Make_private_directory(const std::string& path);

// Succeeds when `path` is a directory or regular file (not a link) owned by
// this user that nobody else may write; `kind none` when it is something else.
Outcome Is_private(const std::string& path);

// True when `path` and every folder above it belong to this user or to the
// system (root; Windows: SYSTEM, Administrators, TrustedInstaller) and nobody
// else may write, rename or replace any of them: a folder others may write
// counts only where it is the system's and lets nobody remove another's
// entries (POSIX: root's with the sticky bit). Links on the way are followed
// and their targets checked the same way. False when anything cannot be read.
bool Only_user_can_change(const std::string& path);

// The size, modification time and file number (inode; Windows: the file
// index) of the file or folder at `path`, links followed, as one line of
// text: equal texts, the same file unchanged as far as these tell.
Outcome File_stamp(const std::string& path, std::string& stamp);

// Starts `epath` in a new console window, through `pauser` unless it is empty,
// in which case the window is titled `fpath`. Fails when the window or
// program could not be started: why, for what was started (the pauser, or
// `epath`); Windows: Fault::batch_file for a pauser that is a batch file.
Outcome Start_program(const std::string& pauser, const std::string& fpath, const std::string& epath);

// Runs `program` with `args` in this console and waits for it. A program
// that stops itself (POSIX) is said to have stopped and, unless it stopped
// for using the terminal from the background, resumed. Windows: this console
// is titled with the program's path.
Program_run Run_and_wait(const std::string& program, const std::vector<std::string>& args);

// This program's arguments, argv[0] first, as UTF-8.
std::vector<std::string> Program_arguments(int argc, char** argv);

// Reads the first lines of the file at `path`, one for each bound in `keep`,
// into `lines`: each without its line break (LF, or CR LF) and cut at its
// bound, reading no more of the file than those lines. A missing line is
// empty. Every line is empty when nothing is there to read: no file at
// `path`, or (POSIX) a symbolic link that Save_text_file would replace rather
// than follow. Fails, every line empty, when something is there that could
// not be read whole (no permission, an I/O error; Fault::not_regular_file for
// a directory or device), which a save would then overwrite.
Outcome Read_text_lines(const std::string& path, const std::vector<std::size_t>& keep,
                        std::vector<std::string>& lines);

// Replaces the file at `path` with one holding `text`, in one step: until the
// new file is complete the old one stays as it was, and a failed save leaves
// no temporary file behind. Line breaks are stored this system's way. Windows:
// the file is hidden after each save. POSIX: the old file's permission bits
// stay where the file system allows, and a symbolic link at `path` stays
// while the file it leads to is replaced (unless the kernel would refuse to
// follow it: then the link itself is replaced, by a file of mode 0600). The
// temporary file has its final permission bits from the start, so it never
// lets anyone read what the finished file would not. Fails when the file
// could not be replaced: Fault::not_regular_file when something other than a
// file is in the way.
Outcome Save_text_file(const std::string& path, const std::string& text);

// ---- Files and sockets for the problem receiver (vorlix --receive) ----

// Reads the whole regular file at `path` (links followed) into `bytes`, as
// they are. Fails (kind none) when it holds more than `limit` bytes, or is
// not a regular file. Windows: by its UTF-16 name.
Outcome Read_file(const std::string& path, std::string& bytes, std::size_t limit);

// Replaces the file at `path` with one holding exactly `bytes` (no line-break
// conversion), in one step: written under a temporary name beside it, then
// renamed over it. A link at `path` is replaced, never followed.
Outcome Replace_file(const std::string& path, const std::string& bytes);

// Makes the file `path` holding exactly `bytes`, in one step as Replace_file
// does, only when nothing is there: whatever exists at `path` (a file, a
// directory, a link) stays as it was, and the call fails (`exists` set).
Outcome Create_file(const std::string& path, const std::string& bytes, bool& exists);

// True when anything at all is at `path` (a dangling link too).
bool Path_exists(const std::string& path);

// Makes the directory `path` and those above it that are missing; succeeds
// when it is a directory already.
Outcome Make_directories(const std::string& path);

// The user's own config folder for Vorlix ($XDG_CONFIG_HOME/vorlix or
// ~/.config/vorlix; %APPDATA%\Vorlix), or "" when the system does not say.
std::string Config_directory();

// The full path of the program `name` ("g++": g++.exe on Windows) in the
// first folder of PATH that holds it as an executable file, or "".
std::string Program_on_path(const std::string& name);

// A socket of the system's (a descriptor; a SOCKET on Windows).
using Socket = long long;
constexpr Socket No_socket = -1;

// Listens on 127.0.0.1:`port` (loopback only). `port_in_use` tells the one
// failure a user mends by choosing another port.
Outcome Listen_on_loopback(unsigned port, Socket& listener, bool& port_in_use);

enum class Socket_wait { ready, timed_out, interrupted };

// Waits until `socket` has a connection to accept or bytes (or their end) to
// read, `milliseconds` pass, or an interrupt comes (after Catch_interrupts).
Outcome Wait_for_socket(Socket socket, int milliseconds, Socket_wait& result);

// Accepts one connection waiting on `listener`.
Outcome Accept_connection(Socket listener, Socket& connection);

// Reads what has arrived, up to `most` bytes, appended to `bytes`; `ended`
// when the other side has finished sending.
Outcome Receive_bytes(Socket connection, std::string& bytes, std::size_t most, bool& ended);

// Sends all of `bytes`, then tells the other side nothing more will come.
Outcome Send_bytes(Socket connection, const std::string& bytes);

void Close_socket(Socket socket);

// ---------------------------------------------------------------------------
// Contest work: the judge's and the stress test's runner and the files around
// it (posix/ and windows/ limited_run.cpp, whole_file.cpp, contest_files.cpp).

// The names in the folder `path` (not "." or ".."), in no particular order.
Outcome List_directory(const std::string& path, std::vector<std::string>& names);

// Makes a new, empty folder of this user's in the system's temporary folder
// and puts its path in `path`.
Outcome Make_scratch_directory(std::string& path);

// Removes the folder `path` with everything in it (links removed, not
// followed).
Outcome Remove_tree(const std::string& path);


// True when the stream is a terminal that takes escape sequences (colours,
// erasing a line). Windows: a console, whose virtual terminal processing is
// switched on by this; one that refuses it counts as no terminal.
bool Is_terminal(Stream stream);

// From now on an interrupt (Ctrl-C; Windows: Ctrl+C or Ctrl+Break) does not
// end this program but is noted: Interrupted() tells, a Run_limited under
// way stops its program at once, and a Wait_for_socket ends; so it never cuts
// a file's writing short. POSIX: SIGINT, SIGTERM and SIGHUP.
void Catch_interrupts();
bool Interrupted();

// The status with which a program that stops for an interrupt exits: 130 on
// POSIX, as a shell reports a program ended by SIGINT; on Windows
// 0xC000013A (STATUS_CONTROL_C_EXIT, -1073741510 in cmd), what the system
// gives a program that Ctrl+C ends.
int Interrupted_exit_status();

// What Run_limited is to run and under which limits.
struct Limited_run_request {
  std::string program;              // the executable
  std::vector<std::string> args;    // its arguments after its name
  std::string directory;            // its working directory
  std::string input_path;           // the file on its standard input; "" for an empty one
  std::string output_file;          // a file of its in `directory` watched against the cap; "" none
  double cpu_limit_seconds = 1;     // stopped once its CPU time passes this
  double wall_limit_seconds = 2;    // stopped once it has run this long
  unsigned long long memory_limit_bytes = 256ULL << 20;  // stopped once its peak passes this
  std::size_t output_cap = 64u << 20;  // stopped once standard output or `output_file` passes this
};

// Why Run_limited stopped a program, if it did.
enum class Stop_reason { none, time, memory, output, interrupted };

struct Limited_run {
  Stop_reason stopped = Stop_reason::none;
  long long status = 0;         // as Program_run's
  std::string status_text;      // as Program_run's
  bool failed = false;          // a non-zero return value or a signal (exception)
  std::optional<double> cpu_seconds;  // none where the system does not tell (Wine)
  double wall_seconds = 0;
  std::optional<double> peak_mib;
  std::string out;              // standard output, at most output_cap bytes
  std::string err;              // standard error, at most 4 KiB
};

// Runs the request's program in its directory, its standard input the input
// file, and watches it while it runs: stopped at the first limit it passes
// (or an interrupt, after Catch_interrupts), and every process it started is
// ended with it. POSIX: this process is a child subreaper, so that a process
// that left the program's session is found too; the stack may grow to the
// memory limit; no limit of address space. Windows: a job object that kills
// on close; the program runs from a copy in its directory whose header's
// stack reserve is the memory limit; where the CPU time of another process
// reads 0 (Wine), the wall time stands for it. Fails when the program could
// not be started.
Outcome Run_limited(const Limited_run_request& request, Limited_run& run);
