// How a finished, stopped or unstartable program reads in the pauser's
// report, on each system. Plain string functions, built and tested everywhere.
#pragma once

#include <optional>
#include <string>

#include "platform/platform.h"  // Program_run: a plain type

// The pauser's report of a finished program: "进程已退出，用时 S 秒，CPU 时间
// T 秒，内存峰值 M MiB，返回值 N", S and T with four decimals, M with one. A
// figure the system could not tell is left out with its words, never shown as
// a made-up 0; an empty `status_text` says that the return value could not
// be read.
std::string Report_line(double seconds, std::optional<double> cpu_seconds,
                        std::optional<double> peak_mib, const std::string& status_text);

// A POSIX status, 128 plus the signal number for a program killed by one;
// the common signals are named when `killed_by_signal`:
// "139（SIGSEGV，段错误）". A program may exit with 139 itself, which is a
// plain number.
std::string Posix_exit_status_text(int status, bool killed_by_signal);

// A Windows exit code, which for a program that died of an exception is the
// exception's NTSTATUS code. Codes with the top bit set (NTSTATUS severity
// warning or error, such as 0xC0000005, an access violation) are shown in hex
// as well, the form the code is looked up by, and the common ones named in
// Chinese: "3221225477 (0xC0000005，访问越界)".
// Ordinary return values stay plain numbers.
std::string Windows_exit_status_text(unsigned long code);

// What is said in the terminal when the program waited for is stopped by
// `signal`, and whether it is let go on at once. A program stopped by SIGSTOP
// or SIGTSTP is resumed: in a window of its own nobody else could resume it.
// One stopped for using the terminal from the background (SIGTTIN, SIGTTOU)
// is not, since it would only stop again; bringing the job to the foreground
// resumes it.
struct Stop_answer {
  std::string notice;
  bool resume;
};
Stop_answer Posix_stop_answer(int signal);


// How a finished run reads in the pauser's report, on either system: the
// number, and the signal's name for a program a POSIX signal killed, or the
// code in hex as well for a Windows exception.
std::string Exit_status_text(const Program_run& run);

// True when a run was ended by the terminal's interrupt key (SIGINT, which
// is 2 on every POSIX system): the terminal has echoed "^C" where the cursor
// was, and what follows needs a line of its own.
bool Ended_by_interrupt_key(const Program_run& run);

// The words of the key wait.
constexpr const char* Key_wait_prompt = "请按任意键继续. . .";
