#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "harness.h"
#include "temp_dir.h"
#include "tmux_session.h"

namespace {

const std::string COMPILED_AND_ASKED =
    "\n未找到对应程序的 exe 文件，自动为你编译。\n正在编译……\n编译成功！\n\n是否需要运行？（0/1）\n";

const std::string FIGURES =
    "用时 ([0-9]+\\.[0-9]{4}) 秒，CPU 时间 ([0-9]+\\.[0-9]{4}) 秒，内存峰值 ([0-9]+\\.[0-9]) MiB";

// Elapsed times, CPU times and peaks differ from run to run; that each is
// there, and everything else, must not.
std::string Without_time(const std::string& s) {
  return std::regex_replace(s, std::regex(FIGURES), "用时 S 秒，CPU 时间 T 秒，内存峰值 M MiB");
}

std::string Footer(const std::string& status) {
  return "\n" + std::string(32, '-') + "\n进程已退出，用时 S 秒，CPU 时间 T 秒，内存峰值 M MiB，返回值 " +
         status + "\n" + PAUSE;
}

// tmux expands "#" formats in a directory, "##" being a plain "#", and ends a
// command at a word ending in ";", which "\;" keeps.
std::string Tmux_word(const std::string& s) {
  std::string out;
  for (char c : s) out += c == '#' ? std::string("##") : std::string(1, c);
  if (out.back() == ';') out.insert(out.size() - 1, "\\");
  return out;
}

// Waits up to ten seconds for `path` to hold a whole line.
std::string Await_line(const std::string& path) {
  for (int i = 0; i < 100; ++i) {
    const std::string s = Read_file(path);
    if (!s.empty() && s.back() == '\n') return s;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return "";
}

TEST(Launch, RealCompilerBuildsAndStartsAnyPathWithoutRunningPartsOfIt) {
  if (!Have("g++")) GTEST_SKIP() << "no g++";
  Temp_dir dir;
  const std::string hello = "#include <cstdio>\nint main() { std::puts(\"Hello, Vorlix!\"); }\n";
  std::filesystem::create_directory(dir / "空 格");
  const std::string paths[] = {"hello.cpp", dir / "abs.cpp", dir / "空 格/你好.cpp",
                               dir / "空 格/x'$(touch pwned)`touch pwned`;\"q\".cpp"};
  for (const auto& path : paths) {
    Write_file(path[0] == '/' ? path : dir / path, hello);
    Write_file(dir / "vorlix_data.sg", "/usr/bin/g++\n\n-O2");
    const Session s = Run_vorlix(dir.path(), "1\n" + path + "\n1\n");
    EXPECT_EQ(s.out, Main_page() + ASK_PATH + COMPILED_AND_ASKED +
                         "ConsolePauser 路径无效。即将直接启动程序。\nHello, Vorlix!\n" + STARTED +
                         Main_page())
        << path;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
  EXPECT_FALSE(std::filesystem::exists(dir / "空 格/pwned"));

  // Through the companion pauser, which reports how the program ended.
  Write_file(dir / "vorlix_data.sg", "/usr/bin/g++\n" + Pauser_binary() + "\n");
  const Session s = Run_vorlix(dir.path(), "1\nhello.cpp\n01\n1\n");
  EXPECT_EQ(Without_time(s.out), Main_page() + ASK_PATH + "\n是否需要编译？（0/1）\n正在编译……\n编译成功！\n\n"
                                     "是否需要运行？（0/1）\n正在通过 ConsolePauser 启动程序……\n"
                                     "Hello, Vorlix!\n" + Footer("0") + STARTED + Main_page());
}

// Started directly, a program recurses as deep as through the pauser: 130 MB
// of stack where Vorlix was started with 8 MB.
TEST(Launch, DirectStartGetsALargeStack) {
  if (!Have("g++")) GTEST_SKIP() << "no g++";
  Temp_dir dir;
  Write_file(dir / "deep.cpp", "#include <cstdio>\nint F(int n) { volatile char pad[1024]; pad[0] = (char)n;"
                               " return n == 0 ? 0 : F(n - 1) + (pad[0] & 1); }\n"
                               "int main() { std::printf(\"deep %d\\n\", F(120000) & 0); }\n");
  Write_file(dir / "vorlix_data.sg", "/usr/bin/g++\n\n");
  Session_options small_stack;
  small_stack.prelude = "ulimit -c 0; ulimit -S -s 8192";
  const Session s = Run_program({Vorlix_binary(), "deep.cpp"}, dir.path(), "", small_stack);
  EXPECT_NE(s.out.find("启动成功！"), std::string::npos);
  EXPECT_NE(s.out.find("deep 0\n"), std::string::npos) << s.out;
}

// A program run in Vorlix's own terminal shares its standard input and may
// leave it non-blocking; the next prompt still waits for its line, and the
// settings are saved at the end. The last line comes seconds later, through
// a FIFO, so that it is not there yet when the prompt reads.
TEST(Launch, ProgramThatLeavesInputNonBlockingDoesNotEndVorlix) {
  if (!Have("g++")) GTEST_SKIP() << "no g++";
  Temp_dir dir;
  Write_file(dir / "nb.cpp", "#include <fcntl.h>\nint main() { fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK); }\n");
  ASSERT_EQ(Run_program({"/usr/bin/g++", "-o", "nb.exe", "nb.cpp"}, dir.path(), "").status, 0);
  Write_file(dir / "vorlix_data.sg", "/usr/bin/g++\n\n");
  Session_options late;
  late.prelude = "mkfifo in; (printf '1\\nnb.cpp\\n0\\n1\\n'; sleep 3; printf '2\\n3\\n-O2\\n5\\n3\\n') > in & exec < in";
  const Session s = Run_vorlix(dir.path(), "", late);
  EXPECT_EQ(s.status, 0) << s.out;
  EXPECT_EQ(s.out.substr(s.out.size() - FAREWELL.size()), FAREWELL);
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), "/usr/bin/g++\n\n-O2");
}

TEST(Pauser, RunsTheProgramThenReportsTimeAndStatus) {
  Temp_dir dir;
  Write_script(dir / "exit3", "echo \"in $(pwd)\"\nexit 3\n");
  Write_script(dir / "killed", "kill -TERM $$\n");
  Write_script(dir / "args", "printf '[%s]' \"$@\"; echo\n");
  Write_script(dir / "exit139", "exit 139\n");  // as a crash's status reads, but no crash
  const struct {
    std::vector<std::string> argv;
    std::string out;
    int status;
  } cases[] = {
      {{"exit3"}, "in " + dir.path() + "\n" + Footer("3"), 3},
      {{dir / "killed"}, Footer("143（SIGTERM，被终止）"), 143},
      {{"args", "a b", ""}, "[a b][]\n" + Footer("0"), 0},
      {{"exit139"}, Footer("139"), 139},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv = {Pauser_binary()};
    argv.insert(argv.end(), c.argv.begin(), c.argv.end());
    const Session s = Run_program(argv, dir.path(), "");
    EXPECT_EQ(Without_time(s.out), c.out) << c.argv[0];
    EXPECT_EQ(s.status, c.status) << c.argv[0];
  }
  EXPECT_NE(Run_program({Pauser_binary()}, dir.path(), "").status, 0);

  // A parent that ignores SIGCHLD hands that on; the status must still be read.
  const Session ignoring = Run_program(
      {"/bin/bash", "-c", "trap '' CHLD; exec \"$0\" exit3", Pauser_binary()}, dir.path(), "");
  EXPECT_EQ(Without_time(ignoring.out), "in " + dir.path() + "\n" + Footer("3"));

  // A program that cannot be started: the common causes in Chinese, then the
  // system's own words.
  Write_file(dir / "not allowed", "#!/bin/sh\n");
  Write_file(dir / "not a program", "plain text\n");
  std::filesystem::permissions(dir / "not a program", std::filesystem::perms::owner_all);
  const struct {
    std::string program, why;
  } failures[] = {
      {"missing", "文件不存在（"},
      {"not allowed", "没有执行权限（"},
      {"not a program", "不是可以运行的程序（"},
  };
  for (const auto& f : failures) {
    const Session s = Run_program({Pauser_binary(), f.program}, dir.path(), "");
    EXPECT_EQ(s.status, 127) << f.program;
    EXPECT_EQ(s.err.find("vorlix-pauser：无法启动 " + f.program + "：" + f.why), 0u) << s.err;
    EXPECT_EQ(s.out, PAUSE);
  }
}

// Vorlix started with signals blocked and ignored does not hand that on: a
// program started directly or through the pauser can be interrupted, and its
// alarm() and SIGPIPE work. The program is grep, through env, as a shell
// would clear the mask itself.
TEST(Launch, StartedProgramGetsNoBlockedOrIgnoredSignals) {
  Temp_dir dir;
  Write_script(dir / "g++", "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n"
                            "echo '#!/usr/bin/env -S grep -hE ^Sig(Blk|Ign) /proc/self/status' > \"$out\"\n"
                            "chmod +x \"$out\"\n");
  Write_file(dir / "a.cpp", "");
  sigset_t blocked, before;
  sigemptyset(&blocked);
  for (int sig : {SIGINT, SIGTERM, SIGCHLD, SIGALRM}) sigaddset(&blocked, sig);
  sigprocmask(SIG_BLOCK, &blocked, &before);
  const auto hup = signal(SIGHUP, SIG_IGN);
  const auto pipe = signal(SIGPIPE, SIG_IGN);
  for (const std::string& pauser : {std::string(), Pauser_binary()}) {
    std::filesystem::remove(dir / "a.exe");
    Write_file(dir / "vorlix_data.sg", dir / "g++\n" + pauser + "\n");
    const Session s = Run_vorlix(dir.path(), "1\na.cpp\n1\n");
    EXPECT_NE(s.out.find("\nSigBlk:\t0000000000000000\nSigIgn:\t0000000000000000\n"), std::string::npos)
        << pauser << s.out;
  }
  signal(SIGPIPE, pipe);
  signal(SIGHUP, hup);
  sigprocmask(SIG_SETMASK, &before, nullptr);
}

// Real programs report their CPU time and peak memory as a judge would, and a
// crash still its signal: each within what the program really did.
TEST(Pauser, ReportsCpuTimeAndPeakMemoryAsAJudgeWould) {
  if (!Have("g++")) GTEST_SKIP() << "no g++";
  Temp_dir dir;
  const double any = 1e9;
  const struct {
    std::string name, main_body;
    double cpu_min, cpu_max, peak_min, peak_max;
    std::string status;
  } cases[] = {
      {"touch64", "char* p = static_cast<char*>(std::malloc(64 << 20)); std::memset(p, 1, 64 << 20);"
                  " return p[12345] - 1;",
       0, any, 64, 80, "0"},
      {"busy", "volatile long x = 0; while (std::clock() < CLOCKS_PER_SEC * 3 / 10) ++x;", 0.25, 0.6, 0, any,
       "0"},
      {"sleep", "std::this_thread::sleep_for(std::chrono::milliseconds(500));", 0, 0.1, 0, any, "0"},
      {"crash", "volatile int* p = nullptr; return *p;", 0, any, 0, any, "139（SIGSEGV，段错误）"},
      // About 130 MB of stack where the pauser was started with 8 MB.
      {"deep", "struct R { static int F(int n) { volatile char pad[1024]; pad[0] = (char)n;"
               " return n == 0 ? 0 : F(n - 1) + (pad[0] & 1); } }; return R::F(120000) & 0;",
       0, any, 100, 400, "0"},
  };
  Session_options no_core;
  no_core.prelude = "ulimit -c 0; ulimit -S -s 8192";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Write_file(dir / (c.name + ".cpp"),
               "#include <chrono>\n#include <cstdlib>\n#include <cstring>\n#include <ctime>\n"
               "#include <thread>\nint main() { " + c.main_body + " }\n");
    ASSERT_EQ(std::system(("g++ -O0 -o " + Shell_word(dir / c.name) + " " + Shell_word(dir / (c.name + ".cpp")))
                              .c_str()),
              0);
    const Session s = Run_program({Pauser_binary(), c.name}, dir.path(), "", no_core);
    EXPECT_EQ(Without_time(s.out), Footer(c.status));
    std::smatch figures;
    ASSERT_TRUE(std::regex_search(s.out, figures, std::regex(FIGURES))) << s.out;
    const double cpu = std::stod(figures[2]), peak = std::stod(figures[3]);
    EXPECT_GE(cpu, c.cpu_min);
    EXPECT_LE(cpu, c.cpu_max);
    EXPECT_GE(peak, c.peak_min);
    EXPECT_LT(peak, c.peak_max);
  }
}

// A program that stops itself no longer hangs the pauser in silence: it is
// said to have stopped, resumed, and reported when it ends.
TEST(Pauser, ResumesAProgramThatStopsItself) {
  Temp_dir dir;
  for (const std::string signal : {"STOP", "TSTP"}) {
    Write_script(dir / "stops", "echo before\nkill -" + signal + " $$\necho after\n");
    Session_options limit;
    limit.timeout_seconds = 10;
    const Session s = Run_program({Pauser_binary(), "stops"}, dir.path(), "", limit);
    EXPECT_FALSE(s.timed_out) << signal;
    EXPECT_EQ(Without_time(s.out), "before\nafter\n" + Footer("0")) << signal;
    EXPECT_EQ(s.err, "\n程序被 SIG" + signal + " 暂停，已让它继续运行。\n");
  }
}

// On a terminal the pauser's report is never lost: a line typed ahead that
// the program did not read is not the key that closes the window, and a
// program in a process group of its own that reads the terminal gets it
// rather than hanging, stopped.
TEST(Pauser, OnATerminalEndsInAReportThatWaitsForAKey) {
  if (!Have("tmux") || !Have("g++")) GTEST_SKIP() << "no tmux or no g++";
  Temp_dir dir;
  Write_script(dir / "reads", "read x\necho \"got $x\"\n");
  Write_file(dir / "group.cpp", "#include <unistd.h>\n#include <iostream>\n#include <string>\n"
                                "int main() { setpgid(0, 0); std::string x; std::getline(std::cin, x);"
                                " std::cout << \"got \" << x << std::endl; }\n");
  ASSERT_EQ(Run_program({"/usr/bin/g++", "-o", "group", "group.cpp"}, dir.path(), "").status, 0);
  const struct {
    std::string program, pasted, output;
  } cases[] = {{"reads", "a\nb\n", "got a"}, {"group", "hi\n", "got hi"}};
  for (const auto& c : cases) {
    const Temp_dir socket;  // a server of its own: the last row's may still be going away
    Tmux_session t(socket.path(), dir.path(), Shell_word(Pauser_binary()) + " " + c.program + "; echo EXITED; sleep 10");
    ASSERT_TRUE(t.Started());
    t.Paste(c.pasted);
    const std::string screen = t.Await_containing("请按任意键继续");
    EXPECT_NE(screen.find(c.output + "\n\n--------------------------------\n"), std::string::npos) << screen;
    EXPECT_NE(screen.find("返回值 0"), std::string::npos) << screen;
    EXPECT_EQ(screen.find("EXITED"), std::string::npos) << screen;
    t.Keys("z");
    // The shell after it reads lines again: the screen alone tells.
    std::string after;
    for (int i = 0; i < 500 && (after = t.Screen()).find("EXITED") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_NE(after.find("EXITED"), std::string::npos) << c.program;
  }
}

// A compiler whose program writes where it runs and which window it is in,
// then stays a while so that its window can be seen. The source's name and
// its directory are full of what a shell or tmux would expand.
class Window_launch : public ::testing::Test {
 protected:
  void SetUp() override {
    Write_script(dir / "g++", "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n"
                              "printf '#!/bin/sh\\necho \"$(pwd) $TMUX_PANE$WINDOWID\" > started\\n"
                              "sleep 3\\n' > \"$out\" && chmod +x \"$out\"\n");
    std::filesystem::create_directory(work);
    Write_file(work + "/" + source, "");
    Write_file(work + "/vorlix_data.sg", dir / "g++\n\n");
  }
  bool Expanded() const {
    return std::filesystem::exists(work + "/p") || std::filesystem::exists(dir / "p");
  }
  Temp_dir dir;
  const std::string work = dir / "w #(touch p) $(touch p);";
  const std::string source = "a b $(touch p) #(touch p) `touch p`.cpp";
};

// The window is named after the source, or through a pauser after the
// program it runs (else tmux names it after the shell or the pauser).
TEST_F(Window_launch, InsideTmuxTheProgramGetsANewWindow) {
  if (!Have("tmux")) GTEST_SKIP() << "no tmux";
  const std::string exe = source.substr(0, source.size() - 4) + ".exe";
  const struct {
    std::string pauser, name;
  } cases[] = {{"", source}, {Pauser_binary(), exe}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(work + "/" + exe);
    std::filesystem::remove(work + "/started");
    Write_file(work + "/vorlix_data.sg", dir / "g++\n" + c.pauser + "\n");
    // A server of its own for each case: the last one may still be going away.
    const std::string tmux = "env -u TMUX tmux -f /dev/null -S " + Shell_word(dir / ("tmux" + std::to_string(c.pauser.size())));
    ASSERT_EQ(std::system((tmux + " new-session -d -s main -x 200 -y 50 -c " + Shell_word(Tmux_word(work)) +
                           " " + Shell_word(Vorlix_binary()))
                              .c_str()),
              0);
    std::system((tmux + " send-keys -t main 1 Enter " + Shell_word(source) + " Enter 1 Enter").c_str());
    const std::string started = Await_line(work + "/started");
    const std::string names = Output_of(tmux + " list-windows -t main -F '#{window_name}'");
    std::system((tmux + " kill-server").c_str());

    EXPECT_EQ(started.substr(0, started.rfind(' ')), work);
    EXPECT_NE(started.find(" %"), std::string::npos) << "not in a tmux pane: " << started;
    EXPECT_NE(names.find("\n" + c.name + "\n"), std::string::npos) << names;
  }
  EXPECT_FALSE(Expanded());
}

// Ctrl-C at the key wait ends the program, Ctrl-Z stops it (or, with no job
// control, is passed over); either way the terminal still echoes and edits
// lines afterwards, and the wait still ends at a key.
TEST_F(Window_launch, SignalsAtTheKeyWaitLeaveTheTerminalUsable) {
  if (!Have("tmux")) GTEST_SKIP() << "no tmux";
  // Keys are sent one group at a time, so that each signal arrives alone.
  for (const std::vector<std::string>& keys :
       {std::vector<std::string>{"C-c"}, {"C-z", "C-z", "x", "5 Enter", "3 Enter"}}) {
    std::filesystem::remove(dir / "modes");
    // A server of its own for each group: the last one may still be going away.
    const std::string tmux = "env -u TMUX tmux -f /dev/null -S " + Shell_word(dir / ("tmux" + keys[0]));
    // The shell catches the interrupt, so it lives on to report the mode.
    const std::string script = "trap : INT; " + Shell_word(Vorlix_binary()) + "; stty -a > modes; sleep 5";
    ASSERT_EQ(std::system((tmux + " new-session -d -s main -c " + Shell_word(dir.path()) + " /bin/sh -c " +
                           Shell_word(script))
                              .c_str()),
              0);
    std::system((tmux + " send-keys -t main 2 Enter 4 Enter").c_str());
    for (int i = 0; i < 100 && Output_of(tmux + " capture-pane -p -t main").find("请按任意键继续") ==
                                   std::string::npos;
         ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    for (const auto& group : keys) {
      std::system((tmux + " send-keys -t main " + group).c_str());
      std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    const std::string modes = Await_line(dir / "modes");
    std::system((tmux + " kill-server").c_str());

    EXPECT_NE(modes.find(" icanon"), std::string::npos) << keys[0] << ": " << modes;
    EXPECT_NE(modes.find(" echo "), std::string::npos) << keys[0] << ": " << modes;
  }
}

TEST_F(Window_launch, InAGraphicalSessionTheProgramGetsATerminalWindow) {
  if (!Have("Xvfb") || !Have("xterm")) GTEST_SKIP() << "no Xvfb or xterm";
  const int display = 50 + getpid() % 400;
  const pid_t xvfb = fork();
  if (xvfb == 0) {
    const std::string name = ":" + std::to_string(display);
    execlp("Xvfb", "Xvfb", name.c_str(), "-nolisten", "tcp", static_cast<char*>(nullptr));
    _exit(127);
  }
  const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
  for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

  Session_options x;
  x.env = {"DISPLAY=:" + std::to_string(display)};
  const Session s = Run_vorlix(work, "1\n" + source + "\n1\n", x);
  const std::string started = Await_line(work + "/started");
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);

  EXPECT_LT(s.seconds, 2.5) << "waited for the program";
  EXPECT_NE(s.out.find(STARTED), std::string::npos) << s.out;
  EXPECT_EQ(started.substr(0, started.rfind(' ')), work);
  EXPECT_NE(started.back(), ' ') << "no terminal window: " << started;
  EXPECT_FALSE(Expanded());
}

// A display that no server answers opens no window: the program runs here.
TEST_F(Window_launch, WithoutAWorkingDisplayTheProgramRunsInThisTerminal) {
  if (!Have("xterm")) GTEST_SKIP() << "no xterm";
  Session_options x;
  x.env = {"DISPLAY=:" + std::to_string(500 + getpid() % 400)};
  const Session s = Run_vorlix(work, "1\n" + source + "\n1\n", x);
  EXPECT_NE(s.out.find(STARTED), std::string::npos) << s.out;
  EXPECT_EQ(Read_file(work + "/started"), work + " \n");
  EXPECT_GE(s.seconds, 3) << "did not wait for the program";
}

}  // namespace
