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
// The file the values were last loaded from ("" when none was found), and why
// it could not be read ("" when it could, or when nothing was there).
extern std::string SETTINGS_READ;
extern std::string SETTINGS_UNREADABLE;

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
// missing or unreadable file leaves all three empty. Sets SETTINGS_READ and
// SETTINGS_UNREADABLE.
void Load_settings_from(const std::string& path);

// Writes the values to `path` through Save_text_file: the old file is replaced
// only once the new one is complete, so a failed save keeps it as it was.
// Fails with the save's reason.
Outcome Save_settings_to(const std::string& path);

void Load_settings();

// Save_settings_to the settings file; fails, leaving the file as it is, when
// the load found it there but could not read it, so that settings this run
// never saw are not lost.
Outcome Save_settings();

// The settings of `vorlix FILE` and the contest forms for the source `fpath`,
// wherever an editor started them: ./vorlix_data.sg when it is there; else
// the nearest one in the source's folder or a folder above it that only the
// user (or the system) can change; else the one in the user's config folder;
// else no file, and the compiler is g++ as found on PATH, by its full path.
void Load_settings_for(const std::string& fpath);

// The settings file that Load_settings_for takes for `fpath`, or "".
std::string Settings_file_for(const std::string& fpath);

// One line for standard error that says where the settings came from: the
// file read, why it could not be read, or that none was found.
std::string Settings_origin_line();
