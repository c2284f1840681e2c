// The three settings and the file that keeps them between runs: three lines,
// compiler path, pauser path and compile options; the first two end in a
// line break, the third does not.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/platform.h"

extern std::string COM_PATH;      // the compiler driver
extern std::string CON_PATH;      // the pauser that keeps a started program's window open
extern std::string COM_SETTINGS;  // extra compile options, inserted verbatim
extern const std::string SETTINGS;  // the settings file, in the working directory

// The most of a setting that the load and the editors keep, so that a huge
// file or line cannot take the memory. A path is kept up to one byte longer
// than the longest the file system accepts, so that cutting it never turns
// an unusable path into another, usable one. Options: 64 KiB, more than a
// command line holds on Windows (32767 characters) and half of what Linux
// passes in one argument.
std::size_t Max_path_setting_bytes();
const std::size_t Max_options_bytes = 64 * 1024;

// The bounds of the file's three lines, in order.
std::vector<std::size_t> Settings_bounds();

// The file's contents for the current values.
std::string Settings_text();

// Loads the values from `path`, reading no more of it than the three lines,
// one a line, each cut at its bound; a missing line leaves its value empty, a
// carriage return before a line break is dropped, later lines are ignored; a
// missing or unreadable file leaves all three empty.
void Load_settings_from(const std::string& path);

// Writes the values to `path` through Save_text_file: the old file is replaced
// only once the new one is complete, so a failed save keeps it as it was.
// Fails with the save's reason.
Outcome Save_settings_to(const std::string& path);

void Load_settings();

// Save_settings_to the settings file.
Outcome Save_settings();
