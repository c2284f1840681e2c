// The compile-and-run workflow: ask for a C++ source file, compile it into an
// executable beside it, start that in a new console window.
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

void Run();
