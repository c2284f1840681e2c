// What the precompiled-header cache needs of a compiler's start beyond the
// compile's own command line: other words after the options, and a header
// folder put first on its search path. Plain strings, built and tested
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
