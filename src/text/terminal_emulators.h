// The terminal emulators a graphical session may offer, and how each one is
// told what to run, its window's title and where to start. Plain data and
// string functions, so that every row's command line can be tested without
// the emulator.
#pragma once

#include <string>
#include <vector>

struct Terminal_emulator {
  const char* name;       // the program's name on PATH
  const char* title;      // option for the window's title; "" when it takes none
  const char* directory;  // option for the starting directory; "" when it starts in ours
  const char* command;    // word after which the rest are the command and its arguments
};
// An option ending in "=" takes its value in the same word; any other takes
// it as the next word. A `command` of "" means the command follows the options.

// The emulators to try after $TERMINAL, in order: Debian's x-terminal-emulator
// first, xterm last.
const std::vector<Terminal_emulator>& Terminal_emulators();

// The row for the emulator at `path` (a name or a path), judged by its file
// name; for one not in the table, the common way: a command after "-e".
Terminal_emulator Terminal_emulator_for(const std::string& path);

// The words that open a window of `row`'s emulator, started as `program`,
// running `command` in `directory`, titled `title`. An empty title or
// directory is left out.
std::vector<std::string> Terminal_arguments(const Terminal_emulator& row, const std::string& program,
                                            const std::string& title, const std::string& directory,
                                            const std::vector<std::string>& command);
