// vorlix-pauser PROGRAM [ARG...]: runs PROGRAM in this terminal, reports how
// long it ran, its CPU time and peak memory (as a judge would) and what it
// returned, and keeps the window open until a key is pressed. Set it as the
// pauser path to keep started programs' windows open.
#include <chrono>
#include <string>
#include <vector>

#include "console/options.h"
#include "text/exit_status.h"
#include "platform/platform.h"
#include "text/start_failure.h"

namespace {

const char* const Usage =
    "用法：vorlix-pauser 程序 [参数...]\n"
    "      vorlix-pauser --help | --version\n"
    "在当前终端运行程序，结束后显示用时、CPU 时间、内存峰值和返回值，并等待按任意键。\n"
    "把它设为 Vorlix 的 ConsolePauser 路径，程序的窗口在程序结束后就会保持打开。\n";

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments = Program_arguments(argc, argv);
  if (Answer_option(arguments, "vorlix-pauser", Usage)) return 0;
  Console_init();
  if (arguments.size() < 2) {
    Write_text(Stream::err, Usage);
    return 2;
  }
  const std::string& program = arguments[1];
  const std::vector<std::string> args(arguments.begin() + 2, arguments.end());

  const auto start = std::chrono::steady_clock::now();
  const Program_run run = Run_and_wait(program, args);
  const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;

  // A program that ran but whose return value the system would not give is
  // reported as having run, with that said in place of the value.
  const bool ran = run.outcome.ok() || run.outcome.failure().fault == Failure::Fault::status_unreadable;
  if (!ran) {
    Write_text(Stream::err, "vorlix-pauser：" +
                                Start_failure_line(program, Start_failure_reason(run.outcome.failure())) +
                                "\n");
    Pause(Key_wait_prompt);
    return 127;
  }
  Write_text(Stream::out, "\n" + std::string(32, '-') + "\n" +
                              Report_line(elapsed.count(), run.cpu_seconds, run.peak_mib,
                                          run.outcome.ok() ? Exit_status_text(run) : "") +
                              "\n");
  Pause(Key_wait_prompt);
  return run.outcome.ok() ? static_cast<int>(run.status) : 1;
}
