#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <tuple>

#include "run/run.h"
#include "platform/platform.h"
#include "temp_dir.h"

namespace {

TEST(Source_path, ExtensionIsTextAfterLastDotLowerCased) {
  const std::pair<std::string, std::string> cases[] = {
      {"a.cpp", "cpp"},          {"A.CPP", "cpp"},          {"x.CpP", "cpp"},
      {"D:\\src.old\\main", "old\\main"}, {"noext", "noext"}, {"a.", ""},
      {"a.c", "c"},              {"a.cpp ", "cpp "},        {"a.tar.CPP", "cpp"},
      {"é.CPP", "cpp"},          {"\xc3\x89", "\xc3\x89"},  // only ASCII letters change
  };
  for (const auto& c : cases) EXPECT_EQ(Source_extension(c.first), c.second) << c.first;
}

TEST(Source_path, ExecutableReplacesTheFourByteSuffix) {
  EXPECT_EQ(Executable_path("D:\\code\\a.cpp"), "D:\\code\\a.exe");
  EXPECT_EQ(Executable_path("D:\\code\\A.CPP"), "D:\\code\\A.exe");
  EXPECT_EQ(Executable_path(".cpp"), ".exe");
  EXPECT_EQ(Executable_path("/x/中文 名.Cpp"), "/x/中文 名.exe");
}

TEST(Source_path, OnlyExistingRegularCppFilesAreValid) {
  Temp_dir dir;
  for (const char* name : {"a.cpp", "A.CPP", "b.c", "c.cxx", "it's $(x).cpp", "中文 名.cpp", "cpp"})
    Write_file(dir / name, "int main() {}\n");
  // Relative paths are of the directory, where a file named "cpp" is.
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  std::filesystem::create_directory(dir / "d.cpp");
  std::filesystem::create_symlink(dir / "a.cpp", dir / "link.cpp");
  std::filesystem::create_symlink(dir / "missing.cpp", dir / "dangling.cpp");

  const std::pair<std::string, bool> cases[] = {
      {dir / "a.cpp", true},
      {dir / "A.CPP", true},
      {dir / "it's $(x).cpp", true},
      {dir / "中文 名.cpp", true},
      {dir / "link.cpp", true},
      {dir / "dangling.cpp", false},
      {dir / "b.c", false},
      {dir / "c.cxx", false},
      {dir / "d.cpp", false},
      {dir / "missing.cpp", false},
      {dir / "a.cpp ", false},
      {"\"" + (dir / "a.cpp") + "\"", false},
      {dir / "a.cpp" + std::string("\0", 1), false},
      {std::string("\0", 1) + (dir / "a.cpp"), false},
      {"cpp", false},
      {"", false},
      {std::string(Max_path_bytes() + 1, 'a') + ".cpp", false},
  };
  for (const auto& c : cases) EXPECT_EQ(Is_valid_source(c.first), c.second) << c.first;
  std::filesystem::current_path(here);
}

// make's rule: strictly later, to the nanosecond; links followed; a time
// that cannot be read is never newer.
TEST(Source_path, NewerComparesModificationTimes) {
  Temp_dir dir;
  const auto t = std::filesystem::file_time_type::clock::now();
  for (const auto& [name, after] : {std::pair{"old", 0}, {"same", 0}, {"later", 1}}) {
    Write_file(dir / name, "");
    std::filesystem::last_write_time(dir / name, t + std::chrono::nanoseconds(after));
  }
  std::filesystem::create_symlink(dir / "later", dir / "link");
  const std::string nul("old\0", 4);
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"later", "old", true}, {"old", "later", false}, {"same", "old", false}, {"link", "old", true},
      {"old", "link", false}, {"later", "missing", false}, {"missing", "old", false}, {"later", nul, false},
  };
  for (const auto& [a, b, newer] : cases) EXPECT_EQ(Is_newer(dir / a, dir / b), newer) << a << " " << b;
}

TEST(Source_path, RelativePathsResolveAgainstTheWorkingDirectory) {
  Temp_dir dir;
  Write_file(dir / ".cpp", "");
  Write_file(dir / "abc", "");
  const auto old = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  EXPECT_TRUE(Is_valid_source(".cpp"));  // four bytes: a dot and cpp
  EXPECT_FALSE(Is_valid_source("abc"));  // three bytes never reach the file system
  std::filesystem::current_path(old);
}

}  // namespace
