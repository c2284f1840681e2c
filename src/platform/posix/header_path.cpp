// A header folder put first on the compiler's search path through CPATH,
// which the compiler's children inherit from this process's environment.
#include <cstdlib>

#include "text/compiler_words.h"
#include "platform/posix/internal.h"

Header_path_guard::Header_path_guard(const std::string& header_dir) {
  if (header_dir.empty()) return;
  const char* old = std::getenv("CPATH");
  had_ = old != nullptr;
  if (had_) old_ = old;
  const std::string value = Header_search_path(header_dir, old_, ':');
  if (value.empty()) return;
  set_ = setenv("CPATH", value.c_str(), 1) == 0;
}

Header_path_guard::~Header_path_guard() {
  if (!set_) return;
  if (had_)
    setenv("CPATH", old_.c_str(), 1);
  else
    unsetenv("CPATH");
}
