// Names of the temporary files a save writes beside the file it replaces:
// the file's own name, a dot, 16 random hexadecimal digits and ".tmp". Plain
// string functions, built and tested everywhere.
#pragma once

#include <string>

// A fresh temporary name for `path`, in the same directory.
std::string Temporary_name(const std::string& path);

// True when `entry`, a bare file name, is a temporary name made for the file
// called `name`.
bool Is_temporary_name(const std::string& entry, const std::string& name);
