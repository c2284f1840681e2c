// Files: existence tests on the bytes as they are, and the atomic replace
// that the settings save relies on.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/internal.h"

bool Has_nul(const std::string& s) { return s.find('\0') != std::string::npos; }

std::size_t Max_path_bytes() { return PATH_MAX - 1; }

bool Is_regular_file(const std::string& path) {
  if (Has_nul(path)) return false;
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Is_executable_file(const std::string& path) {
  return Is_regular_file(path) && access(path.c_str(), X_OK) == 0;
}

std::string Find_on_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return "";
  std::string dirs = path;
  std::size_t start = 0;
  while (start <= dirs.size()) {
    std::size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + name;
    if (Is_executable_file(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

std::string Current_directory() {
  std::vector<char> buf(PATH_MAX);
  if (getcwd(buf.data(), buf.size()) == nullptr) return "";
  return buf.data();
}

bool Replace_file(const std::string& from, const std::string& to) {
  // The new contents reach the disk before the name does, so that a crash
  // cannot leave an empty file in place of the old one.
  const int fd = open(from.c_str(), O_RDONLY);
  if (fd < 0) return false;
  const bool synced = fsync(fd) == 0;
  close(fd);
  return synced && std::rename(from.c_str(), to.c_str()) == 0;
}

void Hide_file(const std::string&) {}
