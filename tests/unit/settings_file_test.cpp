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
#include "text/start_failure.h"
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
  Temp_dir dir;
  for (const auto& c : cases) {
    Write_file(dir / "s", c.text);
    Set_values("old", "old", "old");
    Load_settings_from(dir / "s");
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
    EXPECT_EQ(Count_entries(dir.path()), 1u) << "a temporary file was left behind";
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
  const Outcome saved = Save_settings_to(dir / "d");
  ASSERT_FALSE(saved.ok());
  EXPECT_EQ(Save_failure_reason(saved.failure()), "Is a directory");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "d"));
  EXPECT_EQ(Count_entries(dir.path()), 1u);
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
    EXPECT_EQ(Count_temporaries(dir.path()), 0u);
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
    EXPECT_EQ(Count_temporaries(dir.path()), 0u);
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
}  // namespace
