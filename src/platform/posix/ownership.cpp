// Whether anyone but this user (and root) could change what a path leads to:
// each folder on the way, each link and the file itself. A file that passes
// cannot be swapped between a check and a later open by name.
#include <climits>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"

namespace {

// Root's folders that others may write are safe to pass through only where
// the sticky bit keeps others from renaming or removing what is not theirs.
bool Only_user_or_root(const struct stat& st) {
  const uid_t owner = st.st_uid;
  if (owner != geteuid() && owner != 0) return false;
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) == 0) return true;
  return owner == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0;
}

// The names of `path` from its first, as a stack: the last is taken first.
void Push_names(const std::string& path, std::vector<std::string>& names) {
  std::vector<std::string> in_order;
  std::size_t from = 0;
  while (from <= path.size()) {
    std::size_t end = path.find('/', from);
    if (end == std::string::npos) end = path.size();
    if (end > from) in_order.push_back(path.substr(from, end - from));
    from = end + 1;
  }
  names.insert(names.end(), in_order.rbegin(), in_order.rend());
}

}  // namespace

bool Only_user_can_change(const std::string& path) {
  if (path.empty() || path[0] != '/') return false;
  struct stat st {};
  if (lstat("/", &st) != 0 || !Only_user_or_root(st)) return false;
  std::vector<std::string> names;
  Push_names(path, names);
  std::string at;  // the folder reached so far, checked; "" is the root
  int links = 0;
  while (!names.empty()) {
    const std::string name = names.back();
    names.pop_back();
    if (name == ".") continue;
    if (name == "..") {
      // Back to a folder already checked on the way down.
      at = at.substr(0, at.rfind('/'));
      continue;
    }
    const std::string next = at + "/" + name;
    if (lstat(next.c_str(), &st) != 0) return false;
    if (S_ISLNK(st.st_mode)) {
      // The link can only be replaced through its folder, which is checked;
      // where it leads is checked as if it had been written out.
      char target[PATH_MAX];
      const ssize_t n = readlink(next.c_str(), target, sizeof target);
      if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target || ++links > 40) return false;
      const std::string to(target, n);
      if (to[0] == '/') at.clear();
      Push_names(to, names);
      continue;
    }
    if (!Only_user_or_root(st)) return false;
    at = next;
  }
  return true;
}
