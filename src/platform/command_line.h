// Composes the command lines that run the compiler and start programs. These
// are plain string functions, built and tested on every system, whichever one
// ends up passing them to its command interpreter.
#pragma once

#include <string>
#include <vector>

// "COM_PATH" COM_SETTINGS -g -o "epath" "fpath": the command line the compiler
// is started with. The options are inserted verbatim, each path quoted; a
// Windows path holds no quote, and these never end in a backslash, so the
// compiler's runtime splits every path back exactly.
std::string Windows_compiler_command_line(const std::string& com_path,
                                          const std::string& com_settings,
                                          const std::string& epath, const std::string& fpath);

// cmd /c ""COM_PATH" COM_SETTINGS -g -o "epath" "fpath"": the compile as a
// command for the interpreter, which would read the paths outside quotes.
std::string Windows_compile_command(const std::string& com_path, const std::string& com_settings,
                                    const std::string& epath, const std::string& fpath);

// "CON_PATH" "epath": the command line the pauser is started with.
std::string Windows_pauser_command_line(const std::string& con_path, const std::string& epath);

// "epath": the command line a program started directly gets.
std::string Windows_program_command_line(const std::string& epath);

// start "" "CON_PATH" "epath"
std::string Windows_pauser_launch_command(const std::string& con_path, const std::string& epath);

// start "fpath" "epath"
std::string Windows_direct_launch_command(const std::string& fpath, const std::string& epath);

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
