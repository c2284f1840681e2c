// Everything Vorlix needs from the operating system. The files of posix/ and
// of windows/ implement this header, one file per concern; the build picks
// the folder. No other file asks which system it runs on.
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
  // (a file of the wrong kind, a limit); `system_text` says which, in English.
  enum class Kind { none, errno_value, windows_error, windows_exception };
  Kind kind = Kind::none;
  long long code = 0;
  std::string system_text;
};

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

// Sets the console window's title.
void Set_title(const std::string& title);

// Clears the console window.
void Clear_screen();

// Shows the "press any key" prompt and waits for one key press.
void Pause();

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

// Runs the compiler `com_path` with the options `com_settings` on `fpath` to
// produce `epath`, its messages in this console, and waits for it. Returns its
// exit status; a compiler that could not run or was killed is never 0. A
// `header_dir` that is not empty goes first on the compiler's header search
// path through its environment (CPATH), never through its arguments.
int Compile(const std::string& com_path, const std::string& com_settings,
            const std::string& epath, const std::string& fpath,
            const std::string& header_dir = "");

// Runs the compiler `com_path` with `com_settings` followed by `words`, each
// one argument, silently (its output goes nowhere), `header_dir` as in Compile,
// and waits for it. Returns its exit status; not 0 when it could not run.
int Compile_quietly(const std::string& com_path, const std::string& com_settings,
                    const std::vector<std::string>& words, const std::string& header_dir);

// The hidden first argument with which Vorlix starts itself for a job of
// Run_in_background; main takes it followed by exactly the job's four words.
constexpr const char* Background_job_option = "--pch-build";

// What a background job does with its words.
using Background_runner = void (*)(const std::vector<std::string>& job);

// Runs `run(job)` apart from this program, with no console and no terminal,
// at a low priority, so that it outlives Vorlix's exit. POSIX: a detached
// process of its own calls it. Windows: Vorlix's own program, started again
// detached with Background_job_option and the four words of `job`, not waited
// for; its main hands them to the same runner. Returns at once.
void Run_in_background(const std::vector<std::string>& job, Background_runner run);

// Vorlix's own cache folder for this user ($XDG_CACHE_HOME/vorlix or
// ~/.cache/vorlix; %LOCALAPPDATA%\Vorlix on Windows), or "" when the system
// does not say where it would be.
std::string Cache_directory();

// Makes the directory `path` (its parent must exist), for this user alone,
// unless it is there. True when it is a directory that only this user owns
// and may write (not a link).
bool Make_private_directory(const std::string& path);

// True when `path` is a directory or regular file (not a link) owned by this
// user that nobody else may write.
bool Is_private(const std::string& path);

// Starts `epath` in a new console window, through `pauser` unless it is empty,
// in which case the window is titled `fpath`. Returns true when the window or
// program was started; false, with why in `error` (UTF-8, one line: what
// could not be started, Chinese words for a common cause, the system's own
// text), when it was not.
bool Start_program(const std::string& pauser, const std::string& fpath, const std::string& epath,
                   std::string& error);

// How a program run in this console ended.
struct Program_run {
  bool started = false;
  // Its exit status: on POSIX 128 plus the signal number when a signal killed
  // it; on Windows the 32-bit exit code, unsigned.
  long long status = -1;
  // The status as a user reads it: the number, and what ended the program
  // where the system tells ("139（SIGSEGV，段错误）" only for a program that
  // a signal really killed). Empty, with `status` -1, for a program that ran
  // but whose return value could not be read.
  std::string status_text;
  // Its user plus system CPU time in seconds, and its peak resident memory
  // (working set) in MiB, where the system tells them. POSIX: the figures of
  // its resource usage as the wait reports them, which take in the children
  // it waited for itself (their CPU time added, their peak the largest one).
  std::optional<double> cpu_seconds;
  std::optional<double> peak_mib;
  // Why it could not be started, when it was not: Chinese words for the
  // common causes, then the system's own text.
  std::string error;
};

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
// not be read whole (no permission, an I/O error, not a regular file), which
// a save would then overwrite.
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
// lets anyone read what the finished file would not. Returns false when the
// file could not be replaced, with the system's reason in `error` (UTF-8).
bool Save_text_file(const std::string& path, const std::string& text, std::string& error);

// ---- Where `vorlix FILE` and the contest forms find their settings ----

// The user's own configuration folder for Vorlix ($XDG_CONFIG_HOME/vorlix or
// ~/.config/vorlix; %APPDATA%\Vorlix on Windows), or "" when the system does
// not say where it would be. Nothing is made.
std::string Config_directory();

// The full path of the program `name` ("g++": g++.exe on Windows) in the
// first folder of PATH that holds it as an executable file, or "".
std::string Program_on_path(const std::string& name);

// True when nobody but this user and the system could have put the file at
// `path` there or changed it: the file and every folder above it belong to
// this user or the system (POSIX: root; Windows: SYSTEM or Administrators),
// and nobody else may write them. POSIX: a sticky folder (/tmp) counts as
// closed, since nobody may rename or remove there what is not theirs; a link
// is checked along its own path and the real one. Windows: no access entry
// lets anyone else write, append, delete or add files. False when any of it
// cannot be read.
bool Only_user_can_change(const std::string& path);
