// Why a program could not be started, as a user reads it: Chinese words for
// the causes a user meets and can mend, then the system's own text, which
// names the rest. Plain string functions, built and tested everywhere.
#pragma once

#include <string>

#include "platform/platform.h"  // Failure, Program_run: plain types

// "无法启动 WHAT：REASON", the line that follows "启动失败！"; WHAT (a file's
// path) through Printable, so that no byte of a name drives the terminal.
std::string Start_failure_line(const std::string& what, const std::string& reason);

// An errno value of a failed start with strerror's text for it:
// "没有执行权限（Permission denied）"; the text alone for an uncommon cause.
std::string Posix_start_failure(int error, const std::string& system_text);

// A GetLastError code of a failed start with FormatMessage's text for it:
// "不是可以运行的程序（%1 is not a valid Win32 application.）".
std::string Windows_start_failure(unsigned long code, const std::string& system_text);

// The reason of a failed start as a user reads it, from what the seam said:
// an errno value or a GetLastError code as the two functions above have it,
// Chinese words for a fault the seam found itself.
std::string Start_failure_reason(const Failure& failure);

// The line that follows "启动失败！" when `pauser` (or, where it is empty, the
// program `epath` itself) could not be started.
std::string Start_program_failure(const std::string& pauser, const std::string& epath,
                                  const Failure& failure);

// What is said on standard error when the compiler `com_path` could not be
// run (one line, with its line break), or "" where the compiler's own
// messages or its status say enough.
std::string Compile_failure(const std::string& com_path, const Program_run& run);

// Why a save failed: the system's own text, or Chinese words for a fault the
// seam found itself.
std::string Save_failure_reason(const Failure& failure);
