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
      {0xC0000005UL, "3221225477 (0xC0000005)"},  // access violation
      {0xC00000FDUL, "3221225725 (0xC00000FD)"},  // stack overflow
      {0xC0000409UL, "3221226505 (0xC0000409)"},  // stack buffer overrun
      {0xFFFFFFFFUL, "4294967295 (0xFFFFFFFF)"},  // return -1
  };
  for (const auto& c : cases) EXPECT_EQ(Windows_exit_status_text(c.code), c.text) << c.code;
}

}  // namespace
