// The POSIX save and load through their table of system calls: a call made to
// fail as some file systems do, a save stopped at each step as by a crash,
// the file changed under a load between its check and its open. A test of the
// seam itself, so it may include what the seam keeps to itself.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/posix/file_calls.h"
#include "temp_dir.h"

namespace {

// Notes the mode of the save's temporary file when it was created, before
// anything was written to it.
class Note_created_mode : public File_calls {
 public:
  mode_t created = 07777;
  int Open(const char* path, int flags, mode_t mode) override {
    const int fd = File_calls::Open(path, flags, mode);
    struct stat st {};
    if (fd >= 0 && (flags & O_CREAT) != 0 && fstat(fd, &st) == 0) created = st.st_mode & 07777;
    return fd;
  }
};

TEST(Posix_save, KeepsTheModeTheUserSetAndANewFileFollowsTheUmask) {
  const struct {
    int old_mode;  // -1: no file yet
    mode_t umask, expected;
  } cases[] = {
      {0600, 022, 0600}, {0640, 022, 0640}, {0444, 022, 0444}, {0755, 077, 0755},
      {-1, 022, 0644},   {-1, 077, 0600},   {-1, 002, 0664},
  };
  for (const auto& c : cases) {
    Temp_dir dir;
    const std::string file = dir / "vorlix_data.sg";
    if (c.old_mode >= 0) {
      Write_file(file, "old");
      chmod(file.c_str(), static_cast<mode_t>(c.old_mode));
    }
    const mode_t before = umask(c.umask);
    Note_created_mode calls;
    const Outcome saved = Save_text_file(calls, file, "a\nb\nc");
    umask(before);
    ASSERT_TRUE(saved.ok());
    EXPECT_EQ(Mode_of(file), c.expected) << std::oct << c.old_mode;
    // Never more open than the file it becomes, not even before it is written.
    EXPECT_EQ(calls.created, c.expected & ~c.umask) << std::oct << c.old_mode;
    EXPECT_EQ(Read_file(file), "a\nb\nc");
  }
}

// Some file systems refuse to change a file's mode (CIFS, FUSE mounts) or
// cannot sync a file at all; the save still stands. A failed sync that
// reports a lost write is a failed save.
class Failing_calls : public File_calls {
 public:
  int fchmod_error = 0, fsync_error = 0;
  int Fchmod(int fd, mode_t mode) override {
    return fchmod_error == 0 ? File_calls::Fchmod(fd, mode) : (errno = fchmod_error, -1);
  }
  int Fsync(int fd) override {
    return fsync_error == 0 ? File_calls::Fsync(fd) : (errno = fsync_error, -1);
  }
};

TEST(Posix_save, SurvivesWhatTheFileSystemCannotDoButNotALostWrite) {
  const struct {
    int fchmod_error, fsync_error;
    bool saved;
    std::string error;  // the reason given for a failed save
  } cases[] = {
      {0, 0, true, ""},        {EPERM, 0, true, ""},    {ENOTSUP, 0, true, ""},
      {0, EINVAL, true, ""},   {0, EROFS, true, ""},    {0, ENOTSUP, true, ""},
      {0, EIO, false, "Input/output error"}, {0, ENOSPC, false, "No space left on device"},
  };
  for (const auto& c : cases) {
    Failing_calls calls;
    calls.fchmod_error = c.fchmod_error;
    calls.fsync_error = c.fsync_error;
    Temp_dir dir;
    const std::string file = dir / "vorlix_data.sg";
    Write_file(file, "old");
    const Outcome saved = Save_text_file(calls, file, "a\nb\nc");
    EXPECT_EQ(saved.ok(), c.saved) << c.fchmod_error << " " << c.fsync_error;
    EXPECT_EQ(saved.ok() ? "" : saved.failure().system_text, c.error);
    if (!saved.ok()) {
      EXPECT_EQ(saved.failure().kind, Failure::Kind::errno_value);
      EXPECT_EQ(saved.failure().code, c.fsync_error);
    }
    EXPECT_EQ(Read_file(file), c.saved ? "a\nb\nc" : "old") << c.fchmod_error << " " << c.fsync_error;
    EXPECT_EQ(Count_entries(dir.path()), 1u);
  }
}

// The steps of a save, each of which a crash may end.
enum class Step {
  temporary_created,  // an empty temporary file beside the target
  temporary_written,  // the new text in it, not yet synced
  temporary_synced,   // complete and on the disk, under its temporary name
  renamed,            // in place of the target, the directory not yet synced
};

// Kills this process at `at`, as a crash would.
class Killing_calls : public File_calls {
 public:
  explicit Killing_calls(Step at) : at_(at) {}
  ssize_t Write(int fd, const void* data, std::size_t size) override {
    if (at_ == Step::temporary_created) raise(SIGKILL);
    return File_calls::Write(fd, data, size);
  }
  int Fsync(int fd) override {
    if (at_ == Step::temporary_written) raise(SIGKILL);
    return File_calls::Fsync(fd);
  }
  int Rename(const char* from, const char* to) override {
    if (at_ == Step::temporary_synced) raise(SIGKILL);
    const int r = File_calls::Rename(from, to);
    if (at_ == Step::renamed) raise(SIGKILL);
    return r;
  }

 private:
  Step at_;
};

// A save killed at each of its steps, as by a crash or a closed window, leaves
// the old file or the new one whole; the next save leaves no temporary file.
TEST(Posix_save, KilledAtAnyStepLeavesOneWholeFileAndTheNextSaveCleansUp) {
  const struct {
    Step step;
    std::string left;
  } cases[] = {
      {Step::temporary_created, "old\nold\nold"},
      {Step::temporary_written, "old\nold\nold"},
      {Step::temporary_synced, "old\nold\nold"},
      {Step::renamed, "new\nnew\nnew"},
  };
  for (const bool through_link : {false, true}) {
    for (const auto& c : cases) {
      Temp_dir dir;
      std::filesystem::create_directory(dir / "other");
      const std::string path = dir / "vorlix_data.sg";
      const std::string file = through_link ? dir / "other/real.sg" : path;
      if (through_link) symlink("other/real.sg", path.c_str());
      Write_file(file, "old\nold\nold");
      const pid_t pid = fork();
      if (pid == 0) {
        Killing_calls calls(c.step);
        (void)Save_text_file(calls, path, "new\nnew\nnew");
        _exit(0);
      }
      int raw = 0;
      waitpid(pid, &raw, 0);
      ASSERT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == SIGKILL) << static_cast<int>(c.step);
      EXPECT_EQ(Read_file(file), c.left) << static_cast<int>(c.step);

      ASSERT_TRUE(Save_text_file(path, "next\nnext\nnext").ok());
      EXPECT_EQ(Read_file(file), "next\nnext\nnext");
      EXPECT_EQ(Count_temporaries(dir.path()), 0u) << static_cast<int>(c.step);
    }
  }
}

// Puts a FIFO or a link in place of the file a load is about to open, after
// the load has checked it, as another program could.
class Swapping_calls : public File_calls {
 public:
  explicit Swapping_calls(std::string swap) : swap_(std::move(swap)) {}
  int Open(const char* path, int flags, mode_t mode) override {
    if ((flags & O_CREAT) == 0 && !swap_.empty()) {
      unlink(path);
      if (swap_ == "fifo") mkfifo(path, 0600);
      if (swap_ == "link") symlink("other", path);
    }
    return File_calls::Open(path, flags, mode);
  }

 private:
  std::string swap_;
};

// The file is checked, then opened: what another program puts there
// meanwhile is checked again on the file opened, and a FIFO cannot hold the
// load. The load runs in a child that an alarm ends, should it block.
TEST(Posix_load, ChecksTheFileItOpenedAndNeverWaitsOnAFifo) {
  const struct {
    std::string swap;  // what replaces the file between check and open
    std::string first;
    bool read;  // a FIFO is something there that cannot be read; a link, what the save replaces
  } cases[] = {{"", "a", true}, {"fifo", "", false}, {"link", "", true}};
  for (const auto& c : cases) {
    Temp_dir dir;
    Write_file(dir / "vorlix_data.sg", "a\nb\nc");
    Write_file(dir / "other", "x\ny\nz");
    const pid_t pid = fork();
    if (pid == 0) {
      alarm(5);
      Swapping_calls calls(c.swap);
      std::vector<std::string> lines;
      const bool read = Read_text_lines(calls, dir / "vorlix_data.sg", {100, 100}, lines).ok();
      _exit(read == c.read && lines[0] == c.first &&
                    lines[1] == (c.first.empty() ? "" : "b")
                ? 0
                : 1);
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    EXPECT_TRUE(WIFEXITED(raw)) << c.swap << ": the load blocked";
    EXPECT_EQ(WEXITSTATUS(raw), 0) << c.swap;
  }
}

}  // namespace
