#include "platform/exit_status.h"

#include <csignal>

namespace {

struct Signal_name {
  int number;
  const char* name;
  const char* meaning;
};

// The signals that end programs written by hand, with what a learner should
// read into them. The numbers are the system's own where it has the signal.
const Signal_name Signal_names[] = {
    {SIGSEGV, "SIGSEGV", "段错误"},
    {SIGABRT, "SIGABRT", "异常中止"},
    {SIGFPE, "SIGFPE", "算术异常"},
    {SIGILL, "SIGILL", "非法指令"},
#ifdef SIGBUS
    {SIGBUS, "SIGBUS", "总线错误"},
#endif
#ifdef SIGKILL
    {SIGKILL, "SIGKILL", "被强制结束"},
#endif
    {SIGTERM, "SIGTERM", "被终止"},
    {SIGINT, "SIGINT", "被中断"},
#ifdef SIGPIPE
    {SIGPIPE, "SIGPIPE", "管道已断开"},
#endif
};

}  // namespace

std::string Posix_exit_status_text(int status, bool killed_by_signal) {
  std::string text = std::to_string(status);
  if (killed_by_signal && status > 128)
    for (const auto& s : Signal_names)
      if (status - 128 == s.number) return text + "（" + s.name + "，" + s.meaning + "）";
  return text;
}

std::string Windows_exit_status_text(unsigned long code) {
  const unsigned long severity_bit = 0x80000000UL;
  if ((code & severity_bit) == 0) return std::to_string(code);
  std::string hex = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) hex += "0123456789ABCDEF"[(code >> shift) & 0xFUL];
  return std::to_string(code) + " (" + hex + ")";
}
