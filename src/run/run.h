// The compile-and-run workflow: ask for a C++ source file, compile it into an
// executable beside it, start that in a new console window. The menu's `Run`
// asks; `Run_once`, for `vorlix FILE`, decides by itself.
#pragma once

#include <string>

// The extension that decides whether a path is a C++ source: the text after
// the last ".", or the whole path when it has none, in ASCII lower case.
std::string Source_extension(const std::string& fpath);

// True when `fpath` is worth compiling: longer than three bytes, no longer
// than any path can be, free of NUL bytes, an existing regular file, and
// ending in ".cpp" in any letter case.
bool Is_valid_source(const std::string& fpath);

// The executable beside a valid source: "D:\code\a.CPP" gives "D:\code\a.exe".
std::string Executable_path(const std::string& fpath);

// The menu's workflow: asks for the source, whether to compile an existing
// executable and whether to run it, and waits for a key at the end.
void Run();

// The compile step of Run_once, shared by the contest forms: checks the
// compiler, then compiles when the executable is missing, older than the
// source or built with other settings, with the same messages. False when the compiler is unusable or the
// compile failed.
bool Build_when_needed(const std::string& fpath);

// The workflow for `fpath` without a question: compiles when the executable is
// missing or older than the source, or was built by another compiler or with
// other options than today's (its build record), then starts it. An unusable
// compiler is followed, on standard error, by where the settings came from.
// Returns the exit status:
// 0 once started; 1 when the compiler is unusable, the compile fails or the
// start fails; 2, after "路径无效或文件不合法！" on standard error, when
// `fpath` is not a valid source.
int Run_once(const std::string& fpath);
