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
      {false, EISDIR, "Is a directory", "这是一个目录（Is a directory）"},
      {false, EIO, "Input/output error", "Input/output error"},
      {false, ENOENT, "", "文件不存在"},
      {true, 2, "系统找不到指定的文件。", "文件不存在（系统找不到指定的文件。）"},
      {true, 193, "%1 is not a valid Win32 application.", "不是可以运行的程序（%1 is not a valid Win32 application.）"},
      {true, 32, "In use.", "文件正被另一个程序使用（In use.）"},
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

// What the seam says crosses it as a code and the system's text; the words
// are the callers', the same for either system's code.
TEST(Start_failure, EveryFailureOfTheSeamReadsAsBefore) {
  const Failure e_isdir{Failure::Kind::errno_value, EISDIR, "Is a directory"};
  const Failure denied{Failure::Kind::windows_error, 5, "Access is denied."};
  const Failure batch = Seam_fault(Failure::Fault::batch_file, "batch file");
  EXPECT_EQ(Start_program_failure("", "a b.exe", e_isdir), "无法启动 a b.exe：这是一个目录（Is a directory）");
  EXPECT_EQ(Start_program_failure("p.exe", "a.exe", denied), "无法启动 p.exe：拒绝访问（Access is denied.）");
  EXPECT_EQ(Start_program_failure("C:\\p.bat", "a.exe", batch),
            "ConsolePauser 不能是批处理文件（.bat 或 .cmd）：C:\\p.bat");
  EXPECT_EQ(Start_failure_reason(Seam_fault(Failure::Fault::arguments_not_utf8, "")), "参数不是有效的 UTF-8");
  EXPECT_EQ(Start_failure_reason(Seam_fault(Failure::Fault::status_unreadable, "")), "无法读取程序的返回值");
  EXPECT_EQ(Start_failure_reason(Seam_fault(Failure::Fault::invalid_path, "")), "程序路径无效");
  EXPECT_EQ(Save_failure_reason(e_isdir), "Is a directory");
  EXPECT_EQ(Save_failure_reason(Seam_fault(Failure::Fault::not_regular_file, "")), "不是普通文件");

  Program_run compile;
  EXPECT_EQ(Compile_failure("g++", compile), "");  // it ran: its messages and status say enough
  compile.outcome = batch;
  EXPECT_EQ(Compile_failure("c.bat", compile), "编译器不能是批处理文件（.bat 或 .cmd）：c.bat\n");
  compile.outcome = denied;
  EXPECT_EQ(Compile_failure("g++.exe", compile), "无法启动编译器 g++.exe：Access is denied.\n");
  compile.outcome = Seam_fault(Failure::Fault::status_unreadable, "");
  EXPECT_EQ(Compile_failure("g++.exe", compile), "");
}

}  // namespace
