#include <gtest/gtest.h>

#include <filesystem>

#include "harness.h"
#include "temp_dir.h"

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
  } cases[] = {
      {"a\r\nb\r\nc\r\n", "a", "b", "c", "a\nb\nc"},
      {"a\nb\nc\nd\ne", "a", "b", "c", "a\nb\nc"},
      {"only", "only", "", "", "only\n\n"},
  };
  for (const auto& c : cases) {
    Write_file(dir / "vorlix_data.sg", c.file);
    // View each editor and retype the same value, then save.
    const Session s = Run_vorlix(dir.path(), "2\n1\n" + c.com + "\n2\n" + c.con + "\n3\n" + c.opt +
                                                 "\n5\n3\n");
    EXPECT_EQ(s.out, Main_page() + Settings_page() + Compiler(c.com) + Settings_page() + Pauser(c.con) +
                         Settings_page() + Options(c.opt) + Settings_page() + Main_page() + FAREWELL);
    EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), c.saved);
  }
}

TEST(Settings, DirectoryAtTheSettingsPathNeitherLoadsNorCrashes) {
  Temp_dir dir;
  std::filesystem::create_directory(dir / "vorlix_data.sg");
  const Session s = Run_vorlix(dir.path(), "2\n1\nx\n5\n3\n");
  EXPECT_EQ(s.out, Main_page() + Settings_page() + Compiler("") + Settings_page() + Main_page() + FAREWELL);
  EXPECT_EQ(s.status, 0);
  EXPECT_TRUE(std::filesystem::is_directory(dir / "vorlix_data.sg"));
}

TEST(Settings, SaveThatCannotWriteKeepsThePreviousFile) {
  Temp_dir dir;
  Write_file(dir / "vorlix_data.sg", "old\nold\nold");
  Session_options no_room;
  no_room.prelude = "ulimit -f 0";
  const Session s = Run_vorlix(dir.path(), "2\n1\nnew\n5\n3\n", no_room);
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), "old\nold\nold");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

}  // namespace
