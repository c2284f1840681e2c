// The name a received problem's files take in their folder (NAME.cpp,
// NAME.1.in, ...): never a path, never a name Windows cannot hold. Plain
// string functions, built and tested everywhere.
#pragma once

#include <string>

constexpr std::size_t Max_name_bytes = 64;

// The problem's id where `url` is a problem page of a judge whose addresses
// name it (Luogu "P1001", Codeforces "954G", AtCoder "abc284_a"), else
// Safe_name(name).
std::string Problem_file_name(const std::string& url, const std::string& name);

// `name` with its letters, digits and CJK characters kept and every run of
// other characters (invalid UTF-8 bytes among them) one "_", none at either
// end; cut to whole characters within Max_name_bytes; "problem" for an
// empty result; a Windows reserved name (CON, NUL, COM1, ...) gets a "_".
std::string Safe_name(const std::string& name);

// True when `name` is one file's name that every system can hold: not empty,
// within 255 bytes, no separator, control character or <>:"|?*, not "." or
// "..", no trailing dot or space, not a Windows reserved name.
bool Is_plain_file_name(const std::string& name);
