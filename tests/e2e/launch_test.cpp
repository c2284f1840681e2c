#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <regex>
#include <thread>

#include "harness.h"
#include "temp_dir.h"

namespace {

const std::string ASK_PATH = CLS + "请输入 C++ 文件的完整路径：\n";
const std::string COMPILED_AND_ASKED =
    "\n未找到对应程序的 exe 文件，自动为你编译。\n正在编译……\n编译成功！\n\n是否需要运行？（0/1）\n";
const std::string STARTED = "启动成功！\n\n" + PAUSE;

void Write_script(const std::string& path, const std::string& body) {
  Write_file(path, "#!/bin/sh\n" + body);
  chmod(path.c_str(), 0755);
}

// Elapsed times differ from run to run; everything else must not.
std::string Without_time(const std::string& s) {
  return std::regex_replace(s, std::regex("用时 [0-9]+\\.[0-9]{4} 秒"), "用时 S 秒");
}

std::string Footer(int status) {
  return "\n" + std::string(32, '-') + "\n进程已退出，用时 S 秒，返回值 " + std::to_string(status) + "\n" +
         PAUSE;
}

bool Have(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
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
                                     "Hello, Vorlix!\n" + Footer(0) + STARTED + Main_page());
}

TEST(Pauser, RunsTheProgramThenReportsTimeAndStatus) {
  Temp_dir dir;
  Write_script(dir / "exit3", "echo \"in $(pwd)\"\nexit 3\n");
  Write_script(dir / "killed", "kill -TERM $$\n");
  Write_script(dir / "args", "printf '[%s]' \"$@\"; echo\n");
  const struct {
    std::vector<std::string> argv;
    std::string out;
    int status;
  } cases[] = {
      {{"exit3"}, "in " + dir.path() + "\n" + Footer(3), 3},
      {{dir / "killed"}, Footer(143), 143},
      {{"args", "a b", ""}, "[a b][]\n" + Footer(0), 0},
  };
  for (const auto& c : cases) {
    std::vector<std::string> argv = {Pauser_binary()};
    argv.insert(argv.end(), c.argv.begin(), c.argv.end());
    const Session s = Run_program(argv, dir.path(), "");
    EXPECT_EQ(Without_time(s.out), c.out) << c.argv[0];
    EXPECT_EQ(s.status, c.status) << c.argv[0];
  }
  EXPECT_NE(Run_program({Pauser_binary()}, dir.path(), "").status, 0);

  const Session missing = Run_program({Pauser_binary(), "missing"}, dir.path(), "");
  EXPECT_NE(missing.status, 0);
  EXPECT_NE(missing.err.find("missing"), std::string::npos) << missing.err;
  EXPECT_EQ(missing.out, PAUSE);
}

// A compiler whose program writes where it runs and which window it is in,
// then stays a while so that its window can be seen.
class Window_launch : public ::testing::Test {
 protected:
  void SetUp() override {
    Write_script(dir / "g++", "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n"
                              "printf '#!/bin/sh\\necho \"$(pwd) $TMUX_PANE$WINDOWID\" > started\\n"
                              "sleep 20\\n' > \"$out\" && chmod +x \"$out\"\n");
    Write_file(dir / "a.cpp", "");
    Write_file(dir / "vorlix_data.sg", dir / "g++\n\n");
  }
  Temp_dir dir;
};

TEST_F(Window_launch, InsideTmuxTheProgramGetsANewWindow) {
  if (!Have("tmux")) GTEST_SKIP() << "no tmux";
  const std::string tmux = "env -u TMUX tmux -f /dev/null -L vorlix-test-" + std::to_string(getpid());
  ASSERT_EQ(std::system((tmux + " new-session -d -s main -x 200 -y 50 -c '" + dir.path() + "' '" +
                         Vorlix_binary() + "'")
                            .c_str()),
            0);
  std::system((tmux + " send-keys -t main 1 Enter a.cpp Enter 1 Enter").c_str());
  const std::string started = Await_line(dir / "started");
  FILE* p = popen((tmux + " list-windows -t main -F '#{window_name}'").c_str(), "r");
  char names[256] = {};
  fread(names, 1, sizeof names - 1, p);
  pclose(p);
  std::system((tmux + " kill-server").c_str());

  EXPECT_EQ(started.substr(0, started.find(' ')), dir.path());
  EXPECT_NE(started.find(" %"), std::string::npos) << "not in a tmux pane: " << started;
  EXPECT_NE(std::string(names).find("\na.cpp\n"), std::string::npos) << names;
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
  const Session s = Run_vorlix(dir.path(), "1\na.cpp\n1\n", x);
  const std::string started = Await_line(dir / "started");
  kill(xvfb, SIGTERM);
  waitpid(xvfb, nullptr, 0);

  EXPECT_LT(s.seconds, 15) << "waited for the program";
  EXPECT_NE(s.out.find(STARTED), std::string::npos) << s.out;
  EXPECT_EQ(started.substr(0, started.find(' ')), dir.path());
  EXPECT_GT(started.size(), dir.path().size() + 2) << "no terminal window: " << started;
}

}  // namespace
