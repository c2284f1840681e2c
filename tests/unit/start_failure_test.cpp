#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "text/start_failure.h"

namespace {

// Common causes in Chinese, then the system's words; the rest in the
// system's words alone, which always say something.
TEST(Start_failure, ChineseForCommonCausesThenTheSystemsText) {
  const struct {
    bool windows;
    unsigned long code;
    std::string system_text, shown;
  } cases[] = {
      {false, ENOENT, "No such file or directory", "文件不存在（No such file or directory）"},
      {false, EACCES, "Permission denied", "没有执行权限（Permission denied）"},
      {false, ENOEXEC, "Exec format error", "不是可以运行的程序（Exec format error）"},
      {false, EIO, "Input/output error", "Input/output error"},
      {false, ENOENT, "", "文件不存在"},
      {true, 2, "系统找不到指定的文件。", "文件不存在（系统找不到指定的文件。）"},
      {true, 193, "%1 is not a valid Win32 application.", "不是可以运行的程序（%1 is not a valid Win32 application.）"},
      {true, 1455, "The paging file is too small.", "The paging file is too small."},
  };
  for (const auto& c : cases) {
    const std::string shown = c.windows ? Windows_start_failure(c.code, c.system_text)
                                        : Posix_start_failure(static_cast<int>(c.code), c.system_text);
    EXPECT_EQ(shown, c.shown) << c.code;
  }
  EXPECT_EQ(Start_failure_line("D:\\a b\\p.exe", "拒绝访问"), "无法启动 D:\\a b\\p.exe：拒绝访问");
  // A name's control characters never reach the terminal as its commands.
  EXPECT_EQ(Start_failure_line("x\x1b]0;HACK\a.exe", "文件不存在"), "无法启动 x\\x1b]0;HACK\\x07.exe：文件不存在");
}

}  // namespace
