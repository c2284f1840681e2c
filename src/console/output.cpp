#include "console/output.h"

#include <chrono>
#include <cstdint>

#include "platform/platform.h"

bool TYPED = true;

void Write(const std::string& s) { Write_text(Stream::out, s); }

void Print(std::string s, int nrow) {
  if (!TYPED) {
    if (nrow > 0) s.append(static_cast<std::size_t>(nrow), '\n');
    return Write(s);
  }
  // Each pause ends at a fixed offset from the first byte rather than 1 ms
  // after the previous write, so the oversleep of one pause does not add up.
  using std::chrono::milliseconds;
  auto deadline = std::chrono::steady_clock::now();
  for (char c : s) {
    Write_text(Stream::out, std::string(1, c));
    deadline += milliseconds(1);
    Sleep_until(deadline);
  }
  if (nrow > 0) Write(std::string(static_cast<std::size_t>(nrow), '\n'));
}

void Wait(double a) {
  const double us = a * 1e6;
  if (!(us >= 1.0)) return;  // also refuses NaN
  const auto whole = us >= INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(us);
  Sleep_until(std::chrono::steady_clock::now() + std::chrono::microseconds(whole));
}
