// Reading a whole file, for the samples and answers of the contest forms.
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/internal.h"

Outcome Read_file(const std::string& path, std::string& bytes, std::size_t limit) {
  bytes.clear();
  if (Has_nul(path)) return Errno_failure(EINVAL);
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return Errno_failure(errno);
  struct stat st;
  if (fstat(fd, &st) != 0) {
    const int error = errno;
    close(fd);
    return Errno_failure(error);
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    return Failure{Failure::Kind::none, 0, "not a regular file"};
  }
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      close(fd);
      return Errno_failure(error);
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<std::size_t>(n) > limit) {
      close(fd);
      bytes.clear();
      return Failure{Failure::Kind::none, 0, "file too large"};
    }
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
  close(fd);
  return {};
}
