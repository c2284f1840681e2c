#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "settings/settings.h"
#include "temp_dir.h"

namespace {

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
  };
  for (const auto& c : cases) {
    Set_values("old", "old", "old");
    std::istringstream in(c.text);
    Parse_settings(in);
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
  EXPECT_FALSE(Save_settings_to(dir / "d"));
  EXPECT_TRUE(std::filesystem::is_directory(dir / "d"));
  EXPECT_EQ(Entries(dir.path()), 1u);
}

}  // namespace
