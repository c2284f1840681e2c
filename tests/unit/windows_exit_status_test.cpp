#include <gtest/gtest.h>

#include <string>

#include "text/exit_status.h"

namespace {

// Return values read as numbers; codes with the top bit set are NTSTATUS
// warnings and errors (exceptions) and also show the hex they are known by.
TEST(Windows_exit_status_text, ShowsExceptionCodesInHex) {
  const struct {
    unsigned long code;
    std::string text;
  } cases[] = {
      {0, "0"},
      {7, "7"},
      {255, "255"},
      {259, "259"},  // STILL_ACTIVE, returned by a program, not an exception
      {0x7FFFFFFFUL, "2147483647"},
      {0x80000000UL, "2147483648 (0x80000000)"},
      {0x80000003UL, "2147483651 (0x80000003)"},  // breakpoint
      {0xC0000005UL, "3221225477 (0xC0000005，访问越界)"},
      {0xC00000FDUL, "3221225725 (0xC00000FD，栈溢出)"},
      {0xC0000094UL, "3221225620 (0xC0000094，整数除以零)"},
      {0xC000008EUL, "3221225614 (0xC000008E，浮点除以零)"},
      {0xC0000409UL, "3221226505 (0xC0000409，程序主动中止（如 abort 或栈缓冲区溢出）)"},
      {0xC0000135UL, "3221225781 (0xC0000135，找不到所需的 DLL；请把编译器的 bin 文件夹加入 PATH)"},
      {0xC000013AUL, "3221225786 (0xC000013A，被 Ctrl+C 中断)"},
      {0xC0000006UL, "3221225478 (0xC0000006)"},  // in-page error: not named
      {0xFFFFFFFFUL, "4294967295 (0xFFFFFFFF)"},  // return -1
  };
  for (const auto& c : cases) EXPECT_EQ(Windows_exit_status_text(c.code), c.text) << c.code;
}

}  // namespace
