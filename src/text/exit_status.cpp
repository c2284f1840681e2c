#include "text/exit_status.h"

#include <csignal>
#include <cstdio>

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

// The signals that stop a program, by name: the notice says nothing more.
struct Stop_signal {
  int number;
  const char* name;
};
const Stop_signal Stop_signals[] = {
#ifdef SIGSTOP
    {SIGSTOP, "SIGSTOP"},
    {SIGTSTP, "SIGTSTP"},
    {SIGTTIN, "SIGTTIN"},
    {SIGTTOU, "SIGTTOU"},
#endif
};

std::string Fixed(double value, const char* format) {
  char text[64];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

}  // namespace

std::string Report_line(double seconds, std::optional<double> cpu_seconds,
                        std::optional<double> peak_mib, const std::string& status_text) {
  std::string line = "进程已退出，用时 " + Fixed(seconds, "%.4f") + " 秒，";
  if (cpu_seconds) line += "CPU 时间 " + Fixed(*cpu_seconds, "%.4f") + " 秒，";
  if (peak_mib) line += "内存峰值 " + Fixed(*peak_mib, "%.1f") + " MiB，";
  // A program that ran but whose return value the system would not give.
  return line + (status_text.empty() ? "返回值无法读取" : "返回值 " + status_text);
}

Stop_answer Posix_stop_answer(int signal) {
  std::string name = "信号 " + std::to_string(signal);
  for (const auto& s : Stop_signals)
    if (s.number == signal) name = s.name;
#ifdef SIGTTIN
  if (signal == SIGTTIN || signal == SIGTTOU)
    return {"\n程序在后台使用终端，被 " + name + " 暂停；把它转到前台后会继续运行。\n", false};
#endif
  return {"\n程序被 " + name + " 暂停，已让它继续运行。\n", true};
}

std::string Posix_exit_status_text(int status, bool killed_by_signal) {
  std::string text = std::to_string(status);
  if (killed_by_signal && status > 128)
    for (const auto& s : Signal_names)
      if (status - 128 == s.number) return text + "（" + s.name + "，" + s.meaning + "）";
  return text;
}

namespace {

// The exceptions that end students' programs, in the words a learner looks
// for; a missing DLL says how to mend it.
const struct {
  unsigned long code;
  const char* meaning;
} Exception_names[] = {
    {0xC0000005UL, "访问越界"},
    {0xC00000FDUL, "栈溢出"},
    {0xC0000094UL, "整数除以零"},
    {0xC000008EUL, "浮点除以零"},
    {0xC0000409UL, "程序主动中止（如 abort 或栈缓冲区溢出）"},
    {0xC0000135UL, "找不到所需的 DLL；请把编译器的 bin 文件夹加入 PATH"},
    {0xC000013AUL, "被 Ctrl+C 中断"},
};

}  // namespace

std::string Windows_exit_status_text(unsigned long code) {
  const unsigned long severity_bit = 0x80000000UL;
  if ((code & severity_bit) == 0) return std::to_string(code);
  std::string hex = "0x";
  for (int shift = 28; shift >= 0; shift -= 4) hex += "0123456789ABCDEF"[(code >> shift) & 0xFUL];
  for (const auto& e : Exception_names)
    if (e.code == code) return std::to_string(code) + " (" + hex + "，" + e.meaning + ")";
  return std::to_string(code) + " (" + hex + ")";
}

std::string Exit_status_text(const Program_run& run) {
  switch (run.end) {
    case Program_run::End::signal: return Posix_exit_status_text(static_cast<int>(run.status), true);
    case Program_run::End::exception:
      return Windows_exit_status_text(static_cast<unsigned long>(run.status));
    case Program_run::End::returned: break;
  }
  return std::to_string(run.status);
}

bool Ended_by_interrupt_key(const Program_run& run) {
  return run.outcome.ok() && run.end == Program_run::End::signal && run.status == 128 + 2;
}
