#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "platform/posix/save_steps.h"
#include "text/temporary_name.h"
#include "settings/settings.h"
#include "temp_dir.h"

namespace {

// The longest path and options a setting keeps whole.
const std::string PATH = std::string(Max_path_bytes(), 'p');
const std::string OPTIONS = std::string(Max_options_bytes, 'o');

void Set_values(const std::string& a, const std::string& b, const std::string& c) {
  COM_PATH = a;
  CON_PATH = b;
  COM_SETTINGS = c;
}

void Expect_values(const std::string& a, const std::string& b, const std::string& c) {
  EXPECT_EQ(COM_PATH, a);
  EXPECT_EQ(CON_PATH, b);
  EXPECT_EQ(COM_SETTINGS, c);
}

std::size_t Entries(const std::string& dir) {
  std::size_t n = 0;
  for (auto it = std::filesystem::directory_iterator(dir); it != std::filesystem::directory_iterator(); ++it) ++n;
  return n;
}

// Temporary files anywhere under `root`.
std::size_t Temporaries(const std::string& root) {
  std::size_t n = 0;
  for (const auto& e : std::filesystem::recursive_directory_iterator(root))
    if (e.path().extension() == ".tmp") ++n;
  return n;
}

TEST(Settings_file, ParsesOneValueALine) {
  const struct {
    std::string text, com, con, options;
  } cases[] = {
      {"", "", "", ""},
      {"\n\n", "", "", ""},
      {"/usr/bin/g++", "/usr/bin/g++", "", ""},
      {"/usr/bin/g++\n", "/usr/bin/g++", "", ""},
      {"a\nb\nc", "a", "b", "c"},
      {"a\nb\nc\n", "a", "b", "c"},
      {"a\r\nb\r\nc\r\n", "a", "b", "c"},
      {"a\r\nb\nc", "a", "b", "c"},
      {"a\nb\nc\nd\ne\n", "a", "b", "c"},
      {" a \n\"b c\"\n-O2 -DX='1 2'", " a ", "\"b c\"", "-O2 -DX='1 2'"},
      {"编译器\n暂停\n-std=c++17", "编译器", "暂停", "-std=c++17"},
      // Each line cut at its bound: a path one byte past the longest, so it
      // stays unusable; the options at 64 KiB, kept whole up to there.
      {PATH + "xx\n" + PATH + "\r\n" + OPTIONS, PATH + "x", PATH, OPTIONS},
      {"a\nb\n" + OPTIONS + "more\nd", "a", "b", OPTIONS},
  };
  for (const auto& c : cases) {
    Set_values("old", "old", "old");
    Parse_settings(c.text);
    Expect_values(c.com, c.con, c.options);
  }
}

TEST(Settings_file, SaveThenLoadKeepsEveryByte) {
  Temp_dir dir;
  const std::string file = dir / "vorlix_data.sg";
  const std::string values[][3] = {
      {"", "", ""},
      {" /opt/g++ ", "\"C:\\Dev Tools\\ConsolePauser.exe\"", "-O2  -Wall "},
      {"/中文 路径/g++", "\xff\xfe bytes", std::string("nul\0inside", 10)},
  };
  for (const auto& v : values) {
    Set_values(v[0], v[1], v[2]);
    ASSERT_TRUE(Save_settings_to(file));
    EXPECT_EQ(Read_file(file), v[0] + "\n" + v[1] + "\n" + v[2]);
    Set_values("x", "y", "z");
    Load_settings_from(file);
    Expect_values(v[0], v[1], v[2]);
    EXPECT_EQ(Entries(dir.path()), 1u) << "a temporary file was left behind";
  }
}

TEST(Settings_file, FirstSaveWithNothingSetIsTwoLineBreaks) {
  Temp_dir dir;
  Set_values("", "", "");
  ASSERT_TRUE(Save_settings_to(dir / "s"));
  EXPECT_EQ(Read_file(dir / "s"), "\n\n");
}

TEST(Settings_file, MissingOrDirectoryReadsAsEmpty) {
  Temp_dir dir;
  std::filesystem::create_directory(dir / "d");
  for (const std::string& path : {dir / "missing", dir / "d"}) {
    Set_values("x", "y", "z");
    Load_settings_from(path);
    Expect_values("", "", "");
  }
}

TEST(Settings_file, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
  Temp_dir dir;
  // A directory at the settings path cannot be replaced by a file.
  std::filesystem::create_directory(dir / "d");
  Set_values("a", "b", "c");
  std::string error;
  EXPECT_FALSE(Save_settings_to(dir / "d", error));
  EXPECT_EQ(error, "Is a directory");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "d"));
  EXPECT_EQ(Entries(dir.path()), 1u);
}

TEST(Temporary_name, OnlyTheSavesOwnNamesAreTakenForLeftovers) {
  const std::string made = Temporary_name("dir/vorlix_data.sg").substr(4);
  EXPECT_TRUE(Is_temporary_name(made, "vorlix_data.sg")) << made;
  EXPECT_NE(Temporary_name("s"), Temporary_name("s"));
  const struct {
    std::string entry;
    bool ours;
  } cases[] = {
      {"vorlix_data.sg.0123456789abcdef.tmp", true},
      {"vorlix_data.sg.0123456789ABCDEF.tmp", false},
      {"vorlix_data.sg.0123456789abcde.tmp", false},
      {"vorlix_data.sg.0123456789abcdef0.tmp", false},
      {"vorlix_data.sg.0123456789abcdeg.tmp", false},
      {"vorlix_data.sg.0123456789abcdef.tmp~", false},
      {"vorlix_data.sg.0123456789abcdef.txt", false},
      {"vorlix_data.sx.0123456789abcdef.tmp", false},
      {"other.sg.0123456789abcdef.tmp", false},
      {"vorlix_data.sg", false},
  };
  for (const auto& c : cases) EXPECT_EQ(Is_temporary_name(c.entry, "vorlix_data.sg"), c.ours) << c.entry;
}

mode_t Mode_of(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return st.st_mode & 07777;
}

std::string Save_dir;  // where Note_created_mode looks for the temporary

// The mode of the save's temporary file when it was created, before anything
// was written to it.
mode_t Created_mode;

void Note_created_mode(Save_step step) {
  if (step != Save_step::temporary_created) return;
  for (const auto& e : std::filesystem::directory_iterator(std::filesystem::path(Save_dir)))
    if (e.path().extension() == ".tmp") Created_mode = Mode_of(e.path().string());
}

TEST(Settings_file, SaveKeepsTheModeTheUserSetAndANewFileFollowsTheUmask) {
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
    Set_values("a", "b", "c");
    Save_dir = dir.path();
    Created_mode = 07777;
    Save_step_reached = Note_created_mode;
    const bool saved = Save_settings_to(file);
    Save_step_reached = nullptr;
    umask(before);
    ASSERT_TRUE(saved);
    EXPECT_EQ(Mode_of(file), c.expected) << std::oct << c.old_mode;
    // Never more open than the file it becomes, not even before it is written.
    EXPECT_EQ(Created_mode, c.expected & ~c.umask) << std::oct << c.old_mode;
    EXPECT_EQ(Read_file(file), "a\nb\nc");
  }
}

TEST(Settings_file, SymbolicLinkStaysAndItsTargetIsReplaced) {
  const struct {
    std::string link, target;  // the link's text; the file it leads to, from the temporary dir
    bool target_exists;
  } cases[] = {
      {"real.sg", "real.sg", true},
      {"other/real.sg", "other/real.sg", true},
      {"../elsewhere/real.sg", "elsewhere/real.sg", true},  // relative to the link's directory
      {"chain", "other/real.sg", true},                     // a link to a link
      {"other/new.sg", "other/new.sg", false},               // dangling: the target is created
  };
  for (const auto& c : cases) {
    Temp_dir dir;
    for (const char* d : {"home", "home/other", "elsewhere"}) std::filesystem::create_directory(dir / d);
    const std::string link = dir / "home/vorlix_data.sg";
    const std::string target = c.target.rfind("elsewhere", 0) == 0 ? dir / c.target : dir / ("home/" + c.target);
    if (c.target_exists) {
      Write_file(target, "old");
      chmod(target.c_str(), 0600);
    }
    symlink("other/real.sg", (dir / "home/chain").c_str());
    symlink(c.link.c_str(), link.c_str());
    Set_values("new", "", "values");
    ASSERT_TRUE(Save_settings_to(link)) << c.link;
    std::error_code ec;
    EXPECT_TRUE(std::filesystem::is_symlink(link)) << c.link;
    EXPECT_EQ(std::filesystem::read_symlink(link, ec).string(), c.link);
    EXPECT_EQ(Read_file(target), "new\n\nvalues") << c.link;
    if (c.target_exists) {
      EXPECT_EQ(Mode_of(target), 0600u) << c.link;
    }
    Set_values("x", "y", "z");
    Load_settings_from(link);
    Expect_values("new", "", "values");
    EXPECT_EQ(Temporaries(dir.path()), 0u);
  }
}

// In a sticky directory anyone may write to, a link that neither the user nor
// the directory's owner made may have been planted to turn the save on
// another file: it is replaced, as the kernel would refuse to follow it.
TEST(Settings_file, LinkPlantedInASharedStickyDirectoryIsReplacedNotFollowed) {
  if (geteuid() != 0) GTEST_SKIP() << "not root: cannot give a link to another user";
  const uid_t other = 65534;
  const struct {
    mode_t mode;
    uid_t dir_owner, first_owner, second_owner;  // `first` leads to `second`, which leads to the file
    bool followed;
  } cases[] = {
      {01777, 0, other, 0, false},      // planted by someone else
      {01777, 0, 0, other, false},      // the user's link leads to one planted
      {01777, 0, 0, 0, true},           // the user's own links
      {01777, other, other, other, true},  // the directory's owner's
      {0777, 0, other, other, true},    // not sticky: the kernel would follow
      {01775, 0, other, other, true},   // not writable by all
  };
  for (const auto& c : cases) {
    Temp_dir dir;
    const std::string shared = dir / "shared", victim = dir / "victim";
    std::filesystem::create_directory(shared);
    Write_file(victim, "the user's own file");
    chmod(victim.c_str(), 0600);
    const std::string first = shared + "/vorlix_data.sg", second = shared + "/second";
    symlink(second.c_str(), first.c_str());
    symlink(victim.c_str(), second.c_str());
    ASSERT_EQ(lchown(first.c_str(), c.first_owner, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(lchown(second.c_str(), c.second_owner, static_cast<gid_t>(-1)), 0);
    ASSERT_EQ(chown(shared.c_str(), c.dir_owner, static_cast<gid_t>(-1)), 0);
    chmod(shared.c_str(), c.mode);
    const std::string replaced = c.first_owner == 0 ? second : first;  // the one not followed
    // What the save will not follow, the load does not read.
    Load_settings_from(first);
    EXPECT_EQ(COM_PATH, c.followed ? "the user's own file" : "") << std::oct << c.mode;
    Set_values("new", "", "");
    ASSERT_TRUE(Save_settings_to(first)) << std::oct << c.mode;
    EXPECT_EQ(Read_file(victim), c.followed ? "new\n\n" : "the user's own file") << std::oct << c.mode;
    if (!c.followed) {
      EXPECT_FALSE(std::filesystem::is_symlink(replaced)) << replaced;
      EXPECT_EQ(Read_file(replaced), "new\n\n");
      EXPECT_EQ(Mode_of(replaced), 0600u) << "the user's alone";
      EXPECT_EQ(Mode_of(victim), 0600u);
    }
    EXPECT_EQ(Temporaries(dir.path()), 0u);
  }
}

// Some file systems refuse to change a file's mode (CIFS, FUSE mounts) or
// cannot sync a file at all; the save still stands. A failed sync that
// reports a lost write is a failed save.
TEST(Settings_file, SaveSurvivesWhatTheFileSystemCannotDoButNotALostWrite) {
  static int Fchmod_error, Fsync_error;
  const struct {
    int fchmod_error, fsync_error;
    bool saved;
    std::string error;  // the reason given for a failed save
  } cases[] = {
      {0, 0, true, ""},        {EPERM, 0, true, ""},    {ENOTSUP, 0, true, ""},
      {0, EINVAL, true, ""},   {0, EROFS, true, ""},    {0, ENOTSUP, true, ""},
      {0, EIO, false, "Input/output error"}, {0, ENOSPC, false, "No space left on device"},
  };
  const Save_system_calls real = Save_calls;
  Save_calls.fchmod = [](int, mode_t) { return Fchmod_error == 0 ? 0 : (errno = Fchmod_error, -1); };
  Save_calls.fsync = [](int) { return Fsync_error == 0 ? 0 : (errno = Fsync_error, -1); };
  for (const auto& c : cases) {
    Fchmod_error = c.fchmod_error;
    Fsync_error = c.fsync_error;
    Temp_dir dir;
    const std::string file = dir / "vorlix_data.sg";
    Write_file(file, "old");
    Set_values("a", "b", "c");
    std::string error;
    EXPECT_EQ(Save_settings_to(file, error), c.saved) << c.fchmod_error << " " << c.fsync_error;
    EXPECT_EQ(error, c.error);
    EXPECT_EQ(Read_file(file), c.saved ? "a\nb\nc" : "old") << c.fchmod_error << " " << c.fsync_error;
    EXPECT_EQ(Entries(dir.path()), 1u);
  }
  Save_calls = real;
}

Save_step Kill_at;

// A save killed at each of its steps, as by a crash or a closed window, leaves
// the old file or the new one whole; the next save leaves no temporary file.
TEST(Settings_file, SaveKilledAtAnyStepLeavesOneWholeFileAndTheNextSaveCleansUp) {
  const struct {
    Save_step step;
    std::string left;
  } cases[] = {
      {Save_step::temporary_created, "old\nold\nold"},
      {Save_step::temporary_written, "old\nold\nold"},
      {Save_step::temporary_synced, "old\nold\nold"},
      {Save_step::renamed, "new\nnew\nnew"},
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
        Kill_at = c.step;
        Save_step_reached = [](Save_step step) {
          if (step == Kill_at) raise(SIGKILL);
        };
        Set_values("new", "new", "new");
        Save_settings_to(path);
        _exit(0);
      }
      int raw = 0;
      waitpid(pid, &raw, 0);
      ASSERT_TRUE(WIFSIGNALED(raw) && WTERMSIG(raw) == SIGKILL) << static_cast<int>(c.step);
      EXPECT_EQ(Read_file(file), c.left) << static_cast<int>(c.step);

      Set_values("next", "next", "next");
      ASSERT_TRUE(Save_settings_to(path));
      EXPECT_EQ(Read_file(file), "next\nnext\nnext");
      EXPECT_EQ(Temporaries(dir.path()), 0u) << static_cast<int>(c.step);
    }
  }
}

// The clean-up takes only what is a save's own and no longer in use: another
// save still writing holds a lock on its temporary file.
TEST(Settings_file, CleanUpSparesOtherFilesAndSavesStillRunning) {
  Temp_dir dir;
  const std::string path = dir / "vorlix_data.sg";
  const struct {
    std::string name;
    bool locked, removed;
  } cases[] = {
      {"vorlix_data.sg.00000000000000aa.tmp", false, true},
      {"vorlix_data.sg.00000000000000bb.tmp", true, false},
      {"vorlix_data.sg.notours.tmp", false, false},
      {"other.sg.00000000000000cc.tmp", false, false},
  };
  std::vector<int> locks;
  for (const auto& c : cases) {
    Write_file(dir / c.name, "partial");
    if (!c.locked) continue;
    locks.push_back(open((dir / c.name).c_str(), O_RDONLY));
    ASSERT_EQ(flock(locks.back(), LOCK_EX), 0);
  }
  Set_values("a", "b", "c");
  ASSERT_TRUE(Save_settings_to(path));
  for (const auto& c : cases) EXPECT_EQ(std::filesystem::exists(dir / c.name), !c.removed) << c.name;
  for (int fd : locks) close(fd);
  ASSERT_TRUE(Save_settings_to(path));
  EXPECT_FALSE(std::filesystem::exists(dir / cases[1].name));
}

// The file is checked, then opened: what another program puts there
// meanwhile is checked again on the file opened, and a FIFO cannot hold the
// load. The load runs in a child that an alarm ends, should it block.
TEST(Settings_file, LoadChecksTheFileItOpenedAndNeverWaitsOnAFifo) {
  static std::string Swap;
  const struct {
    std::string swap;  // what replaces the file between check and open
    std::string com;
  } cases[] = {{"", "a"}, {"fifo", ""}, {"link", ""}};
  for (const auto& c : cases) {
    Temp_dir dir;
    Write_file(dir / "vorlix_data.sg", "a\nb\nc");
    Write_file(dir / "other", "x\ny\nz");
    Swap = c.swap;
    const pid_t pid = fork();
    if (pid == 0) {
      alarm(5);
      Load_opening = [](const std::string& path) {
        if (Swap.empty()) return;
        unlink(path.c_str());
        if (Swap == "fifo") mkfifo(path.c_str(), 0600);
        if (Swap == "link") symlink("other", path.c_str());
      };
      Load_settings_from(dir / "vorlix_data.sg");
      _exit(COM_PATH == c.com && CON_PATH == (c.com.empty() ? "" : "b") ? 0 : 1);
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    EXPECT_TRUE(WIFEXITED(raw)) << c.swap << ": the load blocked";
    EXPECT_EQ(WEXITSTATUS(raw), 0) << c.swap;
  }
}

}  // namespace
