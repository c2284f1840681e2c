// The cache folder and the checks that keep it the user's own: a precompiled
// header is code that goes into the user's programs, so nothing that someone
// else owns or may write is ever taken from it.
#include <cerrno>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/internal.h"

namespace {

// Only absolute values count; a relative one is to be ignored.
std::string Absolute_variable(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : "";
}

bool Owned_and_closed(const struct stat& st) {
  return st.st_uid == geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

Outcome Not_private(const char* what) { return Failure{Failure::Kind::none, 0, what}; }

}  // namespace

std::string Cache_directory() {
  std::string home = Absolute_variable("XDG_CACHE_HOME");
  if (home.empty()) {
    const std::string user_home = Absolute_variable("HOME");
    if (user_home.empty()) return "";
    home = user_home + "/.cache";
  }
  // The base folder is made as the convention for it asks (0700) where it is
  // missing; its parent must be there. A failure shows in the checks after.
  mkdir(home.c_str(), 0700);
  return home + "/vorlix";
}

Outcome Make_private_directory(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return Errno_failure(errno);
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return Errno_failure(errno);
  if (!S_ISDIR(st.st_mode)) return Not_private("not a directory");
  return Owned_and_closed(st) ? Outcome() : Not_private("someone else owns or may write it");
}

Outcome Is_private(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return Errno_failure(errno);
  if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) return Not_private("neither file nor directory");
  return Owned_and_closed(st) ? Outcome() : Not_private("someone else owns or may write it");
}

Outcome File_stamp(const std::string& path, std::string& stamp) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return Errno_failure(errno);
  stamp = std::to_string(st.st_size) + " " + std::to_string(st.st_mtim.tv_sec) + "." +
          std::to_string(st.st_mtim.tv_nsec) + " " + std::to_string(st.st_dev) + ":" +
          std::to_string(st.st_ino);
  return {};
}
