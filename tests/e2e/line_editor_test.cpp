// Lines typed on a real terminal: completion, history, editing inside UTF-8
// text, pasting, and the keys that end Vorlix.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "harness.h"
#include "temp_dir.h"
#include "tmux_session.h"

namespace {

// What the screen shows after `output`: what follows the last clear, without
// the trailing line breaks.
std::string Shown(const std::string& output) {
  std::string s = output.substr(output.rfind(CLS) + CLS.size());
  return s.erase(s.find_last_not_of('\n') + 1);
}

const std::string COMPILED =
    "\n未找到对应程序的 exe 文件，自动为你编译。\n正在编译……\n编译成功！\n\n是否需要运行？（0/1）\n";
const std::string SKIPPED_RUN = "0\n跳过运行。\n\n" + PAUSE;

class Line_editor : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Have("tmux")) GTEST_SKIP() << "no tmux";
    if (!VORLIX_LINE_EDITOR) GTEST_SKIP() << "built without a line editor";
    // A compiler that notes its arguments and writes an empty program.
    Write_script(dir / "cc", "echo \"$@\" >> compiled\n"
                             "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n"
                             ": > \"$out\"\n");
    Write_file(dir / "hello.cpp", "");
    std::filesystem::create_directory(dir / "目录");
    Write_file(dir / "目录/你好.cpp", "");
    // A save would drop the last line break.
    Write_file(dir / "vorlix_data.sg", settings);
  }
  // Vorlix on a terminal titled "shell", its status noted in ./status, the
  // terminal's modes afterwards in ./modes. The shell outlives an interrupt.
  std::unique_ptr<Tmux_session> Start() {
    return std::make_unique<Tmux_session>(
        dir.path(), dir.path(),
        "trap : INT; printf '\\033]0;shell\\007'; " + Shell_word(Vorlix_binary()) +
            "; echo $? > status; stty -a > modes; sleep 10");
  }
  std::string Ended() {
    for (int i = 0; i < 500 && Read_file(dir / "modes").find("echo") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return Read_file(dir / "status");
  }

  Temp_dir dir;
  const std::string settings = dir / "cc\n\n-O2\n";
};

TEST_F(Line_editor, CompletesRecallsAndEditsPathsAndEndsAtControlD) {
  const auto t = Start();
  ASSERT_TRUE(t->Started());
  const std::string main_page = Shown(Main_page());
  const std::string ask = Shown(ASK_PATH);
  const struct {
    std::string type, keys, screen;
  } steps[] = {
      {"", "", main_page},
      {"1", "Tab Enter", Shown(Main_page() + "1\n" + COMPLAINT)},  // no completion for answers
      {"1", "Enter", ask},
      {"el", "Home", ask + "\nel"},
      {"h", "End Tab", ask + "\nhello.cpp"},
      {"", "Enter", Shown(ASK_PATH + "hello.cpp\n" + COMPILED)},
      {"", "0 Enter", Shown(ASK_PATH + "hello.cpp\n" + COMPILED + SKIPPED_RUN)},
      {"x", "", main_page},
      {"1", "Enter", ask},
      {"目录/你坏好.cpp", "Left Left Left Left Left BSpace", ask + "\n目录/你好.cpp"},
      {"", "Enter", Shown(ASK_PATH + "目录/你好.cpp\n" + COMPILED)},
      {"", "0 Enter", Shown(ASK_PATH + "目录/你好.cpp\n" + COMPILED + SKIPPED_RUN)},
      {"x", "", main_page},
      {"1", "Enter", ask},
      {"", "Up", ask + "\n目录/你好.cpp"},  // paths only: the answers have a history of their own
      {"", "Up", ask + "\nhello.cpp"},
      {"", "Enter", Shown(ASK_PATH + "hello.cpp\n\n是否需要编译？（0/1）\n")},
  };
  for (const auto& step : steps) {
    if (!step.type.empty()) t->Type(step.type);
    if (!step.keys.empty()) t->Keys(step.keys);
    ASSERT_EQ(t->Await(step.screen), step.screen) << "after " << step.type << " " << step.keys;
  }
  EXPECT_EQ(Read_file(dir / "compiled"),
            "-O2 -g -o hello.exe hello.cpp\n-O2 -g -o 目录/你好.exe 目录/你好.cpp\n");

  // Ctrl-D deletes under the cursor, does nothing at the end of a line, and
  // ends input on an empty line, writing nothing.
  const std::string asked = Shown(ASK_PATH + "hello.cpp\n\n是否需要编译？（0/1）\n");
  t->Type("10");
  t->Keys("Left C-d C-d");
  ASSERT_EQ(t->Await(asked + "\n1"), asked + "\n1");
  t->Keys("BSpace C-d");
  EXPECT_EQ(Ended(), "1\n");
  EXPECT_EQ(t->Screen(), asked);
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), settings);
}

// Names listed when several match are shown as text: a name's control
// characters are escaped, never sent to the terminal as its commands. The source prompt
// offers folders and C++ sources only, so the executable beside a source
// never stops its completion short.
TEST_F(Line_editor, CompletesFoldersAndSourcesAndListsThemWithTheirControlCharactersEscaped) {
  for (const char* name : {"x\x1b]0;HACKED\x07.cpp", "xy.cpp", "xy.exe", "xw.CPP", "xz", "a+b.cpp", "a+b.exe"})
    Write_file(dir / name, "");
  std::filesystem::create_directory(dir / "xd");
  for (const char* name : {"xd/.hidden.cpp", "xd/only.cpp"}) Write_file(dir / name, "");
  const auto t = Start();
  ASSERT_TRUE(t->Started());
  t->Keys("1 Enter");
  ASSERT_EQ(t->Await(Shown(ASK_PATH)), Shown(ASK_PATH));
  t->Type("x");
  t->Keys("Tab");
  const std::string screen = t->Await_containing("xy.cpp");
  EXPECT_NE(screen.find("\nx\\x1b]0;HACKED\\x07.cpp  xd/  xw.CPP  xy.cpp\n"), std::string::npos) << screen;
  EXPECT_EQ(t->Title(), "Vorlix");
  t->Keys("BSpace");
  t->Type("a");
  t->Keys("Tab");
  const std::string completed = screen.substr(0, screen.size() - 1) + "a+b.cpp";
  EXPECT_EQ(t->Await(completed), completed);
  // A folder alone gets its "/"; in it, a name beginning with "." is offered
  // only when "." is typed.
  t->Keys("BSpace BSpace BSpace BSpace BSpace BSpace BSpace");
  t->Type("xd");
  t->Keys("Tab Tab");
  const std::string in_folder = screen.substr(0, screen.size() - 1) + "xd/only.cpp";
  EXPECT_EQ(t->Await(in_folder), in_folder);
}

// Each prompt has a history of its own: Up in the pauser's editor never
// offers a source path, nor in the compiler's the pauser's; an answer comes
// back only as far as it was kept, in whole characters. The editors complete
// any file name.
TEST_F(Line_editor, KeepsAHistoryForEachPrompt) {
  const auto t = Start();
  ASSERT_TRUE(t->Started());
  ASSERT_EQ(t->Await(Shown(Main_page())), Shown(Main_page()));
  std::string pasted = "20000000";  // and a hundred characters of three bytes
  for (int i = 0; i < 100; ++i) pasted += "你";
  t->Paste(pasted + "\n");
  const std::string complaint = "输入不合法，请重新输入。";
  t->Await_containing(complaint);
  t->Keys("Up");
  // Ten bytes kept, the last character cut short: no more than the digits.
  const std::string recalled = t->Await_containing(complaint + "\n20000000");
  EXPECT_EQ(recalled.substr(recalled.size() - 9), "\n20000000") << recalled;
  t->Keys("Enter");
  t->Await_containing(complaint + "\n20000000\n" + complaint);

  const std::string ask = Shown(ASK_PATH);
  const std::string settings_page = Shown(Settings_page());
  const std::string pauser = CLS + "当前 ConsolePauser 路径：<空>\n请输入新 ConsolePauser 路径：\n";
  const std::string pauser_set = CLS + "当前 ConsolePauser 路径：hello.exe\n请输入新 ConsolePauser 路径：\n";
  const std::string compiler = CLS + "当前编译器路径：" + dir / "cc" + "\n请输入新编译器路径：\n";
  const std::string set = "\n设置成功！\n\n请按任意键继续. . .";
  const struct {
    std::string type, keys, screen;
  } steps[] = {
      {"1", "Enter", ask},
      {"hello.cpp", "Enter", Shown(ASK_PATH + "hello.cpp\n" + COMPILED)},
      {"", "0 Enter", Shown(ASK_PATH + "hello.cpp\n" + COMPILED + SKIPPED_RUN)},
      {"x", "", Shown(Main_page())},
      {"2", "Enter", settings_page},
      {"2", "Enter", Shown(pauser)},
      {"", "Up", Shown(pauser)},                     // not the source path
      {"hel", "Tab", Shown(pauser + "hello.")},  // the executable too
      {"exe", "Enter", Shown(pauser + "hello.exe" + set)},
      {"x", "", settings_page},
      {"1", "Enter", Shown(compiler)},
      {"", "Up", Shown(compiler)},  // not the pauser's path
      {"cc", "Enter", Shown(compiler + "cc" + set)},
      {"x", "", settings_page},
      {"2", "Enter", Shown(pauser_set)},
      {"", "Up", Shown(pauser_set + "hello.exe")},
  };
  for (const auto& step : steps) {
    if (!step.type.empty()) t->Type(step.type);
    if (!step.keys.empty()) t->Keys(step.keys);
    ASSERT_EQ(t->Await(step.screen), step.screen) << "after " << step.type << " " << step.keys;
  }
}

// A pasted line arrives at once, line break and all; an interrupt then ends
// Vorlix without saving and gives the terminal back as it was.
TEST_F(Line_editor, TakesAPastedLineAndEndsAtAnInterruptWithTheTerminalRestored) {
  const auto t = Start();
  ASSERT_TRUE(t->Started());
  t->Keys("1 Enter");
  ASSERT_EQ(t->Await(Shown(ASK_PATH)), Shown(ASK_PATH));
  t->Paste("目录/你好.cpp\n");
  const std::string compiled = Shown(ASK_PATH + "目录/你好.cpp\n" + COMPILED);
  ASSERT_EQ(t->Await(compiled), compiled);

  t->Type("1");
  t->Keys("C-c");
  EXPECT_EQ(Ended(), "130\n");
  EXPECT_EQ(t->Title(), "shell");
  const std::string modes = Read_file(dir / "modes");
  EXPECT_NE(modes.find(" icanon"), std::string::npos) << modes;
  EXPECT_NE(modes.find(" echo "), std::string::npos) << modes;
  EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), settings);
}

// Stopped at a prompt and continued, Vorlix goes on with the line: after
// bash's fg, and after a parent that first continues it in the background
// (bg), then in the foreground. In the background it leaves the terminal to
// the parent and waits, stopped by SIGTTIN as a read from there is, not by
// the SIGTTOU that setting its mode from there would bring; where SIGTTIN is
// ignored (tmux starts its panes so), it waits idle, not spinning.
TEST_F(Line_editor, GoesOnWithTheLineAfterAStop) {
  if (!Have("bash") || !Have("perl")) GTEST_SKIP() << "no bash or no perl";
  // The parent puts Vorlix in a process group of its own in the foreground
  // with SIGTTOU at its default and SIGTTIN as the first word says. At the
  // stop it takes the terminal back and continues Vorlix; then it notes the
  // next stop's signal, or whether Vorlix used CPU in a second ("idle" or
  // "busy"); then it gives the terminal back and continues it. ./stops
  // holds what it saw. ORPHAN: after that stop the parent leaves, so that
  // Vorlix's group is orphaned (the system continues it, and stops it no
  // more), and a process of its own notes whether Vorlix then idles.
  Write_file(dir / "jobs.pl",
             "use POSIX qw(:sys_wait_h setpgid tcsetpgrp);\n"
             "my $ttin = shift;\n"
             "my $orphan = $ttin eq 'ORPHAN';\n"
             "$SIG{TTOU} = 'IGNORE';\n"
             "my $pid = fork;\n"
             "if (!$pid) { setpgid(0, 0); tcsetpgrp(0, $$); $SIG{TTIN} = $orphan ? 'DEFAULT' : $ttin;"
             " $SIG{TTOU} = 'DEFAULT'; $SIG{HUP} = 'IGNORE' if $orphan; exec @ARGV; }\n"
             "sub ticks { open my $s, '<', \"/proc/$pid/stat\"; my @f = split ' ', (split /\\) /, <$s>)[1];"
             " $f[11] + $f[12] }\n"
             "sub idle { sleep 1; my $t = ticks(); sleep 1; ticks() - $t < 20 ? 'idle' : 'busy' }\n"
             "sub note { open my $f, '>', 'stops'; print $f \"@_\"; close $f; }\n"
             "sub stop { waitpid($pid, WUNTRACED); WIFSTOPPED(${^CHILD_ERROR_NATIVE}) ? WSTOPSIG(${^CHILD_ERROR_NATIVE}) : 'none' }\n"
             "my @seen = (stop());\n"
             "tcsetpgrp(0, getpgrp());\n"
             "kill CONT => -$pid;\n"
             "if ($orphan) { push @seen, stop(); if (!fork) { note(@seen, idle()); kill KILL => $pid; } exit; }\n"
             "push @seen, $ttin eq 'IGNORE' ? idle() : stop();\n"
             "tcsetpgrp(0, $pid);\n"
             "kill CONT => -$pid;\n"
             "note(@seen);\n"
             "waitpid($pid, 0);\n");
  const std::string tstp = std::to_string(SIGTSTP), ttin = std::to_string(SIGTTIN);
  const struct {
    std::string parent, stops;
  } cases[] = {
      {"bash", ""},
      {"DEFAULT", tstp + " " + ttin},
      {"IGNORE", tstp + " idle"},
      {"ORPHAN", tstp + " " + ttin + " idle"},
  };
  for (const auto& c : cases) {
    const bool bash = c.parent == "bash";
    std::filesystem::remove(dir / "compiled");
    std::filesystem::remove(dir / "hello.exe");
    std::filesystem::remove(dir / "stops");
    const std::string vorlix = Shell_word(Vorlix_binary());
    // The shell stays, and the terminal with it, after an orphaning parent.
    // Each row's server has a socket of its own: the last one may still be
    // going away.
    const Temp_dir socket;
    Tmux_session t(socket.path(), dir.path(),
                   bash ? "exec bash --norc --noprofile -i" : "perl jobs.pl " + c.parent + " " + vorlix + "; sleep 60");
    ASSERT_TRUE(t.Started());
    if (bash) {
      t.Type(vorlix);
      t.Keys("Enter");
    }
    ASSERT_EQ(t.Await(Shown(Main_page())), Shown(Main_page()));
    t.Keys("1 Enter");
    ASSERT_EQ(t.Await(Shown(ASK_PATH)), Shown(ASK_PATH));
    t.Type("hel");
    t.Keys("C-z");
    if (bash) {
      ASSERT_NE(t.Await_containing("Stopped").find("Stopped"), std::string::npos);
      t.Keys("fg Enter");
      // The rest of the line is typed once Vorlix has the terminal and its
      // own mode back, not while the shell's mode is still there.
      for (int i = 0; i < 500 && t.Foreground() == "bash"; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      t.Await_containing("# fg\n");
    } else {  // typed once the parent has brought Vorlix back and its mode is set
      for (int i = 0; i < 500 && Read_file(dir / "stops").empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      EXPECT_EQ(Read_file(dir / "stops"), c.stops);
      if (c.parent == "ORPHAN") continue;  // ended by the parent's process
      t.Await_containing("hel");
    }
    t.Keys("Tab Enter");
    const std::string screen = t.Await_containing("是否需要运行？（0/1）");
    EXPECT_EQ(Read_file(dir / "compiled"), "-O2 -g -o hello.exe hello.cpp\n") << c.parent << screen;
  }
}

}  // namespace
