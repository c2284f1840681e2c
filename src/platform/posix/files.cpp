// Files: existence tests on the bytes as they are, the bounded read, and the
// save's steps (files/save.h has its rules), which keep what the user set on
// the file; each call that can fail or crash a save goes through File_calls.
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/internal.h"
#include "files/save.h"
#include "platform/posix/file_calls.h"
#include "text/temporary_name.h"
#include "text/text_lines.h"

bool Has_nul(const std::string& s) { return s.find('\0') != std::string::npos; }

std::size_t Max_path_bytes() { return PATH_MAX - 1; }

bool Is_regular_file(const std::string& path) {
  if (Has_nul(path)) return false;
  struct stat st;
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Why `path` cannot be run, as the errno that exec would give; 0 when it can.
int Run_error(const std::string& path) {
  if (Has_nul(path)) return EINVAL;
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;
  if (!S_ISREG(st.st_mode)) return EACCES;
  return access(path.c_str(), X_OK) == 0 ? 0 : errno;
}

bool Is_executable_file(const std::string& path) { return Run_error(path) == 0; }

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

namespace {

// `name` as seen from the directory that holds `path`.
std::string Beside(const std::string& path, const std::string& name) {
  const auto slash = path.rfind('/');
  if (name.empty() || name[0] == '/' || slash == std::string::npos) return name;
  return path.substr(0, slash + 1) + name;
}

std::string Directory_of(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

std::string Name_of(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Whether a save may follow the link `link`, whose own status is `st`, as the
// kernel's protected-symlinks rule has it: in a sticky directory that anyone
// may write to (/tmp, say), only a link of the user's own or of the
// directory's owner is followed; any other may have been planted there to
// turn the save on a file of the user's.
bool May_follow(const std::string& link, const struct stat& st) {
  struct stat dir;
  if (stat(Directory_of(link).c_str(), &dir) != 0) return false;
  const bool shared = (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0;
  return !shared || st.st_uid == geteuid() || st.st_uid == dir.st_uid;
}

// The file a save replaces. A symbolic link at `path` is the user's choice of
// where the settings live: it stays, and the file it leads to is replaced,
// through any chain of links. A dangling link gets its target created, as a
// shell's redirection would. A link that may not be followed is itself
// replaced, as a plain file would be. False for a loop of links.
bool Save_target(const std::string& path, std::string& target) {
  target = path;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(target.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || !May_follow(target, st))
      return true;
    std::vector<char> buf(PATH_MAX);
    const ssize_t n = readlink(target.c_str(), buf.data(), buf.size());
    if (n < 0) return false;
    if (n == 0 || static_cast<std::size_t>(n) == buf.size()) return (errno = ENAMETOOLONG, false);
    target = Beside(target, std::string(buf.data(), static_cast<std::size_t>(n)));
  }
  errno = ELOOP;
  return false;
}

// Takes the lock that tells other saves this temporary file is in use; a
// file system without such locks is taken as not shared.
bool Lock(int fd) { return flock(fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK; }

// A save that was killed leaves its temporary file behind; the next one
// removes those of its own naming. A file still locked belongs to a save
// that is running now, and stays.
void Remove_old_temporaries(const std::string& target) {
  DIR* dir = opendir(Directory_of(target).c_str());
  if (dir == nullptr) return;
  const std::string name = Name_of(target);
  while (const dirent* entry = readdir(dir)) {
    if (!Is_temporary_name(entry->d_name, name)) continue;
    const int fd = openat(dirfd(dir), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0)
      unlinkat(dirfd(dir), entry->d_name, 0);
    close(fd);
  }
  closedir(dir);
}

bool Write_all(File_calls& calls, int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = calls.Write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// True when the file's data is on the disk, or the file system has no way to
// put it there (it cannot sync such a file, or none at all); false for a
// failed write.
bool Synced(File_calls& calls, int fd) {
  if (calls.Fsync(fd) == 0) return true;
  return errno == EINVAL || errno == EROFS || errno == ENOTSUP || errno == EOPNOTSUPP;
}

// A rename is only as durable as the directory entry that records it. Many
// file systems cannot sync a directory; the save is done all the same.
void Sync_directory(File_calls& calls, const std::string& path) {
  const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  (void)calls.Fsync(fd);
  close(fd);
}

Failure Not_a_file() { return Seam_fault(Failure::Fault::not_regular_file, "not a regular file"); }

// A save's steps on POSIX, each system call through `calls`.
class Posix_save : public Save_system {
 public:
  explicit Posix_save(File_calls& calls) : calls_(calls) {}

  Outcome Find_target(const std::string& path, std::string& target) override {
    if (Has_nul(path)) return Errno_failure(EINVAL);
    if (!Save_target(path, target)) return Errno_failure(errno);
    // lstat: a link left at the target is one not to be followed, and what
    // it leads to, and its mode, are none of this save's business.
    const bool found = lstat(target.c_str(), &old_) == 0;
    const bool refused_link = found && S_ISLNK(old_.st_mode);
    existed_ = found && !refused_link;
    // A directory or a device at the target is never replaced by a file.
    if (existed_ && !S_ISREG(old_.st_mode))
      return S_ISDIR(old_.st_mode) ? Errno_failure(EISDIR) : Not_a_file();
    // The temporary has the final file's permission bits from the start: the
    // old file's; the user's alone in place of a link not followed, which
    // someone else may have put there to read what it leads to; or what the
    // umask gives a new file. Created so, it never lets anyone read the new
    // settings whom the finished file would not.
    mode_ = existed_ ? (old_.st_mode & 0777) : refused_link ? 0600 : 0666;
    return {};
  }

  void Remove_leftovers(const std::string& target) override { Remove_old_temporaries(target); }

  Outcome Create(const std::string& temporary, bool& taken) override {
    fd_ = calls_.Open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode_);
    if (fd_ < 0) {
      taken = errno == EEXIST;
      return Errno_failure(errno);
    }
    // Locked for this save. Another save's clean-up may have removed it
    // between creation and lock.
    struct stat st;
    if (Lock(fd_) && fstat(fd_, &st) == 0 && st.st_nlink > 0) return {};
    close(fd_);
    fd_ = -1;
    taken = true;
    return Errno_failure(EEXIST);
  }

  Outcome Write(const std::string& text) override {
    if (!Write_all(calls_, fd_, text)) return Errno_failure(errno);
    if (existed_) {
      // What the user set on the file stays where the file system lets it:
      // owner and group where we may keep them, and the permission bits
      // (setuid and the like too), which some mounts (CIFS, FUSE) refuse to
      // change. Losing the settings would be worse than a mode that differs.
      (void)!fchown(fd_, old_.st_uid, old_.st_gid);
      (void)!calls_.Fchmod(fd_, old_.st_mode & 07777);
    }
    return {};
  }

  // fsync reports any error of the writes.
  Outcome Sync() override { return Synced(calls_, fd_) ? Outcome() : Errno_failure(errno); }

  Outcome Rename(const std::string& temporary, const std::string& target) override {
    if (calls_.Rename(temporary.c_str(), target.c_str()) == 0) return {};
    return Errno_failure(errno);
  }

  // Unlinked while still locked, so that no other save's clean-up meets it.
  void Close(const std::string& temporary, bool failed) override {
    if (failed) unlink(temporary.c_str());
    close(fd_);
  }

  void Done(const std::string& target) override { Sync_directory(calls_, Directory_of(target)); }

 private:
  File_calls& calls_;
  struct stat old_ {};
  bool existed_ = false;
  mode_t mode_ = 0666;
  int fd_ = -1;
};

}  // namespace

Failure Errno_failure(int error) {
  return Failure{Failure::Kind::errno_value, error, std::strerror(error)};
}

Outcome Read_text_lines(File_calls& calls, const std::string& path,
                        const std::vector<std::size_t>& keep, std::vector<std::string>& lines) {
  lines.assign(keep.size(), "");
  // What the save would not follow is not read either: a link planted in a
  // shared directory must not carry another file's lines into the settings,
  // which the save would then publish.
  std::string target;
  if (Has_nul(path)) return Errno_failure(EINVAL);
  if (!Save_target(path, target)) return Errno_failure(errno);
  // Non-blocking, so that a FIFO put there since cannot hold the load for
  // ever; no link followed now, so that one put there since is not read. The
  // file opened is checked, not the name.
  const int fd = calls.Open(target.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC, 0);
  if (fd < 0) {
    const int error = errno;
    // Nothing there, or a link the save replaces: nothing a save could lose.
    struct stat st;
    const bool link = error == ELOOP && lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
    if (error == ENOENT || error == ENOTDIR || link) return {};
    return Errno_failure(error);
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    const int error = errno;
    close(fd);
    return Errno_failure(error);
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    return Seam_fault(Failure::Fault::not_regular_file, "not a regular file");
  }
  int error = 0;
  const bool read_whole = Read_text(keep, [&](char* buffer, std::size_t size) -> long long {
    ssize_t n;
    do {
      n = read(fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0) error = errno;
    return n;
  }, lines);
  close(fd);
  if (!read_whole) return Errno_failure(error);
  return {};
}

Outcome Read_text_lines(const std::string& path, const std::vector<std::size_t>& keep,
                        std::vector<std::string>& lines) {
  File_calls system;
  return Read_text_lines(system, path, keep, lines);
}

Outcome Save_text_file(const std::string& path, const std::string& text) {
  File_calls system;
  return Save_text_file(system, path, text);
}

Outcome Save_text_file(File_calls& calls, const std::string& path, const std::string& text) {
  Posix_save save(calls);
  return Save_through(save, path, text);
}
