#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

#include "harness.h"
#include "temp_dir.h"

namespace {

const std::string BAD_PATH = "路径无效或文件不合法！请重新输入。\n";
const std::string NO_EXE = "\n未找到对应程序的 exe 文件，自动为你编译。\n正在编译……\n";
const std::string COMPILED = "编译成功！\n\n是否需要运行？（0/1）\n";
const std::string DIRECT = "ConsolePauser 路径无效。即将直接启动程序。\n";
const std::string VIA_PAUSER = "正在通过 ConsolePauser 启动程序……\n";

// A compiler that records its arguments one a line in ./compiler-args, and
// the path it was started by in ./compiler-path, and writes, at the -o path,
// a program that says where it runs.
void Fake_compiler(const std::string& path) {
  Write_script(path,
               "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > compiler-args\n"
               "printf '%s\\n' \"$0\" > compiler-path\n"
               "while [ $# -gt 0 ]; do [ \"$1\" = -o ] && out=$2; shift; done\n"
               "printf '#!/bin/sh\\necho \"ran in $(pwd)\"\\n' > \"$out\" && chmod +x \"$out\"\n"
               "echo compiler done\n");
}

class Run_workflow : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake_compiler(dir / "fake g++");
    Write_file(dir / "a.cpp", "int main() {}\n");
    Settings(dir / "fake g++", "", "");
  }
  void Settings(const std::string& com, const std::string& con, const std::string& options) {
    Write_file(dir / "vorlix_data.sg", com + "\n" + con + "\n" + options);
  }
  std::string Ran() const { return "ran in " + dir.path() + "\n"; }
  Session Vorlix(const std::string& input) { return Run_vorlix(dir.path(), input); }

  Temp_dir dir;
};

TEST_F(Run_workflow, RefusesBadPathsWithoutRepeatingThePrompt) {
  Write_file(dir / "b.c", "");
  Write_file(dir / "b.cxx", "");
  Write_file(dir / "a.cp", "");
  std::filesystem::create_directory(dir / "d.cpp");
  const std::string bad[] = {
      "",           "a",          "cpp",       "missing.cpp", "d.cpp",       "b.c",
      "b.cxx",      "a.cp",       "a.cpp ",    " a.cpp",      "\"a.cpp\"",   "a.cpp\r",
      "src.old/main", std::string("a.cpp\0", 6), std::string("\0a.cpp", 6), "\xff\xfe.cpp",
      std::string(5000, 'x') + ".cpp",
  };
  std::string input = "1\n";
  for (const auto& line : bad) input += line + "\n";
  const Session s = Vorlix(input);
  std::string expected = Main_page() + ASK_PATH;
  for (std::size_t i = 0; i < std::size(bad); ++i) expected += BAD_PATH;
  EXPECT_EQ(s.out, expected);
  EXPECT_EQ(s.status, 1);
  EXPECT_FALSE(std::filesystem::exists(dir / "compiler-args"));
}

TEST_F(Run_workflow, CompilerGetsOptionsThenDebugOutputAndSource) {
  Write_file(dir / "A.CPP", "");
  Write_file(dir / ".cpp", "");
  std::filesystem::create_directory(dir / "中文 目录");
  const std::string odd = dir / "中文 目录/it's $(touch pwned) `touch pwned`;x.Cpp";
  Write_file(odd, "");
  const struct {
    std::string fpath, options, args;
  } cases[] = {
      {"a.cpp", "", "-g\n-o\na.exe\na.cpp\n"},
      {"A.CPP", "-std=c++17   -O2", "-std=c++17\n-O2\n-g\n-o\nA.exe\nA.CPP\n"},
      {".cpp", "-DMSG='a b' \"-DQ=x y\"", "-DMSG=a b\n-DQ=x y\n-g\n-o\n.exe\n.cpp\n"},
      {odd, "", "-g\n-o\n" + odd.substr(0, odd.size() - 4) + ".exe\n" + odd + "\n"},
  };
  for (const auto& c : cases) {
    Settings(dir / "fake g++", "", c.options);
    const Session s = Vorlix("1\n" + c.fpath + "\n1\n");
    EXPECT_EQ(s.out, Main_page() + ASK_PATH + NO_EXE + "compiler done\n" + COMPILED + DIRECT + Ran() +
                         STARTED + Main_page())
        << c.fpath;
    EXPECT_EQ(Read_file(dir / "compiler-args"), c.args);
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "pwned"));
  EXPECT_FALSE(std::filesystem::exists(dir / "中文 目录/pwned"));
}

// The options are shell text, the paths are not: a stray quote in the options
// makes the compile fail and can never run part of a file name.
TEST_F(Run_workflow, MistakeInTheOptionsOnlyFailsTheCompileWhateverTheSourceIsCalled) {
  const struct {
    std::string options, fpath;
  } cases[] = {
      {"-DX='", "$(touch CANARY)'.cpp"},
      {"-DX=\"", "$(touch CANARY)\".cpp"},
      {"-DX=`", "`touch CANARY`.cpp"},
      {"-DX=$(", ");touch CANARY;(.cpp"},
  };
  for (const auto& c : cases) {
    Write_file(dir / c.fpath, "");
    Settings(dir / "fake g++", "", c.options);
    const Session s = Vorlix("1\n" + c.fpath + "\n");
    EXPECT_EQ(s.out, Main_page() + ASK_PATH + NO_EXE + "编译失败！\n\n" + PAUSE + Main_page()) << c.fpath;
    EXPECT_FALSE(std::filesystem::exists(dir / "compiler-args")) << c.fpath;
  }
  EXPECT_FALSE(std::filesystem::exists(dir / "CANARY"));
}

TEST_F(Run_workflow, ExistingExecutableAsksWhetherToCompile) {
  const std::string ask = "\n是否需要编译？（0/1）\n";
  const std::string skip = "跳过编译。\n\n是否需要运行？（0/1）\n" + DIRECT + "ran in old\n" + STARTED;
  const std::string again = "正在编译……\ncompiler done\n" + COMPILED + DIRECT + Ran() + STARTED;
  const struct {
    std::string answers, after_question;
    bool compiled;
  } cases[] = {
      {"\n", skip, false},
      {"00\n", skip, false},
      {"2\n0\n", COMPLAINT + skip, false},
      {"01\n", again, true},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(dir / "compiler-args");
    Write_script(dir / "a.exe", "echo ran in old\n");
    const Session s = Vorlix("1\na.cpp\n" + c.answers + "1\n");
    EXPECT_EQ(s.out, Main_page() + ASK_PATH + ask + c.after_question + Main_page()) << c.answers;
    EXPECT_EQ(std::filesystem::exists(dir / "compiler-args"), c.compiled);
  }
}

TEST_F(Run_workflow, DirectoryAtTheExecutablePathCountsAsMissing) {
  std::filesystem::create_directory(dir / "a.exe");
  const Session s = Vorlix("1\na.cpp\n0\n");
  EXPECT_EQ(s.out, Main_page() + ASK_PATH + NO_EXE + "compiler done\n" + COMPILED + "跳过运行。\n\n" +
                       PAUSE + Main_page());
}

TEST_F(Run_workflow, BadCompilerPathIsRefusedBeforeAnythingElse) {
  Write_script(dir / "a.exe", "echo ran\n");
  std::filesystem::create_directory(dir / "dir");
  for (const std::string& com : {std::string(), dir / "dir", dir / "missing", "\"" + (dir / "fake g++") + "\""}) {
    Settings(com, "", "");
    const Session s = Vorlix("1\na.cpp\n");
    EXPECT_EQ(s.out, Main_page() + ASK_PATH + "\n编译器路径无效！请重新设置。\n\n" + PAUSE + Main_page()) << com;
  }
}

TEST_F(Run_workflow, FailedCompileReportsAfterTheCompilersOwnMessages) {
  // A compiler that fails, one killed by a signal, one interrupted, and one
  // that cannot run.
  const struct {
    std::string script, messages;
    bool executable;
  } cases[] = {
      {"echo 'a.cpp:1:1: error: expected unqualified-id'\nexit 1\n", "a.cpp:1:1: error: expected unqualified-id\n",
       true},
      {"echo dying\nkill -9 $$\n", "dying\n", true},
      {"echo stopped\nkill -INT $$\n", "stopped\n\n", true},  // after the terminal's "^C"
      // A stop is the terminal's job control, not Vorlix's to announce or end.
      {"echo paused\n(sleep 0.3; kill -CONT $$) &\nkill -STOP $$\nexit 1\n", "paused\n", true},
      {"exit 0\n", "", false},
  };
  for (const auto& c : cases) {
    Write_script(dir / "bad g++", c.script);
    if (!c.executable) chmod((dir / "bad g++").c_str(), 0644);
    Settings(dir / "bad g++", "", "");
    const Session s = Vorlix("1\na.cpp\n");
    EXPECT_EQ(s.out, Main_page() + ASK_PATH + NO_EXE + c.messages + "编译失败！\n\n" + PAUSE + Main_page())
        << c.script;
    EXPECT_EQ(s.err.find("暂停"), std::string::npos) << s.err;  // no notice of a stop
  }
}

TEST_F(Run_workflow, LaunchThroughPauserDirectlyOrNotAtAll) {
  Write_script(dir / "my pauser", "echo \"pauser runs $1 in $(pwd)\"\n\"./$1\"\n");
  Write_file(dir / "not executable", "");
  Write_script(dir / "no exe g++", "exit 0\n");
  const std::string pauser_ran = "pauser runs a.exe in " + dir.path() + "\n";
  const struct {
    std::string com, con, run_answer, launch;
  } cases[] = {
      {dir / "fake g++", dir / "my pauser", "1", VIA_PAUSER + pauser_ran + Ran() + STARTED},
      {dir / "fake g++", dir / "missing pauser", "1", DIRECT + Ran() + STARTED},
      {dir / "fake g++", "", "", "跳过运行。\n\n" + PAUSE},
      {dir / "fake g++", dir / "not executable", "1", VIA_PAUSER + NOT_STARTED},
      {dir / "no exe g++", "", "1", DIRECT + NOT_STARTED},
      {dir / "no exe g++", dir / "my pauser", "1", VIA_PAUSER + NOT_STARTED},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(dir / "a.exe");
    Settings(c.com, c.con, "");
    const bool fake = c.com == dir / "fake g++";
    const Session s = Vorlix("1\na.cpp\n" + c.run_answer + "\n");
    EXPECT_EQ(s.out, Main_page() + ASK_PATH + NO_EXE + (fake ? "compiler done\n" : "") + COMPILED +
                         c.launch + Main_page())
        << c.con;
  }
}

}  // namespace

namespace {

// `vorlix FILE`: the menu's checks, messages and launch without a question,
// then exit with what happened. The executable is compiled when it is
// missing or older than the source; the settings file is read, never written.
TEST_F(Run_workflow, OneSourceArgumentCompilesWhenNeededStartsAndExits) {
  Write_script(dir / "my pauser", "echo \"pauser runs $1\"\n\"./$1\"\n");
  Write_file(dir / "not executable", "");
  Write_file(dir / "not a program", "\x7f" "ELF?");
  chmod((dir / "not a program").c_str(), 0755);
  Write_script(dir / "bad g++", "echo 'a.cpp:1:1: error: expected unqualified-id'\nexit 1\n");
  Write_script(dir / "no exe g++", "exit 0\n");
  Write_file(dir / "b.c", "");
  std::filesystem::create_directory(dir / "d.cpp");
  const std::string fake = dir / "fake g++", missing = "未找到对应程序的 exe 文件，自动为你编译。\n";
  const std::string built = "正在编译……\ncompiler done\n编译成功！\n\n", ok = "启动成功！\n";
  const std::string refused = "路径无效或文件不合法！\n", failed = "启动失败！\n";
  const std::string skipped = "跳过编译。\n\n", reason = "无法启动 " + (dir / "not ");
  const int NONE = 1 << 30;
  std::filesystem::create_directory(dir / "bin");
  Fake_compiler(dir / "bin/g++");
  Session_options with_fake_gxx;
  with_fake_gxx.env = {"PATH=" + dir / "bin" + ":/usr/bin:/bin", "XDG_CACHE_HOME=" + dir / "cache"};
  const struct {
    int exe_age;  // a.exe's age in seconds less a.cpp's, or NONE
    std::string com, con, arg, out, err;
    int status;
  } cases[] = {
      {NONE, fake, "", "a.cpp", missing + built + DIRECT + Ran() + ok, "", 0},
      {-60, fake, "", "a.cpp", skipped + DIRECT + "ran in old\n" + ok, "", 0},
      {0, fake, "", dir / "a.cpp", skipped + DIRECT + "ran in old\n" + ok, "", 0},
      {60, fake, "", dir / "a.cpp", "exe 文件比源文件旧，自动为你编译。\n" + built + DIRECT + Ran() + ok, "", 0},
      {NONE, fake, dir / "my pauser", "a.cpp", missing + built + VIA_PAUSER + "pauser runs a.exe\n" + Ran() + ok, "", 0},
      {-60, fake, dir / "missing", "a.cpp", skipped + DIRECT + "ran in old\n" + ok, "", 0},
      {NONE, dir / "bad g++", "", "a.cpp",
       missing + "正在编译……\na.cpp:1:1: error: expected unqualified-id\n编译失败！\n\n", "", 1},
      {NONE, "", "", "a.cpp", missing + built + DIRECT + Ran() + ok, "", 0},  // g++ found on PATH
      {NONE, dir / "no exe g++", "", "a.cpp", missing + "正在编译……\n编译成功！\n\n" + DIRECT + failed,
       "无法启动 a.exe：程序文件不存在\n", 1},
      {-60, fake, dir / "not executable", "a.cpp", skipped + VIA_PAUSER + failed,
       reason + "executable：没有执行权限（Permission denied）\n", 1},
      {-60, fake, dir / "not a program", "a.cpp", skipped + VIA_PAUSER + failed,
       reason + "a program：不是可以运行的程序（Exec format error）\n", 1},
      {NONE, fake, "", "b.c", "", refused, 2},
      {NONE, fake, "", "missing.cpp", "", refused, 2},
      {NONE, fake, "", "d.cpp", "", refused, 2},
      {NONE, fake, "", "", "", refused, 2},
  };
  for (const auto& c : cases) {
    std::filesystem::remove(dir / "a.exe");
    std::filesystem::remove(dir / "compiler-args");
    std::filesystem::remove(dir / "vorlix_data.sg");
    std::filesystem::remove_all(dir / "cache");  // no build records across rows
    if (!c.com.empty()) Settings(c.com, c.con, "");
    const std::string settings = Read_file(dir / "vorlix_data.sg");
    if (c.exe_age != NONE) {
      Write_script(dir / "a.exe", "echo ran in old\n");
      const auto now = std::filesystem::file_time_type::clock::now();
      std::filesystem::last_write_time(dir / "a.cpp", now);
      std::filesystem::last_write_time(dir / "a.exe", now - std::chrono::seconds(c.exe_age));
    }
    const Session s = Run_program({Vorlix_binary(), c.arg}, dir.path(), "1\n1\n", with_fake_gxx);
    const std::string row = c.arg + " " + std::to_string(c.exe_age) + " " + c.com + " " + c.con;
    EXPECT_EQ(s.out, c.out) << row;
    EXPECT_EQ(s.err, c.err) << row;
    EXPECT_EQ(s.status, c.status) << row;
    EXPECT_EQ(std::filesystem::exists(dir / "compiler-args"), c.out.find("compiler done") != std::string::npos)
        << row;
    EXPECT_EQ(Read_file(dir / "vorlix_data.sg"), settings) << row;
    EXPECT_EQ(std::filesystem::exists(dir / "vorlix_data.sg"), !c.com.empty()) << row;
    if (c.com.empty()) {
      EXPECT_EQ(Read_file(dir / "compiler-path"), dir / "bin/g++\n") << row;
    }
  }
}

// An editor starts `vorlix FILE` in a folder of its own: the settings are
// looked for beside the source and above it, then in the config folder; a
// file that someone else could have put there is not read.
TEST_F(Run_workflow, OneSourceArgumentFindsTheSettingsBesideTheSourceOrInTheConfigFolder) {
  namespace fs = std::filesystem;
  fs::remove(dir / "vorlix_data.sg");  // the folder above the source's folder is the test's
  fs::create_directories(dir / "work");
  fs::create_directories(dir / "src/P1001");
  fs::create_directories(dir / "config/vorlix");
  // A PATH with what the fake compiler needs, and no g++.
  fs::create_directories(dir / "tools");
  fs::create_symlink("/bin/chmod", dir / "tools/chmod");
  Write_file(dir / "src/P1001/a.cpp", "int main() {}\n");
  const std::string good = dir / "fake g++", bad = dir / "missing g++", none = "";
  const std::string built = "未找到对应程序的 exe 文件，自动为你编译。\n正在编译……\ncompiler done\n编译成功！\n\n" +
                            DIRECT + "ran in " + (dir / "work") + "\n启动成功！\n";
  const std::string refused = "编译器路径无效！请重新设置。\n\n";
  const std::string nothing = "未找到设置文件 vorlix_data.sg，PATH 中也没有 g++。\n";
  const bool root = geteuid() == 0;
  const struct {
    std::string work, source, above, config;  // each folder's compiler, when it has a file
    mode_t above_mode;
    uid_t above_owner;
    std::string out, err;
  } cases[] = {
      {none, none, good, none, 0644, 0, built, ""},
      {none, good, bad, bad, 0644, 0, built, ""},  // the nearest one
      {none, none, none, good, 0644, 0, built, ""},
      {none, none, good, none, 0664, 0, refused, nothing},  // others may change it
      {none, none, good, bad, 0646, 0, refused, "所用的设置文件：" + (dir / "config/vorlix/vorlix_data.sg") + "\n"},
      {bad, good, good, good, 0644, 0, refused, "所用的设置文件：" + (dir / "work/vorlix_data.sg") + "\n"},
      {none, none, good, none, 0644, root ? 65534u : 0u, root ? refused : built, root ? nothing : ""},
      {none, none, none, none, 0644, 0, refused, nothing},
  };
  for (const auto& c : cases) {
    fs::remove(dir / "src/P1001/a.exe");
    const std::pair<std::string, std::string> files[] = {
        {"work", c.work}, {"src/P1001", c.source}, {"src", c.above}, {"config/vorlix", c.config}};
    for (const auto& [folder, com] : files) {
      fs::remove(dir / folder + "/vorlix_data.sg");
      if (!com.empty()) Write_file(dir / folder + "/vorlix_data.sg", com + "\n\n");
    }
    chmod((dir / "src/vorlix_data.sg").c_str(), c.above_mode);
    if (c.above_owner != 0) (void)!chown((dir / "src/vorlix_data.sg").c_str(), c.above_owner, c.above_owner);
    Session_options options;
    options.env = {"XDG_CONFIG_HOME=" + dir / "config", "PATH=" + dir / "tools"};
    const Session s = Run_program({Vorlix_binary(), dir / "src/P1001/a.cpp"}, dir / "work", "", options);
    const std::string row = c.work + "|" + c.source + "|" + c.above + "|" + c.config;
    EXPECT_EQ(s.out, c.out) << row;
    EXPECT_EQ(s.err, c.err) << row;
  }
}

// The compiler and the options that built an executable are kept; other ones
// rebuild it, as a newer source does. An executable with no record counts as
// built with today's settings.
TEST_F(Run_workflow, OneSourceArgumentRebuildsWhenTheCompilerOrOptionsChanged) {
  Fake_compiler(dir / "other g++");
  Session_options options;
  options.env = {"XDG_CACHE_HOME=" + dir / "cache"};
  const std::string built = "正在编译……\ncompiler done\n编译成功！\n\n" + DIRECT + Ran() + "启动成功！\n";
  const std::string skipped = "跳过编译。\n\n" + DIRECT + Ran() + "启动成功！\n";
  const std::string changed = "编译器或编译选项已改变，自动为你重新编译。\n" + built;
  const struct {
    std::string com, options;
    bool forget;  // the records removed first
    std::string out;
  } steps[] = {
      {"fake g++", "", false, "未找到对应程序的 exe 文件，自动为你编译。\n" + built},
      {"fake g++", "", false, skipped},
      {"fake g++", "-fsanitize=address,undefined", false, changed},
      {"fake g++", "-fsanitize=address,undefined", false, skipped},
      {"other g++", "-fsanitize=address,undefined", false, changed},
      {"other g++", "-O2", true, skipped},
      {"other g++", "-O2", false, skipped},
  };
  for (const auto& step : steps) {
    if (step.forget) std::filesystem::remove_all(dir / "cache/vorlix/builds");
    Settings(dir / step.com, "", step.options);
    const Session s = Run_program({Vorlix_binary(), "a.cpp"}, dir.path(), "", options);
    EXPECT_EQ(s.out, step.out) << step.com << " " << step.options;
  }
}

// The forms for editors and scripts write each message at once: nothing
// sleeps between bytes, as the menu's typed screens do.
TEST_F(Run_workflow, OneSourceArgumentWritesAtOnceWhereTheMenuTypes) {
  if (!std::filesystem::exists("/usr/bin/strace")) GTEST_SKIP() << "strace is not installed";
  Write_script(dir / "a.exe", "exit 0\n");
  const struct {
    std::vector<std::string> arguments;
    bool sleeps;
  } cases[] = {{{}, true}, {{"a.cpp"}, false}};
  for (const auto& c : cases) {
    std::vector<std::string> argv = {"/usr/bin/strace", "-o", dir / "trace", "-e",
                                     "trace=nanosleep,clock_nanosleep", Vorlix_binary()};
    argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
    Run_program(argv, dir.path(), "");
    EXPECT_EQ(Read_file(dir / "trace").find("nanosleep(") != std::string::npos, c.sleeps)
        << Read_file(dir / "trace");
  }
}

}  // namespace
