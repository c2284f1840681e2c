// The three settings and the file that keeps them between runs: three lines,
// compiler path, pauser path and compile options; the first two end in a
// line break, the third does not.
#pragma once

#include <istream>
#include <string>

extern std::string COM_PATH;      // the compiler driver
extern std::string CON_PATH;      // the pauser that keeps a started program's window open
extern std::string COM_SETTINGS;  // extra compile options, inserted verbatim
extern const std::string SETTINGS;  // the settings file, in the working directory

// Reads the three values from `in`, one a line; a missing line leaves its value
// empty, a carriage return before a line break is dropped, later lines are ignored.
void Parse_settings(std::istream& in);

// The file's contents for the current values.
std::string Settings_text();

// Loads the values from `path`; a missing or unreadable file leaves all three empty.
void Load_settings_from(const std::string& path);

// Writes the values to `path` through Save_text_file: the old file is replaced
// only once the new one is complete, so a failed save keeps it as it was.
// Returns false on failure.
bool Save_settings_to(const std::string& path);

void Load_settings();
void Save_settings();
