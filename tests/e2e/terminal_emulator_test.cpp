// Opening a window in a graphical session, with fake terminal emulators on
// PATH that record the words they were started with: which one is chosen, and
// what it is told.
#include <gtest/gtest.h>

#include <filesystem>

#include "harness.h"
#include "temp_dir.h"
#include "tmux_session.h"

namespace {


class Terminal_emulators : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(bin);
    std::filesystem::create_directory(work);
    Write_file(work + "/a b.cpp", "");
    Write_script(work + "/a b.exe", "");
    Write_file(work + "/vorlix_data.sg", "/bin/sh\n\n");  // a compiler, never run
  }
  // An emulator that records its arguments, one a line, then ends with
  // `status` at once: 0 counts as a window opened, anything else as none.
  void Emulator(const std::string& name, int status) {
    Write_script(bin + "/" + name,
                 "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.args\"\nexit " +
                     std::to_string(status) + "\n");
  }
  std::string Args(const std::string& name) { return Read_file(bin + "/" + name + ".args"); }
  // The program as the words every way runs: in Vorlix's directory, whatever
  // directory the window starts in.
  std::string Exec() const { return "/bin/sh\n-c\ncd -- \"$0\" && exec \"$@\"\n" + work + "\n"; }
  // Starts a b.exe directly, with a display and only the fake emulators on PATH.
  Session Start(std::vector<std::string> env = {}) {
    env.insert(env.begin(), {"DISPLAY=:99", "PATH=" + bin});  // `env` may override
    Session_options options;
    options.env = env;
    return Run_vorlix(work, "1\na b.cpp\n0\n1\n", options);
  }

  Temp_dir dir;
  const std::string bin = dir / "bin";
  const std::string work = dir / "w d";
};

TEST_F(Terminal_emulators, EachIsToldTitleDirectoryAndCommandItsOwnWayWhenFirstFound) {
  const std::string title = "a b.cpp", cwd = work;
  const std::pair<std::string, std::string> cases[] = {
      {"x-terminal-emulator", "-T\n" + title + "\n-e\n"},
      {"gnome-terminal", "--title=" + title + "\n--working-directory=" + cwd + "\n--\n"},
      {"konsole", "--workdir=" + cwd + "\n-e\n"},
      {"xfce4-terminal", "--title=" + title + "\n--working-directory=" + cwd + "\n-x\n"},
      {"mate-terminal", "--title=" + title + "\n--working-directory=" + cwd + "\n-x\n"},
      {"terminator", "--title=" + title + "\n--working-directory=" + cwd + "\n-x\n"},
      {"kitty", "--title=" + title + "\n--directory=" + cwd + "\n"},
      {"alacritty", "--title=" + title + "\n--working-directory=" + cwd + "\n-e\n"},
      {"foot", "--title=" + title + "\n--working-directory=" + cwd + "\n"},
      {"urxvt", "-title\n" + title + "\n-cd\n" + cwd + "\n-e\n"},
      {"xterm", "-T\n" + title + "\n-e\n"},
  };
  // Each run finds the emulators of the rows below it too, and must prefer its own.
  for (auto c = std::rbegin(cases); c != std::rend(cases); ++c) {
    Emulator(c->first, 0);
    const Session s = Start();
    EXPECT_NE(s.out.find(STARTED), std::string::npos) << c->first << ": " << s.out;
    EXPECT_EQ(Args(c->first), c->second + Exec() + "./a b.exe\n") << c->first;
    std::filesystem::rename(bin + "/" + c->first + ".args", bin + "/" + c->first + ".done");
  }
  for (const auto& c : cases) EXPECT_FALSE(std::filesystem::exists(bin + "/" + c.first + ".args")) << c.first;
}

TEST_F(Terminal_emulators, TerminalWinsAndIsToldByItsName) {
  Emulator("x-terminal-emulator", 0);
  Emulator("myterm", 0);
  Emulator("kitty", 0);
  const std::pair<std::string, std::string> cases[] = {
      {"myterm", "-e\n"},  // not in the table: the common way
      {bin + "/kitty", "--title=a b.cpp\n--directory=" + work + "\n"},
  };
  for (const auto& [terminal, words] : cases) {
    const Session s = Start({"TERMINAL=" + terminal});
    const std::string name = terminal.substr(terminal.rfind('/') + 1);
    EXPECT_EQ(Args(name), words + Exec() + "./a b.exe\n") << terminal;
    std::filesystem::remove(bin + "/" + name + ".args");
  }
  EXPECT_FALSE(std::filesystem::exists(bin + "/x-terminal-emulator.args"));
}

TEST_F(Terminal_emulators, OneThatGivesUpAtOnceFallsThroughToTheNext) {
  Emulator("failing", 1);
  Emulator("x-terminal-emulator", 1);
  Emulator("xterm", 0);
  const Session s = Start({"TERMINAL=failing"});
  EXPECT_NE(s.out.find(STARTED), std::string::npos) << s.out;
  EXPECT_EQ(Args("failing"), "-e\n" + Exec() + "./a b.exe\n");
  EXPECT_EQ(Args("x-terminal-emulator"), "-T\na b.cpp\n-e\n" + Exec() + "./a b.exe\n");
  EXPECT_EQ(Args("xterm"), "-T\na b.cpp\n-e\n" + Exec() + "./a b.exe\n");
}

// An emulator whose window starts in another directory (a server's) still
// runs the program found where Vorlix found it.
TEST_F(Terminal_emulators, TheProgramRunsInVorlixsDirectoryWhereverTheWindowStarts) {
  Write_script(work + "/a b.exe", "echo \"$(pwd) $WINDOW\" > \"" + dir / "ran" + "\"\n");
  // Runs the words after "-e" from the root directory, as its window would.
  Write_script(bin + "/xterm",
               "while [ \"$1\" != -e ]; do shift; done; shift\ncd / && WINDOW=xterm \"$@\"\n");
  const Session s = Start();
  EXPECT_NE(s.out.find(STARTED), std::string::npos) << s.out;
  EXPECT_EQ(Read_file(dir / "ran"), work + " xterm\n");
}

// A tmux that cannot open a window ($TMUX left over, its server gone) is
// passed over like an emulator that gives up: the next way is tried, down to
// running the program in this terminal.
TEST_F(Terminal_emulators, AFailingTmuxFallsThroughToTheNextWay) {
  Write_script(work + "/a b.exe", "echo ran here\n");
  Write_script(bin + "/tmux", "echo \"$@\" > \"$0.args\"\necho 'no server running' >&2\nexit 1\n");
  Emulator("xterm", 0);
  const struct {
    std::vector<std::string> env;
    bool emulator, here;
  } cases[] = {
      {{"TMUX=/nowhere,1,0"}, true, false},
      {{"TMUX=/nowhere,1,0", "DISPLAY="}, false, true},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(bin + "/tmux.args");
    std::filesystem::remove(bin + "/xterm.args");
    const Session s = Start(c.env);
    EXPECT_NE(s.out.find(STARTED), std::string::npos) << c.env.size() << ": " << s.out;
    EXPECT_NE(Args("tmux").find("new-window"), std::string::npos) << c.env.size();
    EXPECT_EQ(Args("xterm"), c.emulator ? "-T\na b.cpp\n-e\n" + Exec() + "./a b.exe\n" : "");
    EXPECT_EQ(s.out.find("ran here") != std::string::npos, c.here) << s.out;
  }
}

// A working directory too long to name (longer than PATH_MAX) cannot be
// handed to a window, whose shell would look for the program elsewhere: no
// window opens, and the program runs in this terminal, which is there already.
TEST_F(Terminal_emulators, ADirectoryTooLongToNameRunsTheProgramHere) {
  Write_script(work + "/a b.exe", "echo ran here\n");
  Write_script(bin + "/tmux", "echo \"$@\" > \"$0.args\"\n");
  Emulator("xterm", 0);
  // Each step is short; only the whole path is too long.
  const std::string script =
      "n=$(printf 'd%.0s' $(seq 250)); for i in $(seq 20); do mkdir \"$n\" && cd \"$n\" || exit 9; done\n"
      "cp -p \"$0/a b.cpp\" \"$0/a b.exe\" \"$0/vorlix_data.sg\" . || exit 9\n"
      "PATH=\"$2\" DISPLAY=:99 TMUX=/nowhere,1,0 \"$1\" \"a b.cpp\"\n";
  const Session s = Run_program({"/bin/bash", "-c", script, work, Vorlix_binary(), bin}, dir.path(), "");
  std::system(("cd " + Shell_word(dir.path()) + " && rm -rf " + Shell_word(std::string(250, 'd'))).c_str());
  EXPECT_EQ(s.out, "跳过编译。\n\nConsolePauser 路径无效。即将直接启动程序。\nran here\n启动成功！\n");
  EXPECT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(Args("tmux"), "");
  EXPECT_EQ(Args("xterm"), "");
}

}  // namespace
