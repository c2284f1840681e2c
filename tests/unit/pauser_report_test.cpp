#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <optional>
#include <string>

#include "text/exit_status.h"

namespace {

const std::optional<double> UNKNOWN;

// Each figure the system told is shown with its words and its decimals; one
// it could not tell is left out whole, never shown as 0.
TEST(Report_line, ShowsTheFiguresThatAreKnownAndLeavesOutTheRest) {
  const struct {
    double seconds;
    std::optional<double> cpu, peak;
    std::string status, line;
  } cases[] = {
      {0.0081, 0.0012, 3.46, "0", "进程已退出，用时 0.0081 秒，CPU 时间 0.0012 秒，内存峰值 3.5 MiB，返回值 0"},
      {5.38634, 0.0, 64.96, "3", "进程已退出，用时 5.3863 秒，CPU 时间 0.0000 秒，内存峰值 65.0 MiB，返回值 3"},
      {1, UNKNOWN, 2.0, "0", "进程已退出，用时 1.0000 秒，内存峰值 2.0 MiB，返回值 0"},
      {1, 0.25, UNKNOWN, "0", "进程已退出，用时 1.0000 秒，CPU 时间 0.2500 秒，返回值 0"},
      {1, UNKNOWN, UNKNOWN, "139（SIGSEGV，段错误）", "进程已退出，用时 1.0000 秒，返回值 139（SIGSEGV，段错误）"},
      {2, UNKNOWN, UNKNOWN, "", "进程已退出，用时 2.0000 秒，返回值无法读取"},  // it ran; no status
  };
  for (const auto& c : cases) EXPECT_EQ(Report_line(c.seconds, c.cpu, c.peak, c.status), c.line);
}

// A stopped program is told about; it is resumed unless it stopped for the
// terminal, which would only stop it again.
TEST(Posix_stop_answer, ResumesAProgramThatStoppedItselfButNotOneWaitingForTheTerminal) {
  const Stop_answer stop = Posix_stop_answer(SIGSTOP), ttin = Posix_stop_answer(SIGTTIN),
                    other = Posix_stop_answer(99);
  EXPECT_EQ(stop.notice, "\n程序被 SIGSTOP 暂停，已让它继续运行。\n");
  EXPECT_EQ(ttin.notice, "\n程序在后台使用终端，被 SIGTTIN 暂停；把它转到前台后会继续运行。\n");
  EXPECT_EQ(other.notice, "\n程序被 信号 99 暂停，已让它继续运行。\n");
  EXPECT_TRUE(stop.resume && other.resume && !ttin.resume && !Posix_stop_answer(SIGTTOU).resume);
}


// A run's ending reads the same whichever system ended it so.
TEST(Exit_status_text, SignalsAndExceptionsAsEachSystemNamesThem) {
  Program_run run;
  run.status = 139;
  EXPECT_EQ(Exit_status_text(run), "139");  // returned by the program itself
  run.end = Program_run::End::signal;
  EXPECT_EQ(Exit_status_text(run), "139（SIGSEGV，段错误）");
  EXPECT_FALSE(Ended_by_interrupt_key(run));
  run.status = 130;
  EXPECT_TRUE(Ended_by_interrupt_key(run));
  run.end = Program_run::End::exception;
  run.status = 0xC0000005LL;
  EXPECT_EQ(Exit_status_text(run), "3221225477 (0xC0000005，访问越界)");
  EXPECT_FALSE(run.succeeded());
  run.end = Program_run::End::returned;
  run.status = 0;
  EXPECT_TRUE(run.succeeded());
}

}  // namespace
