// Composes the command lines that run the compiler and start programs. These
// are plain string functions, built and tested on every system, whichever one
// ends up passing them to its command interpreter.
#pragma once

#include <string>
#include <vector>

// "COM_PATH" COM_SETTINGS -g -o "epath" "fpath": the command line the compiler
// is started with. The options are inserted verbatim, each path quoted; a
// Windows path holds no quote, and these never end in a backslash, so the
// compiler's runtime splits every path back exactly. A path that begins with
// "-" is written as ".\-..." so that the compiler cannot take it for an option.
std::string Windows_compiler_command_line(const std::string& com_path,
                                          const std::string& com_settings,
                                          const std::string& epath, const std::string& fpath);

// "CON_PATH" "epath": the command line the pauser is started with.
std::string Windows_pauser_command_line(const std::string& con_path, const std::string& epath);

// "epath": the command line a program started directly gets.
std::string Windows_program_command_line(const std::string& epath);

// True when `path` names a batch file (.bat or .cmd, any letter case), by the
// name Windows finally opens: "evil.bat\.", "evil.bat\x\.." and "evil.bat. "
// all name evil.bat. CreateProcessW hands such a file to the command
// interpreter, which would read the paths on its command line as commands, so
// it is never started. On Windows the platform passes the system's full path
// (GetFullPathNameW) as well.
bool Is_windows_batch_file(const std::string& path);

// `arg` as one argument of a Windows command line, so that CommandLineToArgvW
// and the C runtime split it back exactly: quoted when empty or holding
// blanks or quotes; backslashes are literal except in a run that ends at a
// quote, where each is doubled and the quote escaped. UTF-8 in and out: every
// character that matters is ASCII.
std::string Windows_quoted_argument(const std::string& arg);

// The command line a program run and waited for gets: its path, quoted (a
// program's own name is split up to the closing quote, without escapes), then
// each argument quoted as above. A program named without a folder is written
// ".\NAME": the file in the working directory, where the file test found it,
// not one found by the system's search through PATH.
std::string Windows_run_command_line(const std::string& program,
                                     const std::vector<std::string>& args);

// The words that run the compiler through /bin/sh:
//   /bin/sh -c 'exec "$0" COM_SETTINGS -g -o "$1" "$2"' COM_PATH epath fpath
// The shell splits and expands the options, honouring their own quoting, but
// the paths are arguments of their own, never part of the shell's text, so a
// mistake in the options can only make the compile fail. A compiler named
// without a slash is the one in the working directory, as the file test found
// it, not one on PATH; a path that begins with "-" is written as "./-..." so
// that the compiler cannot take it for an option.
std::vector<std::string> Posix_compile_arguments(const std::string& com_path,
                                                 const std::string& com_settings,
                                                 const std::string& epath, const std::string& fpath);

// How to name the program at `path` so that it is found where the file test
// found it: a name without a slash is in the working directory.
std::string Posix_program_path(const std::string& path);
