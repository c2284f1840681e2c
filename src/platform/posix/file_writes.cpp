// The receiver's files: written whole under a temporary name beside their
// place, then renamed there (a new file linked there, so that nothing
// already there is ever replaced), and the folders they go in.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/internal.h"
#include "text/temporary_name.h"

namespace {

bool Write_all(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Writes `bytes` to a new temporary file beside `path`, whose name it puts in
// `temporary`; the errno of a failure, or 0.
int Write_temporary(const std::string& path, const std::string& bytes, std::string& temporary) {
  if (Has_nul(path)) return EINVAL;
  int fd = -1;
  for (int tries = 0; tries < 8 && fd < 0; ++tries) {
    temporary = Temporary_name(path);
    fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return errno;
  }
  if (fd < 0) return EEXIST;
  const bool ok = Write_all(fd, bytes) && (fsync(fd) == 0 || errno == EINVAL || errno == EROFS ||
                                           errno == ENOTSUP || errno == EOPNOTSUPP);
  const int error = ok ? 0 : errno;
  close(fd);
  if (!ok) unlink(temporary.c_str());
  return error;
}

}  // namespace

Outcome Replace_file(const std::string& path, const std::string& bytes) {
  std::string temporary;
  if (const int error = Write_temporary(path, bytes, temporary)) return Errno_failure(error);
  if (std::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error = errno;
    unlink(temporary.c_str());
    return Errno_failure(error);
  }
  return {};
}

Outcome Create_file(const std::string& path, const std::string& bytes, bool& exists) {
  exists = false;
  std::string temporary;
  if (const int error = Write_temporary(path, bytes, temporary)) return Errno_failure(error);
  // link() never replaces what is at its target: a file made meanwhile stays.
  const int error = link(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
  unlink(temporary.c_str());
  exists = error == EEXIST;
  if (error != 0) return Errno_failure(error);
  return {};
}

bool Path_exists(const std::string& path) {
  struct stat st;
  return !Has_nul(path) && lstat(path.c_str(), &st) == 0;
}

Outcome Make_directories(const std::string& path) {
  if (Has_nul(path) || path.empty()) return Errno_failure(EINVAL);
  // Each folder from the top down, so that a missing one above is made first.
  for (std::size_t at = path.find('/', 1);; at = path.find('/', at + 1)) {
    const std::string part = path.substr(0, at);
    struct stat st;
    if (stat(part.c_str(), &st) != 0) {
      if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return Errno_failure(errno);
    } else if (!S_ISDIR(st.st_mode)) {
      return Errno_failure(ENOTDIR);
    }
    if (at == std::string::npos) return {};
  }
}
