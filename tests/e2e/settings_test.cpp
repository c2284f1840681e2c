#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <filesystem>
#include <vector>

#include <unistd.h>

#include "harness.h"
#include "temp_dir.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORLIX_ASAN 1
#endif
#endif

namespace {

const std::string SAVED = "设置成功！\n\n" + PAUSE;

std::string Editor(const std::string& label, const std::string& value, const std::string& prompt) {
  return CLS + label + (value.empty() ? "<空>" : value) + "\n" + prompt + "\n" + SAVED;
}
std::string Compiler(const std::string& v) { return Editor("当前编译器路径：", v, "请输入新编译器路径："); }
std::string Pauser(const std::string& v) {
  return Editor("当前 ConsolePauser 路径：", v, "请输入新 ConsolePauser 路径：");
}
std::string Options(const std::string& v) { return Editor("当前编译选项：", v, "请输入新编译选项："); }

TEST(Settings, EditorsShowTheValueTakeTheLineAsTypedAndSaveOnExit) {
  Temp_dir dir;
  const std::string com = " /opt/编译器/g++ ", con = "\"/a b/pauser\"", opt = "-O2 -DX='1 2'  ";
  Session s = Run_vorlix(dir.path(), "2\n1\n" + com + "\n2\n" + con + "\n3\n" + opt + "\n5\n3\n");
  EXPECT_EQ(s.out, Main_page() + Settings_page() + Compiler("") + Settings_page() + Pauser("") +
                       Settings_page() + Options("") + Settings_page() + Main_page() + FAREWELL);
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), com + "\n" + con + "\n" + opt);

  // The next run shows what was saved; an empty line empties a setting.
  s = Run_vorlix(dir.path(), "2\n1\n\n2\nx\n5\n3\n");
  EXPECT_EQ(s.out, Main_page() + Settings_page() + Compiler(com) + Settings_page() + Pauser(con) +
                       Settings_page() + Main_page() + FAREWELL);
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), "\nx\n" + opt);
}

TEST(Settings, FileLinesAreReadWithEitherLineBreak) {
  Temp_dir dir;
  const struct {
    std::string file, com, con, opt, saved;
    std::vector<std::string> shown = {};  // the three as shown, when not as they are
  } cases[] = {
      {"a\r\nb\r\nc\r\n", "a", "b", "c", "a\nb\nc"},
      {"a\nb\nc\nd\ne", "a", "b", "c", "a\nb\nc"},
      {"only", "only", "", "", "only\n\n"},
      // Shown with control characters escaped, kept byte for byte.
      {"g++\x1b[2K\r\nb\x07\nc\xc2\x9b", "g++\x1b[2K", "b\x07", "c\xc2\x9b", "g++\x1b[2K\nb\x07\nc\xc2\x9b",
       {"g++\\x1b[2K", "b\\x07", "c\\xc2\\x9b"}},
  };
  for (const auto& c : cases) {
    Write_file(dir / "vorlix_data.sg", c.file);
    // View each editor and retype the same value, then save.
    const Session s = Run_vorlix(dir.path(), "2\n1\n" + c.com + "\n2\n" + c.con + "\n3\n" + c.opt +
                                                 "\n5\n3\n");
    const auto shown = c.shown.empty() ? std::vector<std::string>{c.com, c.con, c.opt} : c.shown;
    EXPECT_EQ(s.out, Main_page() + Settings_page() + Compiler(shown[0]) + Settings_page() + Pauser(shown[1]) +
                         Settings_page() + Options(shown[2]) + Settings_page() + Main_page() + FAREWELL);
    EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), c.saved);
  }
}

TEST(Settings, DirectoryAtTheSettingsPathNeitherLoadsNorCrashes) {
  Temp_dir dir;
  std::filesystem::create_directory(dir / "vorlix_data.sg");
  const Session s = Run_vorlix(dir.path(), "2\n1\nx\n5\n3\n");
  EXPECT_EQ(s.out, Main_page() + Settings_page() + Compiler("") + Settings_page() + Main_page() + FAREWELL);
  EXPECT_EQ(s.status, 1);
  EXPECT_EQ(s.err, "无法保存设置到 vorlix_data.sg：Is a directory\n");
  EXPECT_TRUE(std::filesystem::is_directory(dir / "vorlix_data.sg"));
}

// A file there that the load could not read may hold settings this run never
// saw: the save at exit leaves it as it is and says so, as a failed save does.
TEST(Settings, FileThatCouldNotBeReadIsNotOverwrittenAtExit) {
  Temp_dir dir;
  // Root reads any file: the test's Vorlix runs as nobody where it can.
  std::vector<std::string> argv = {Vorlix_binary()};
  if (geteuid() == 0) {
    argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
  }
  const struct {
    std::filesystem::perms mode;
    std::string saved, err;
    int status;
  } cases[] = {
      {std::filesystem::perms::none, "old\nold\nold",
       "无法保存设置到 vorlix_data.sg：启动时无法读取它（Permission denied），为免丢失其中的设置，没有覆盖它\n", 1},
      {std::filesystem::perms::all, "old\nold\nnew", "", 0},
  };
  for (const auto& c : cases) {
    Write_file(dir / "vorlix_data.sg", "old\nold\nold");
    std::filesystem::permissions(dir / "vorlix_data.sg", c.mode);
    const Session s = Run_program(argv, dir.path(), "2\n3\nnew\n5\n3\n");
    EXPECT_EQ(s.err, c.err);
    EXPECT_EQ(s.status, c.status);
    std::filesystem::permissions(dir / "vorlix_data.sg", std::filesystem::perms::owner_read,
                                 std::filesystem::perm_options::add);
    EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), c.saved);
  }
}

// The farewell and its delay stay; then the reason, and status 1.
TEST(Settings, SaveThatCannotWriteKeepsThePreviousFileAndSaysWhy) {
  Temp_dir dir;
  Write_file(dir / "vorlix_data.sg", "old\nold\nold");
  Session_options no_room;
  no_room.prelude = "ulimit -f 0";
  const Session s = Run_vorlix(dir.path(), "2\n1\nnew\n5\n3\n", no_room);
  EXPECT_EQ(s.status, 1);
  EXPECT_EQ(s.out.substr(s.out.size() - FAREWELL.size()), FAREWELL);
  EXPECT_EQ(s.err, "无法保存设置到 vorlix_data.sg：File too large\n");
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), "old\nold\nold");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

// Each editor keeps a line up to its setting's bound, the rest is dropped: a
// path one byte past the longest (PATH_MAX less its NUL), 64 KiB of options.
TEST(Settings, EditorsKeepALineUpToTheSettingsBound) {
  const struct {
    std::string item;
    std::size_t typed, kept;
  } cases[] = {
      {"1", PATH_MAX + 100, PATH_MAX},
      {"3", 65536 + 100, 65536},
  };
  for (const auto& c : cases) {
    Temp_dir dir;
    const std::string line(c.typed, 'x');
    Run_vorlix(dir.path(), "2\n" + c.item + "\n" + line + "\n5\n3\n");
    const std::string saved = c.item == "1" ? line.substr(0, c.kept) + "\n\n" : "\n\n" + line.substr(0, c.kept);
    EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), saved) << c.item << " " << c.typed;
  }
}

// Only the three lines are read, never the whole file: a 4 GiB file, its
// lines at the start, loads within 2 GB of address space.
TEST(Settings, HugeFileGivesItsThreeLinesWithinAMemoryLimit) {
#if defined(__SANITIZE_ADDRESS__) || defined(VORLIX_ASAN)
  GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
  Temp_dir dir;
  Write_file(dir / "vorlix_data.sg", "a\nb\nc\n");
  std::filesystem::resize_file(dir / "vorlix_data.sg", std::uintmax_t{4} << 30);
  Session_options limited;
  limited.prelude = "ulimit -v 2000000";
  const Session s = Run_vorlix(dir.path(), "2\n1\na\n2\nb\n3\nc\n5\n3\n", limited);
  EXPECT_EQ(s.out, Main_page() + Settings_page() + Compiler("a") + Settings_page() + Pauser("b") +
                       Settings_page() + Options("c") + Settings_page() + Main_page() + FAREWELL);
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), "a\nb\nc");
}

}  // namespace
