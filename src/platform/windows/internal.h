// What the Windows files of the platform seam share among themselves; nothing
// outside src/platform/windows/ includes this. Vorlix speaks UTF-8 inside;
// every call into the system that takes or gives text goes through UTF-16,
// because the narrow ("A") interfaces use the ANSI code page, not UTF-8.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <string>

#include "platform/platform.h"

// Strict: bytes that are not UTF-8, and NUL bytes, name nothing on this
// system, so they fail rather than turn into characters that might name
// something else.
bool To_wide(const std::string& s, std::wstring& wide);

std::string To_utf8(const std::wstring& wide);

// The system's words for the error `code` (GetLastError), in UTF-8.
std::string System_message(DWORD code);

// True when `path` names a batch file by the name the system opens: its full
// path (GetFullPathNameW), or the path as written, each with ".", ".." and
// trailing dots and spaces worked out as Windows does (Is_windows_batch_file).
// CreateProcessW would hand such a file to the command interpreter.
bool Is_batch_file(const std::string& path);

// Hands a command line to the command interpreter and waits for it.
int Run_wide(const wchar_t* command);

// Run_wide for a UTF-8 command line. Returns its exit status; a command that
// could not run is never 0.
int Run_shell_command(const std::string& command);

// Starts exactly the file `application` (a relative path is taken from the
// working directory, never searched for on PATH) with `command_line`, both
// UTF-8. `flags` and `title` (the new console's, when not empty) go to
// CreateProcessW, with `environment` (a block as Environment_with_header_path
// makes) when it is given and not empty. Returns false when it could not be
// started.
bool Start_process(const std::string& application, const std::string& command_line, DWORD flags,
                   const std::string& title, PROCESS_INFORMATION& pi,
                   std::wstring* environment = nullptr);

// Waits for a started process, closes its handles and returns its exit code,
// or -1 when it could not be read. With `figures`, its CPU time and peak
// working set are read into them first, while the handle still holds them.
long long Wait_for_exit(PROCESS_INFORMATION& pi, Program_run* figures = nullptr);

// An environment block (UTF-16, for CREATE_UNICODE_ENVIRONMENT) that is this
// process's with `header_dir` first on CPATH; "" when `header_dir` is empty
// or cannot be one item of the list, for the environment as it is.
std::wstring Environment_with_header_path(const std::string& header_dir);

// The failure of a call that set the last error `code`, in the system's words.
Failure Windows_failure(DWORD code);
