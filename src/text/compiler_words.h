// What the precompiled-header cache needs of a compiler beyond the compile's
// own command line: other words after the options, a header folder put first
// on its search path, and what it reads of a source's start, of the options
// and of the compiler's -MD and -v outputs. Plain strings, built and tested
// everywhere.
#pragma once

#include <string>
#include <vector>

// The words that run the compiler through /bin/sh with the options split as
// the compile splits them (Posix_compile_arguments), followed by `words`, each
// one argument the shell never reads:
//   /bin/sh -c 'exec "$0" COM_SETTINGS "$1" "$2" ...' COM_PATH WORDS...
std::vector<std::string> Posix_compiler_words(const std::string& com_path,
                                              const std::string& com_settings,
                                              const std::vector<std::string>& words);

// "COM_PATH" COM_SETTINGS WORD...: the same on Windows, each word quoted so
// that the compiler's runtime splits it back exactly.
std::string Windows_compiler_words(const std::string& com_path, const std::string& com_settings,
                                   const std::vector<std::string>& words);

// The value of CPATH that puts `header_dir` before `old` (the user's value,
// which may be empty), the list's items joined by `separator`; an empty item
// would mean the working directory, so none is made. "" when `header_dir`
// holds the separator, or a NUL, and so cannot be one item of the list.
std::string Header_search_path(const std::string& header_dir, const std::string& old,
                               char separator);

// True when the first #include of `head` (the start of a source) is
// <bits/stdc++.h> and only comments, blank lines and preprocessor lines come
// before it.
bool Starts_with_stdcpp_include(const std::string& head);

// True when `path` is absolute on either system ("/x", "\\x", "C:\x", "C:/x").
bool Is_absolute_path(const std::string& path);

// True when the options `com_settings`, split at blanks with quotes taken
// away, name a relative path where the compiler looks for headers or its own
// parts (-I, -iquote, -isystem, -idirafter, -include, -imacros, -iprefix,
// -iwithprefix, -iwithprefixbefore, --sysroot, -isysroot, -B, @file; apart or
// joined): what they mean then depends on the working directory.
bool Options_name_relative_paths(const std::string& com_settings);

// The files a make rule from the compiler's -MD lists after its target's
// colon, its escapes ("\ ", "\#", "$$") and line continuations undone.
std::vector<std::string> Make_rule_prerequisites(const std::string& rule);

// What a compiler's -v output tells of where it looks for headers: the
// folders it searches, in order, and those it was asked to search but found
// missing (a header put there later would be found first).
struct Header_search {
  std::vector<std::string> folders, missing;
};
Header_search Verbose_header_search(const std::string& verbose);

// The compiler proper (cc1plus) that a -v output shows the driver starting,
// or "" when none is shown.
std::string Verbose_compiler_proper(const std::string& verbose);
