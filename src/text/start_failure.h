// Why a program could not be started, as a user reads it: Chinese words for
// the causes a user meets and can mend, then the system's own text, which
// names the rest. Plain string functions, built and tested everywhere.
#pragma once

#include <string>

// "无法启动 WHAT：REASON", the line that follows "启动失败！"; WHAT (a file's
// path) through Printable, so that no byte of a name drives the terminal.
std::string Start_failure_line(const std::string& what, const std::string& reason);

// An errno value of a failed start with strerror's text for it:
// "没有执行权限（Permission denied）"; the text alone for an uncommon cause.
std::string Posix_start_failure(int error, const std::string& system_text);

// A GetLastError code of a failed start with FormatMessage's text for it:
// "不是可以运行的程序（%1 is not a valid Win32 application.）".
std::string Windows_start_failure(unsigned long code, const std::string& system_text);
