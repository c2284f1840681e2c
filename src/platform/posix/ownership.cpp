// Whether a file could have been put or changed by someone else: the owner
// and the write bits of the file and of every folder above it.
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/internal.h"

namespace {

bool Closed_to_others(const struct stat& st) {
  if (st.st_uid != geteuid() && st.st_uid != 0) return false;
  // A link's own mode means nothing; in a sticky folder nobody may rename or
  // remove what is not theirs, so what is the user's there stays so.
  if (S_ISLNK(st.st_mode) || (S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0)) return true;
  return (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// `path` (absolute) and each folder above it, as written.
bool Chain_closed(std::string path) {
  for (;;) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !Closed_to_others(st)) return false;
    const auto slash = path.find_last_not_of('/') == std::string::npos
                           ? std::string::npos
                           : path.rfind('/', path.find_last_not_of('/'));
    if (slash == std::string::npos) return true;  // the root
    path = slash == 0 ? "/" : path.substr(0, slash);
  }
}

}  // namespace

bool Only_user_can_change(const std::string& path) {
  if (path.empty() || Has_nul(path)) return false;
  const std::string here = path[0] == '/' ? "" : Current_directory();
  if (path[0] != '/' && here.empty()) return false;
  char* real = realpath(path.c_str(), nullptr);
  if (real == nullptr) return false;
  const std::string resolved = real;
  std::free(real);
  // A link on the way is checked where it is and where it leads.
  return Chain_closed(path[0] == '/' ? path : here + "/" + path) && Chain_closed(resolved);
}
