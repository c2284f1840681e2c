// The two options every Vorlix program answers: --help and --version, as the
// first argument. Vorlix itself has no other options but a hidden one, with
// which it starts itself for a background job; the pauser treats any other
// first argument as the program to run.
#pragma once

#include <string>
#include <vector>

// "NAME VERSION", the release this program was built from.
std::string Version_line(const std::string& name);

// When arguments[1] (arguments[0] being the program) is "--help" or
// "--version", prepares the console, writes `usage` or the version line to
// standard output and returns true; otherwise does nothing and returns false.
bool Answer_option(const std::vector<std::string>& arguments, const std::string& name,
                   const std::string& usage);
