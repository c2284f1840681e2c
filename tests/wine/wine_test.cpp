// The Windows programs end to end under Wine, whose cmd.exe really runs cls,
// pause and title: vorlix.exe with scripted input in working directories whose
// names hold spaces and Chinese characters, a fake compiler and fake programs
// (fake_tool.cpp) that record what they were started with, and
// vorlix-pauser.exe. One Wine prefix serves the whole suite, because making
// one takes many seconds.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>
#include <thread>

#include "e2e/harness.h"
#include "e2e/tmux_session.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct World {
  std::string skip;     // why the suite cannot run here
  std::string failure;  // why setting up Wine failed
  std::unique_ptr<Temp_dir> root;
  std::string tools;    // the fake compiler and pausers and the save probe, in a directory with a space
  int dirs = 0;
};

World& The_world() {
  static World world;
  return world;
}

bool Executable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

int Shell(const std::string& command) { return std::system(command.c_str()); }

std::string Quote(const std::string& s) {
  std::string quoted = "'";
  for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// What Windows programs under Wine call a Linux path: drive Z: is the root.
std::string Win(const std::string& path) {
  std::string w = "Z:" + path;
  std::replace(w.begin(), w.end(), '/', '\\');
  return w;
}

class Wine_environment : public ::testing::Environment {
 public:
  void SetUp() override {
    World& w = The_world();
    const std::pair<std::string, std::string> needs[] = {
        {WINE_PROGRAM, "wine"},
        {WINESERVER_PROGRAM, "wineserver"},
        {MINGW_CXX, "MinGW-w64 g++"},
    };
    for (const auto& n : needs)
      if (!Executable(n.first)) w.skip += n.second + " not found; ";
    if (!fs::exists(VORLIX_BINARY) || !fs::exists(PAUSER_BINARY))
      w.skip += "the Windows programs are not built (the windows_cross_build test builds them); ";
    if (!w.skip.empty()) return;

    w.root = std::make_unique<Temp_dir>();
    const std::string prefix = *w.root / "prefix";
    w.tools = *w.root / "工具 箱";
    fs::create_directories(prefix);
    fs::create_directories(w.tools + "/vorlix pauser");
    setenv("WINEPREFIX", prefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    // No debugger on a crash: Wine's takes seconds to write its dump, which a
    // judge's wall-time limit would count; the exit code stays the exception's.
    setenv("WINEDLLOVERRIDES", "winedbg.exe=d", 1);
    setenv("LANG", "C.UTF-8", 1);
    // A server that outlives each program by half a minute keeps Wine's own
    // services running between the tests instead of restarting them.
    const std::string quiet = " >/dev/null 2>&1";
    std::thread boot([&] {
      if (Shell(Quote(WINESERVER_PROGRAM) + " -p30" + quiet) != 0 ||
          Shell(Quote(WINE_PROGRAM) + " wineboot -i" + quiet) != 0)
        w.failure += "wineboot failed; ";
    });
    if (Shell(Quote(MINGW_CXX) + " -O1 -static -o " + Quote(w.tools + "/compiler.exe") + " " +
              Quote(FAKE_TOOL_SOURCE) + " -lshell32") != 0)
      w.failure += "building the fake compiler failed; ";
    const std::string libraries = std::string(WINDOWS_BUILD) + "/libvorlix_";
    if (Shell(Quote(MINGW_CXX) + " -O1 -static -I " + Quote(VORLIX_SOURCES) + " -o " +
              Quote(w.tools + "/seam_probe.exe") + " " + Quote(SEAM_PROBE_SOURCE) + " " +
              Quote(libraries + "platform.a") + " " + Quote(libraries + "pure.a") + " -lshell32") != 0)
      w.failure += "building the seam probe failed; ";
    boot.join();
    fs::copy_file(PAUSER_BINARY, w.tools + "/vorlix pauser/vorlix-pauser.exe");
  }

  void TearDown() override {
    if (The_world().root) Shell(Quote(WINESERVER_PROGRAM) + " -k >/dev/null 2>&1");
    The_world().root.reset();
  }
};

const auto* const ENVIRONMENT = ::testing::AddGlobalTestEnvironment(new Wine_environment);

// Waits up to twenty seconds for `path`, written by a program that Vorlix
// started and did not wait for, to hold `lines` lines.
std::string Await_lines(const std::string& path, long lines) {
  std::string s;
  for (int i = 0; i < 200; ++i) {
    s = Read_file(path);
    if (std::count(s.begin(), s.end(), '\n') >= lines) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return s;
}

// The names in `dir` and its subdirectories, sorted.
std::vector<std::string> Listing(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir))
    names.push_back(fs::relative(e.path(), dir).string());
  std::sort(names.begin(), names.end());
  return names;
}

class Wine : public ::testing::Test {
 protected:
  void SetUp() override {
    const World& w = The_world();
    if (!w.skip.empty()) GTEST_SKIP() << "Wine tests skipped: " << w.skip;
    ASSERT_EQ(w.failure, "");
    tools = w.tools;
    com = Win(tools + "/compiler.exe");
    Start_afresh();
  }

  // A new working directory, named with a space and Chinese, and no compiles
  // recorded yet.
  void Start_afresh() {
    fs::remove(tools + "/compiler.log");
    work = *The_world().root / ("工作 目录 " + std::to_string(++The_world().dirs));
    fs::create_directories(work + "/代码 目录");
  }

  // Writes the source `file` (relative to the working directory) and returns
  // the path typed for it, `typed`, with a leading "@" standing for the
  // working directory.
  std::string Source(const std::string& typed, const std::string& file) {
    Write_file(work + "/" + file, "int main() {}\n");
    return typed[0] == '@' ? Win(work) + typed.substr(1) : typed;
  }

  Session Run_windows(const std::vector<std::string>& argv, const std::string& input,
                      const std::vector<std::string>& env = {}, const std::string& prelude = "") {
    std::vector<std::string> command = {WINE_PROGRAM};
    command.insert(command.end(), argv.begin(), argv.end());
    Session_options options;
    options.env = env;
    options.timeout_seconds = 60;
    options.prelude = prelude;
    Session s = Run_program(command, work, input, options);
    EXPECT_FALSE(s.timed_out);
    return s;
  }

  Session Vorlix(const std::string& input) { return Run_windows({VORLIX_BINARY}, input); }

  // The three settings, as a previous save on Windows left them.
  void Settings(const std::string& com_path, const std::string& con_path,
                const std::string& options) {
    Write_file(work + "/vorlix_data.sg", com_path + "\r\n" + con_path + "\r\n" + options);
  }

  std::string Compiler_log() { return Read_file(tools + "/compiler.log"); }

  // The attributes cmd's attrib shows for a file, such as "A   H".
  std::string Attributes(const std::string& path) {
    const Session s = Run_windows({"cmd", "/c", "attrib", Win(path)}, "");
    const auto at = s.out.find("Z:\\");
    return at == std::string::npos ? "" : s.out.substr(0, at);
  }

  std::string tools, com, work;
};

// Compiled with the worked example's arguments, started directly and through
// a pauser at a path with a space, whatever the source's name holds: the
// compiler and the pauser receive every path exactly, the program runs in
// Vorlix's working directory, and no part of a name ever runs as a command
// (nothing else appears in the working directory).
TEST_F(Wine, SourcesOfAnyNameCompileAndStartDirectlyAndThroughThePauser) {
  const struct {
    std::string typed, file;
  } sources[] = {
      {"代码 目录\\程序 1.cpp", "代码 目录/程序 1.cpp"},
      {"@\\代码 目录\\程序 2.cpp", "代码 目录/程序 2.cpp"},
      {"a&b.cpp", "a&b.cpp"},
      {"a%OS%b.cpp", "a%OS%b.cpp"},
      {"c^d(e)!f;g,h.cpp", "c^d(e)!f;g,h.cpp"},
      {"a&mkdir PWNED.cpp", "a&mkdir PWNED.cpp"},
  };
  for (const auto& source : sources) {
    Start_afresh();
    SCOPED_TRACE(source.typed);
    const std::string fpath = Source(source.typed, source.file);
    const std::string& file = source.file;
    const std::string epath = fpath.substr(0, fpath.size() - 4) + ".exe";
    const std::string cwd = "cwd: " + Win(work) + "\n";

    Settings(com, "", "-std=c++17 -O2");
    Session s = Vorlix("1\n" + fpath + "\n1\n");
    EXPECT_NE(s.out.find("正在编译……\r\n编译成功！\r\n"), std::string::npos) << s.out;
    EXPECT_NE(s.out.find("即将直接启动程序。\r\n启动成功！\r\n"), std::string::npos) << s.out;
    const std::string compiled = com + "\n-std=c++17\n-O2\n-g\n-o\n" + epath + "\n" + fpath + "\n--\n";
    EXPECT_EQ(Compiler_log(), compiled);
    const std::string direct = "arg: " + epath + "\n" + cwd;
    EXPECT_EQ(Await_lines(work + "/program.log", 2), direct);

    const std::string pauser = Win(tools + "/暂停 器.exe");
    fs::copy_file(tools + "/compiler.exe", tools + "/暂停 器.exe", fs::copy_options::skip_existing);
    Settings(com, pauser, "-std=c++17 -O2");
    s = Vorlix("1\n" + fpath + "\n0\n1\n");
    EXPECT_NE(s.out.find("跳过编译。\r\n"), std::string::npos) << s.out;
    EXPECT_NE(s.out.find("正在通过 ConsolePauser 启动程序……\r\n启动成功！\r\n"), std::string::npos);
    EXPECT_EQ(Compiler_log(), compiled);
    EXPECT_EQ(Await_lines(work + "/program.log", 5),
              direct + "arg: " + pauser + "\narg: " + epath + "\n" + cwd);

    std::vector<std::string> expected = {"program.log", "vorlix_data.sg", "代码 目录"};
    const std::string built = file.substr(0, file.size() - 4) + ".exe";
    expected.insert(expected.end(), {file, built});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Listing(work), expected);
  }
}

// vorlix-pauser.exe, set as the pauser at a path with a space, runs the
// program, whatever its name holds, in Vorlix's working directory; a bare name
// is the file there.
TEST_F(Wine, ThePauserRunsTheProgramInTheWorkingDirectory) {
  const struct {
    std::string fpath, file, started_as;
  } cases[] = {
      {"代码 目录\\程序 3.cpp", "代码 目录/程序 3.cpp", "代码 目录\\程序 3.exe"},
      {"程序.cpp", "程序.cpp", ".\\程序.exe"},
      {"a%OS%b&c^d(e)!f;g,h.cpp", "a%OS%b&c^d(e)!f;g,h.cpp", ".\\a%OS%b&c^d(e)!f;g,h.exe"},
  };
  for (const auto& c : cases) {
    Start_afresh();
    SCOPED_TRACE(c.fpath);
    const std::string fpath = Source(c.fpath, c.file);
    Settings(com, Win(tools + "/vorlix pauser/vorlix-pauser.exe"), "");
    const Session s = Vorlix("1\n" + fpath + "\n1\n");
    EXPECT_NE(s.out.find("正在通过 ConsolePauser 启动程序……\r\n启动成功！\r\n"), std::string::npos);
    EXPECT_EQ(Await_lines(work + "/program.log", 2),
              "arg: " + c.started_as + "\ncwd: " + Win(work) + "\n");
  }
}

// A compiler or pauser path without a slash is the file in the working
// directory, not one that Windows' own search would find first beside
// vorlix.exe (here a decoy compiler and the real pauser, which would start
// the program itself).
TEST_F(Wine, BareNamesAreFilesInTheWorkingDirectory) {
  const std::string app = work + "/应用 目录";
  fs::create_directories(app);
  fs::copy_file(VORLIX_BINARY, app + "/vorlix.exe");
  fs::copy_file(tools + "/compiler.exe", app + "/compiler.exe");
  fs::copy_file(PAUSER_BINARY, app + "/暂停.exe");
  fs::copy_file(tools + "/compiler.exe", work + "/compiler.exe");
  fs::copy_file(tools + "/compiler.exe", work + "/暂停.exe");
  Settings("compiler.exe", "暂停.exe", "");
  const Session s = Run_windows({app + "/vorlix.exe"}, "1\n" + Source("a.cpp", "a.cpp") + "\n1\n");
  EXPECT_NE(s.out.find("启动成功！"), std::string::npos) << s.out;
  EXPECT_EQ(Read_file(work + "/compiler.log"), "compiler.exe\n-g\n-o\na.exe\na.cpp\n--\n");
  EXPECT_EQ(Await_lines(work + "/program.log", 3),
            "arg: 暂停.exe\narg: a.exe\ncwd: " + Win(work) + "\n");
  EXPECT_FALSE(fs::exists(app + "/compiler.log"));
}

TEST_F(Wine, AFailedCompileIsReportedAndNothingStarts) {
  Settings(com, "", "-exit=1");
  const Session s = Vorlix("1\n" + Source("代码 目录\\程序 4.cpp", "代码 目录/程序 4.cpp") + "\n1\n");
  EXPECT_NE(s.out.find("正在编译……\r\n编译失败！\r\n\r\n"), std::string::npos) << s.out;
  EXPECT_EQ(s.err, "compiler.exe: error: exit 1\r\n");  // the compiler's messages reach the user
  EXPECT_EQ(s.out.find("是否需要运行"), std::string::npos);
  EXPECT_EQ(Compiler_log(),
            com + "\n-exit=1\n-g\n-o\n代码 目录\\程序 4.exe\n代码 目录\\程序 4.cpp\n--\n");
  EXPECT_FALSE(fs::exists(work + "/代码 目录/程序 4.exe"));
}

// Each save writes the three values with CR LF and hides the file; the second
// save replaces the hidden file of the first.
TEST_F(Wine, EverySaveLeavesTheSettingsFileHidden) {
  const struct {
    std::string input, file;
  } saves[] = {
      {"2\n1\nC:\\编译 器\\g++.exe\n2\nD:\\p.exe\n3\n-O2\n5\n3\n", "C:\\编译 器\\g++.exe\r\nD:\\p.exe\r\n-O2"},
      {"2\n3\n-std=c++17 -Wall\n5\n3\n", "C:\\编译 器\\g++.exe\r\nD:\\p.exe\r\n-std=c++17 -Wall"},
  };
  const std::string file = work + "/vorlix_data.sg";
  for (const auto& save : saves) {
    const Session s = Vorlix(save.input);
    EXPECT_EQ(s.status, 0) << s.out;
    EXPECT_EQ(Read_file(file), save.file);
    EXPECT_NE(Attributes(file).find('H'), std::string::npos) << Attributes(file);
  }
}

// Run by hand, the pauser reports the program's return value, an exception
// code in hex as well, and exits with it (Wine keeps its low byte for Linux);
// the program's path, Chinese with a space, and its arguments arrive intact,
// however they hold blanks, quotes and backslashes. Its figures: the CPU time
// within what the program did, the peak working set too or, where the system
// cannot tell it, left out, never 0. (Wine 8 clears an ended process's memory
// counters, and its CPU time of another process stops at that process's
// start-up, so no busy loop is measured here.)
TEST_F(Wine, ThePauserReportsTheReturnValue) {
  const struct {
    std::string exit, shown;
    int status;
    std::string work;
    double seconds_min, cpu_max, peak_min;
  } cases[] = {
      // Wine's start-up alone takes 0.04 s of CPU, more on a busy machine;
      // a sleep counted as CPU time would show 0.5.
      {"7", "返回值 7\r\n", 7, "FAKE_PROGRAM_SLEEP_MS=500", 0.5, 0.45, 0.1},
      {"0xC0000005", "返回值 3221225477 (0xC0000005，访问越界)\r\n", 5, "FAKE_PROGRAM_MIB=64", 0, 10, 64},
  };
  const std::string program = tools + "/七号 程序.exe";
  fs::copy_file(tools + "/compiler.exe", program, fs::copy_options::skip_existing);
  const std::vector<std::string> args = {"a b", "a\"b", "a\\", "a\\\"", "", "C:\\dir\\",
                                         "C:\\my dir\\", "a\tb", "中文 参数", "&|<>^%!"};
  std::string passed = "arg: " + Win(program) + "\n";
  for (const auto& a : args) passed += "arg: " + a + "\n";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.exit);
    fs::remove(work + "/program.log");
    std::vector<std::string> argv = {PAUSER_BINARY, Win(program)};
    argv.insert(argv.end(), args.begin(), args.end());
    const Session s = Run_windows(argv, "", {"FAKE_PROGRAM_EXIT=" + c.exit, c.work});
    const std::regex report("\r\n-{32}\r\n进程已退出，用时 ([0-9]+\\.[0-9]{4}) 秒，CPU 时间 ([0-9]+\\.[0-9]{4}) 秒，"
                            "(内存峰值 ([0-9]+\\.[0-9]) MiB，)?");
    std::smatch figures;
    ASSERT_TRUE(std::regex_search(s.out, figures, report)) << s.out;
    EXPECT_EQ(figures.suffix().str().substr(0, c.shown.size()), c.shown) << s.out;
    EXPECT_GE(std::stod(figures[1]), c.seconds_min);
    EXPECT_LE(std::stod(figures[2]), c.cpu_max);
    if (figures[4].matched) {
      EXPECT_TRUE(std::stod(figures[4]) >= c.peak_min && std::stod(figures[4]) < 80);
    }
    EXPECT_EQ(s.status, c.status);
    EXPECT_EQ(Read_file(work + "/program.log"), passed + "cwd: " + Win(work) + "\n");
  }
}

// vorlix.exe FILE, as an editor's run command gives it: a full path with a
// space and Chinese, compiled when there is no executable, then started, with
// no question, no key wait, and the settings file left as it was.
TEST_F(Wine, OneSourceArgumentCompilesAndStartsWithoutAQuestion) {
  fs::create_directories(work + "/中文 目录");
  const std::string fpath = Source("@\\中文 目录\\a.cpp", "中文 目录/a.cpp");
  const std::string epath = fpath.substr(0, fpath.size() - 4) + ".exe";
  Settings(com, "", "-O2");
  const std::string settings = Read_file(work + "/vorlix_data.sg");
  const std::string start = "\r\nConsolePauser 路径无效。即将直接启动程序。\r\n启动成功！\r\n";
  const std::string runs[] = {
      "未找到对应程序的 exe 文件，自动为你编译。\r\n正在编译……\r\n编译成功！\r\n" + start,
      "跳过编译。\r\n" + start,
  };
  for (const auto& out : runs) {
    fs::remove(work + "/program.log");
    const Session s = Run_windows({VORLIX_BINARY, fpath}, "");
    EXPECT_EQ(s.out, out);
    EXPECT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(Compiler_log(), com + "\n-O2\n-g\n-o\n" + epath + "\n" + fpath + "\n--\n");
    EXPECT_EQ(Await_lines(work + "/program.log", 2), "arg: " + epath + "\ncwd: " + Win(work) + "\n");
  }
  EXPECT_EQ(Read_file(work + "/vorlix_data.sg"), settings);
}

// vorlix.exe FILE exits as soon as the program has started, while the header
// that its compile lacked is still being precompiled (the fake compiler takes
// three seconds for a .gch): the build, a process of its own, carries on and
// leaves a whole entry in the cache under LOCALAPPDATA (a path with a space
// and Chinese), its compiler given the user's options as the compile was, and
// no temporary. The harness's VORLIX_PCH=0 is taken away. LOCALAPPDATA is on
// drive C: Wine shows a folder under /tmp as one that everyone may change
// (it knows no sticky bit), where the cache is rightly not used.
TEST_F(Wine, TheCacheEntryIsBuiltWholeAfterVorlixHasExited) {
  const std::string local = std::string(std::getenv("WINEPREFIX")) + "/drive_c/本地 数据";
  const std::string pch = local + "/Vorlix/pch";
  fs::remove_all(local);
  fs::create_directories(local);
  Write_file(work + "/a.cpp", "// 头文件\n#include <bits/stdc++.h>\nint main() {}\n");
  const std::string fpath = Win(work) + "\\a.cpp", epath = Win(work) + "\\a.exe";
  Settings(com, "", "-O2 \"-DN=a b\"");
  // Wine sets LOCALAPPDATA from its registry: cmd sets it for vorlix.exe.
  // Wine hands its standard error down to every process, the build's too, so
  // it goes to a file, and the session ends when vorlix.exe does.
  const Session s = Run_windows(
      {"cmd", "/c", "set", "LOCALAPPDATA=C:\\本地 数据", "&&", Win(VORLIX_BINARY), fpath}, "",
      {"VORLIX_PCH"}, "exec 2>" + Quote(work + "/err.txt"));
  EXPECT_EQ(s.out, "未找到对应程序的 exe 文件，自动为你编译。\r\n正在编译……\r\n编译成功！\r\n"
                   "\r\nConsolePauser 路径无效。即将直接启动程序。\r\n启动成功！\r\n");
  EXPECT_EQ(s.status, 0);
  EXPECT_EQ(Read_file(work + "/err.txt"), "");
  const auto names = [&] {
    std::vector<std::string> top;
    std::error_code ec;
    for (fs::directory_iterator it(pch, ec), end; !ec && it != end; it.increment(ec))
      top.push_back(it->path().filename().string());
    return top;
  };
  // The build starts after vorlix.exe has gone, and takes three seconds.
  std::vector<std::string> building = names();
  for (int i = 0; i < 400 && building.empty(); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    building = names();
  }
  ASSERT_EQ(building.size(), 1u);
  ASSERT_TRUE(std::regex_match(building[0], std::regex("[0-9a-f]{16}\\.[0-9a-f]{16}\\.tmp")))
      << building[0];
  const std::string key = building[0].substr(0, 16);
  for (int i = 0; i < 600 && names() != std::vector<std::string>{key}; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_EQ(Listing(pch), (std::vector<std::string>{key, key + "/bits", key + "/bits/stdc++.h.gch",
                                                    key + "/record"}));
  const std::string gch = pch + "/" + key + "/bits/stdc++.h.gch";
  const std::string size = std::to_string(fs::file_size(gch)) + " ";
  EXPECT_EQ(Read_file(pch + "/" + key + "/record").substr(0, size.size()), size);
  const std::string words = com + "\n-O2\n-DN=a b\n-g\n";
  const std::string temporary = "C:\\本地 数据\\Vorlix\\pch\\" + building[0] + "\\";
  EXPECT_EQ(Compiler_log(), words + "-o\n" + epath + "\n" + fpath + "\n--\n" + words +
                                "-v\n-x\nc++-header\n-MD\n-MF\n" + temporary + "made-from.d\n-MT\n"
                                "entry\n-o\n" + temporary + "bits\\stdc++.h.gch\n" +
                                temporary + "stdcpp.h\n--\n" + words +
                                "-fsyntax-only\n-Winvalid-pch\n-Werror=invalid-pch\n" + temporary +
                                "check.cpp\n--\n");
  EXPECT_EQ(Await_lines(work + "/program.log", 2), "arg: " + epath + "\ncwd: " + Win(work) + "\n");
}

// The header cache trusts a folder only when nobody but the user and the
// system can change it or any folder above it (seam_probe.cpp asks the seam
// itself). Wine shows a Unix folder or file that others may write as one
// whose access list lets everyone change it, whatever the sticky bit says,
// and a link as a reparse point; the group's bits it leaves out.
TEST_F(Wine, OnlyWhatNobodyElseCanChangeCountsAsClosed) {
  const std::string top = std::string(std::getenv("WINEPREFIX")) + "/drive_c/缓存 检查";
  const struct {
    std::string name;
    char kind;  // d: a folder, f: a file, l: a link to 私有, -: nothing
    fs::perms mode;
    std::string answer;
  } cases[] = {
      {"私有", 'd', fs::perms(0755), "closed"},     {"私有/里面", 'd', fs::perms(0700), "closed"},
      {"私有/文件", 'f', fs::perms(0644), "closed"}, {"私有/组可写", 'd', fs::perms(0775), "closed"},
      {"私有/人人可写", 'f', fs::perms(0666), "open"}, {"公开", 'd', fs::perms(0777), "open"},
      {"公开/里面", 'd', fs::perms(0700), "open"},   {"粘滞", 'd', fs::perms(01777), "open"},
      {"链接", 'l', fs::perms::none, "open"},        {"没有", '-', fs::perms::none, "open"},
  };
  fs::remove_all(top);
  fs::create_directories(top);
  std::vector<std::string> argv = {tools + "/seam_probe.exe", "closed"};
  std::string answers;
  for (const auto& c : cases) {
    const std::string path = top + "/" + c.name;
    if (c.kind == 'd') fs::create_directory(path);
    if (c.kind == 'f') Write_file(path, "x");
    if (c.kind == 'l') fs::create_directory_symlink(top + "/私有", path);
    if (c.kind == 'd' || c.kind == 'f') fs::permissions(path, c.mode);
    std::string name = c.name;
    std::replace(name.begin(), name.end(), '/', '\\');
    argv.push_back("C:\\缓存 检查\\" + name);
    answers += c.answer + "\r\n";
  }
  const Session s = Run_windows(argv, "");
  EXPECT_EQ(s.status, 0) << s.err;
  EXPECT_EQ(s.out, answers);
  fs::permissions(top + "/公开", fs::perms::owner_all);  // for the removal
  fs::remove_all(top);
}

// A batch file set as the compiler or the pauser would be run by the command
// interpreter, which reads the paths as commands: it is refused, the compile
// or the start fails, and nothing runs, however its path is spelled (what
// follows "|" is written after the file's path). A compiler that cannot be
// started says why, in the system's words after the path.
TEST_F(Wine, ACompilerOrPauserThatCannotBeStartedSafelyFails) {
  const struct {
    std::string compiler, pauser, answers, shown, err;  // "@": the compiler's path, "#": the pauser's
    bool whole_err;
  } cases[] = {
      {"编 译.cmd", "", "", "正在编译……\r\n编译失败！\r\n",
       "编译器不能是批处理文件（.bat 或 .cmd）：@\r\n", true},
      {"g++.Bat", "", "", "正在编译……\r\n编译失败！\r\n",
       "编译器不能是批处理文件（.bat 或 .cmd）：@\r\n", true},
      {"compiler.exe", "暂停 器.BAT", "0\n1\n", "启动失败！\r\n",
       "ConsolePauser 不能是批处理文件（.bat 或 .cmd）：#\r\n", true},
      {"g++.bat|\\x\\..", "", "", "正在编译……\r\n编译失败！\r\n",
       "编译器不能是批处理文件（.bat 或 .cmd）：@\r\n", true},
      {"g++.bat|/.", "", "", "正在编译……\r\n编译失败！\r\n",
       "编译器不能是批处理文件（.bat 或 .cmd）：@\r\n", true},
      {"compiler.exe", "暂停 器.bat|\\.", "0\n1\n", "启动失败！\r\n",
       "ConsolePauser 不能是批处理文件（.bat 或 .cmd）：#\r\n", true},
      {"坏 的.exe", "", "", "正在编译……\r\n编译失败！\r\n", "无法启动编译器 @：", false},
  };
  // Each file here would leave a directory behind if it ran.
  const std::string batch = "@mkdir RAN\r\n";
  for (const auto& c : cases) {
    Start_afresh();
    SCOPED_TRACE(c.compiler + " " + c.pauser);
    const std::string fpath = Source("a&b.cpp", "a&b.cpp");
    // Writes the file and returns the path as spelled.
    const auto place = [&](const std::string& name) {
      const auto bar = name.find('|');
      Write_file(work + "/" + name.substr(0, bar), batch);
      return Win(work + "/" + name.substr(0, bar)) + (bar == name.npos ? "" : name.substr(bar + 1));
    };
    const std::string compiler = place(c.compiler);
    const std::string pauser = c.pauser.empty() ? "" : place(c.pauser);
    if (!c.answers.empty()) fs::copy_file(tools + "/compiler.exe", work + "/a&b.exe");
    Settings(compiler, pauser, "");
    const std::vector<std::string> before = Listing(work);

    const Session s = Vorlix("1\n" + fpath + "\n" + c.answers);
    EXPECT_NE(s.out.find(c.shown), std::string::npos) << s.out;
    std::string err = c.err;
    if (err.find('@') != std::string::npos) err.replace(err.find('@'), 1, compiler);
    if (err.find('#') != std::string::npos) err.replace(err.find('#'), 1, pauser);
    if (c.whole_err) {
      EXPECT_EQ(s.err, err);
    } else {
      EXPECT_EQ(s.err.substr(0, err.size()), err);
      EXPECT_GT(s.err.size(), err.size() + 2) << s.err;  // more than the line break
    }
    // A wrongly started pauser would not be waited for.
    if (!c.pauser.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(Listing(work), before);
  }
}

// The save itself (seam_probe.cpp), at full paths in a folder named in
// Chinese, opened by their UTF-16 names: the file is written with CR LF and
// hidden; the temporaries that killed saves left are removed, and nothing
// else, not even the temporary of a save still running; a save that fails
// says why in the system's words and leaves no temporary behind. Names
// planted beforehand are removed (`left`) or kept (`kept`; "/": a folder).
TEST_F(Wine, TheSaveRemovesOnlyLeftoversAndSaysWhyItFailed) {
  const std::string temporary = "vorlix_data.sg.0123456789abcdef.tmp";
  const struct {
    std::string target, held, report;
    std::vector<std::string> left, kept;
  } cases[] = {
      {"vorlix_data.sg", "", "saved\r\n", {temporary, "vorlix_data.sg.fedcba9876543210.tmp"},
       {"vorlix_data.sg.0123456789ABCDEF.tmp", "vorlix_data.sg.0123.tmp", "vorlix_data.sg.tmp",
        "其他.sg.0123456789abcdef.tmp", "vorlix_data.sg.aaaaaaaaaaaaaaaa.tmp/"}},
      {"vorlix_data.sg", temporary, "saved\r\nheld kept\r\n", {}, {}},
      {"没有 目录\\vorlix_data.sg", "", "failed: ", {}, {}},
      {"vorlix_data.sg", "", "failed: ", {}, {"vorlix_data.sg/"}},
  };
  for (const auto& c : cases) {
    Start_afresh();
    SCOPED_TRACE(c.target + " " + c.held);
    work += "/设置 目录";
    fs::create_directories(work);
    std::vector<std::string> listing;
    for (const auto& name : c.left) Write_file(work + "/" + name, "C:\\killed.exe\r\n");
    for (const auto& name : c.kept) {
      const bool folder = name.back() == '/';
      listing.push_back(folder ? name.substr(0, name.size() - 1) : name);
      folder ? (void)fs::create_directory(work + "/" + name) : Write_file(work + "/" + name, "x");
    }
    const bool saved = c.report.substr(0, 5) == "saved";
    if (saved) listing.push_back("vorlix_data.sg");
    if (!c.held.empty()) listing.push_back(c.held);
    std::sort(listing.begin(), listing.end());

    std::vector<std::string> argv = {tools + "/seam_probe.exe", "save", Win(work) + "\\" + c.target};
    if (!c.held.empty()) argv.push_back(Win(work) + "\\" + c.held);
    const Session s = Run_windows(argv, "");
    EXPECT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(s.out.substr(0, c.report.size()), c.report);
    if (saved) {
      EXPECT_EQ(Read_file(work + "/vorlix_data.sg"), "C:\\编译 器\\g++.exe\r\n\r\n-O2");
      EXPECT_NE(Attributes(work + "/vorlix_data.sg").find('H'), std::string::npos);
    } else {
      // The system's words, not a bare number.
      EXPECT_GT(s.out.size(), c.report.size() + 3) << s.out;
      EXPECT_EQ(s.out.find("error "), std::string::npos) << s.out;
    }
    EXPECT_EQ(Listing(work), listing);
  }
}

// On a real console (Wine's, in a tmux terminal) every text of both programs
// reads as Chinese, although typed output writes it a byte at a time; a line
// typed in Chinese is saved as UTF-8; a single key ends each pause. Each step:
// the keys sent (tmux's names), the text typed, and what the screen then
// holds, in that order.
TEST_F(Wine, TheConsoleShowsBothProgramsTextsAsTyped) {
  struct Step {
    std::string keys, typed;
    std::vector<std::string> shown;
  };
  const std::string rule = std::string(100, '-');
  const std::vector<std::string> main_page = {"Vorlix\n" + rule + "\n1. 运行代码\n2. 设置\n3. 保存并退出"};
  const std::vector<std::string> settings_page = {
      "Vorlix -- 设置\n" + rule + "\n1. 修改编译器（g++.exe）路径\n2. 修改 ConsolePauser 路径\n"
      "3. 修改编译选项\n4. 程序信息\n5. 返回"};
  const std::string path = "C:\\编译 器\\g++.exe";
  const std::string program = tools + "/七号 程序.exe";
  fs::copy_file(tools + "/compiler.exe", program, fs::copy_options::skip_existing);
  // After its steps each program is left to end: Vorlix after the farewell's
  // delay, the pauser at a key; `saved`: the settings file then.
  const struct {
    std::vector<std::string> argv;
    std::vector<Step> steps;
    std::string last_key, exit, saved;
  } runs[] = {
      {{VORLIX_BINARY},
       {{"", "", main_page},
        {"2 Enter", "", settings_page},
        {"4 Enter", "",
         {"作者：Vorlix 团队（https://example.org/vorlix）\n介绍：超轻量 Vorlix\n版本：Alpha 1.0\n"
          "发布时间：2025/10/3\n"}},
        {"x", "", settings_page},
        {"1 Enter", "", {"当前编译器路径：<空>\n请输入新编译器路径："}},
        {"", path, {"请输入新编译器路径：\n" + path}},
        {"Enter", "", {path + "\n设置成功！\n"}},
        {"x", "", settings_page},
        {"5 Enter", "", main_page},
        {"3 Enter", "", {"将在 3s 内退出……"}}},
       "", "[exit 0]", path + "\r\n\r\n"},
      {{PAUSER_BINARY, Win(program)},
       {{"", "", {"\n" + std::string(32, '-') + "\n进程已退出，用时 ", " 秒，", "返回值 7\n"}}},
       "x", "[exit 7]", ""},
  };
  for (const auto& run : runs) {
    SCOPED_TRACE(run.argv[0]);
    Start_afresh();
    std::string command = Shell_word(WINE_PROGRAM);
    for (const auto& a : run.argv) command += " " + Shell_word(a);
    Temp_dir socket;
    Tmux_session tmux(socket.path(), work, command + "; echo \"[exit $?]\"; sleep 60");
    ASSERT_TRUE(tmux.Started());
    // Up to a minute for each screen: Wine draws slowly on a busy machine.
    const auto await = [&](const std::string& text) {
      std::string screen;
      for (int i = 0; i < 6 && screen.find(text) == std::string::npos; ++i)
        screen = tmux.Await_containing(text);
      return screen;
    };
    for (const Step& step : run.steps) {
      SCOPED_TRACE(step.keys + step.typed);
      if (!step.keys.empty()) tmux.Keys(step.keys);
      if (!step.typed.empty()) tmux.Type(step.typed);
      const std::string screen = await(step.shown.back());
      std::size_t at = 0;
      for (const auto& text : step.shown) {
        at = screen.find(text, at);
        EXPECT_NE(at, std::string::npos) << text << " in\n" << screen;
      }
      EXPECT_EQ(screen.find("\uFFFD"), std::string::npos) << screen;  // nothing garbled
      EXPECT_EQ(screen.find("输入不合法"), std::string::npos) << screen;  // no key left over
      EXPECT_EQ(screen.find("[exit"), std::string::npos) << screen;     // still running
    }
    if (!run.last_key.empty()) tmux.Keys(run.last_key);
    const std::string screen = await(run.exit);
    EXPECT_NE(screen.find(run.exit), std::string::npos) << screen;
    if (!run.saved.empty()) {
      EXPECT_EQ(Read_file(work + "/vorlix_data.sg"), run.saved);
    }
  }
}

// The contest forms' report from a pipe, its line breaks as on Linux, the
// measured figures left out, and what is shown of standard error left out
// (Wine writes its own notice of a crash to the program's standard error).
std::string Contest_report(const std::string& out) {
  std::string text;
  for (char c : out)
    if (c != '\r') text += c;
  const std::string open = "（用时 ", close = "）";
  for (auto at = text.find(open); at != std::string::npos; at = text.find(open, at + 1))
    text.replace(at, text.find(close, at) + close.size() - at, "（…）");
  text = std::regex_replace(text, std::regex("用时 [0-9.]+ 秒"), "用时 … 秒");
  return std::regex_replace(text, std::regex("  标准错误：\n(    [^\n]*\n)*"), "");
}

class Wine_contest : public Wine {
 protected:
  // a.exe built from `source` with MinGW, newer than a.cpp, so that the form
  // skips the compile (the fake compiler's output would not run the source).
  void Program(const std::string& name, const std::string& source) {
    Write_file(work + "/" + name + ".cpp", source);
    ASSERT_EQ(Shell(Quote(MINGW_CXX) + " -O0 -static -o " + Quote(work + "/" + name + ".exe") + " " +
                    Quote(work + "/" + name + ".cpp")),
              0);
  }
};

// The judge's core table: the verdicts under vorlix.exe. CPU time cannot be
// shown: Wine reads another process's CPU time (and a job's) as 0, so the
// wall time decides, and a program that finishes between the CPU limit and
// twice that in CPU time, which Windows calls TLE, passes here; the busy loop
// below is a TLE by its wall time.
TEST_F(Wine_contest, TheJudgeGivesEachSampleItsVerdict) {
  const std::string sum =
      "#include <cstdio>\nint main() { long a, b; std::scanf(\"%ld %ld\", &a, &b); std::printf(\"%ld\\n\", a + b); }\n";
  const struct {
    const char* what;
    std::string source;
    std::vector<std::pair<std::string, std::string>> files;
    std::vector<std::string> options;
    std::string report;
    int status;
  } rows[] = {
      {"AC, WA and an .in alone, in the order 1, 2, 10", sum,
       {{"a.1.in", "1 2\n"}, {"a.1.ans", "3\n"}, {"a.2.in", "2 2\n"}, {"a.2.ans", "5\n"}, {"a.10.in", "5 5\n"}},
       {},
       "a.1.in：AC 通过（…）\na.2.in：WA 答案错误（…）\n  第 1 行不同：\n    期望：5\n    实际：4\n"
       "a.10.in：运行完毕（没有 .ans 文件，不判定）（…）\n  输出：\n    10\n"
       "共 3 个样例：1 个通过，1 个未通过，1 个没有答案。\n", 1},
      {"trailing blanks pass, not under --exact",
       "#include <cstdio>\nint main() { std::printf(\"1 2  \\n3\"); }\n",
       {{"a.in", ""}, {"a.ans", "1 2\n3\n"}}, {"--exact"},
       "a.in：WA 答案错误（…）\n  第 1 行不同：\n    期望：1 2\n    实际：1 2  \\x0d\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"TLE on a busy loop", "int main() { volatile unsigned long x = 0; for (;;) x = x + 1; }\n",
       {{"a.in", ""}, {"a.ans", "\n"}}, {"--time-limit=200"},
       "a.in：TLE 超时（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"TLE on a program that sleeps", "#include <windows.h>\nint main() { Sleep(30000); }\n",
       {{"a.in", ""}, {"a.ans", "\n"}}, {"--time-limit=200"},
       "a.in：TLE 超时（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"MLE", "#include <cstdio>\n#include <vector>\nint main() { std::vector<char> v(300 << 20, 1); "
              "std::printf(\"%d\\n\", v[12345]); }\n",
       {{"a.in", ""}, {"a.ans", "1\n"}}, {"--memory-limit=64"},
       "a.in：MLE 超内存（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      // Even without Wine's debugger a crash takes Wine a while to report:
      // the wall time, which decides here, is given room.
      {"RE with the exception named",
       "#include <cstdlib>\nint main() { volatile int* p = nullptr; if (std::rand() >= 0) *p = 1; }\n",
       {{"a.in", ""}, {"a.ans", "\n"}}, {"--time-limit=10000"},
       "a.in：RE 运行错误，返回值 3221225477 (0xC0000005，访问越界)（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"RE with a return value", "int main() { return 3; }\n", {{"a.in", ""}, {"a.ans", "\n"}}, {},
       "a.in：RE 运行错误，返回值 3（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"OLE", "#include <cstdio>\nint main() { for (;;) std::fputs(\"0123456789abcdef\\n\", stdout); }\n",
       {{"a.in", ""}, {"a.ans", "1\n"}}, {},
       "a.in：OLE 输出超限（…）\n共 1 个样例：0 个通过，1 个未通过。\n", 1},
      {"freopen, and limits and names from a.problem.json",
       "#include <cstdio>\nint main() { std::freopen(\"in.txt\", \"r\", stdin); std::freopen(\"out.txt\", \"w\", stdout);"
       " int a; std::scanf(\"%d\", &a); std::printf(\"%d\\n\", a); }\n",
       {{"a.in", "1\n"}, {"a.ans", "1\n"},
        {"a.problem.json", R"({"timeLimit":3000,"memoryLimit":64,"input":{"type":"file","fileName":"in.txt"},)"
                           R"("output":{"type":"file","fileName":"out.txt"}})"}},
       {}, "a.in：AC 通过（…）\n共 1 个样例：1 个通过，0 个未通过。\n", 0},
      {"deep recursion: the copy's stack is the memory limit",
       "int f(int n) { volatile char pad[512]; pad[0] = (char)n; return n == 0 ? 0 : f(n - 1) + (pad[0] & 1); }\n"
       "int main() { return f(130000) < 0; }\n",
       {{"a.in", ""}, {"a.ans", ""}}, {"--time-limit=3000"},
       "a.in：AC 通过（…）\n共 1 个样例：1 个通过，0 个未通过。\n", 0},
  };
  Settings(com, "", "");
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    Start_afresh();
    Settings(com, "", "");
    Program("a", row.source);
    for (const auto& [name, bytes] : row.files) Write_file(work + "/" + name, bytes);
    std::vector<std::string> argv = {VORLIX_BINARY, "--judge", "a.cpp"};
    argv.insert(argv.end(), row.options.begin(), row.options.end());
    const Session s = Run_windows(argv, "");
    EXPECT_EQ(Contest_report(s.out), "跳过编译。\n\n" + std::string(row.report));
    EXPECT_EQ(s.status, row.status) << s.err;
    EXPECT_FALSE(fs::exists(work + "/out.txt"));
  }
}

TEST_F(Wine_contest, TheJudgeRefusesAndFailsAsOnLinux) {
  Settings(com, "", "-exit=1");
  Write_file(work + "/a.cpp", "int main() {}\n");
  Session s = Run_windows({VORLIX_BINARY, "-j", "a.cpp"}, "");
  EXPECT_EQ(Contest_report(s.err), "没有找到样例：a.in、a.1.in、a.2.in…… 都不存在。\n");
  EXPECT_EQ(s.status, 2);
  Write_file(work + "/a.in", "");
  s = Run_windows({VORLIX_BINARY, "-j", "a.cpp"}, "");
  EXPECT_EQ(Contest_report(s.out), "未找到对应程序的 exe 文件，自动为你编译。\n正在编译……\n编译失败！\n\n");
  EXPECT_EQ(s.status, 1);
}

// The stress test's core cases: a solution caught at its round, the input
// kept as its next sample, which the judge then fails; and one that passes.
TEST_F(Wine_contest, TheStressTestCatchesTheRoundAndKeepsTheSample) {
  Settings(com, "", "");
  Program("gen", "#include <cstdio>\n#include <cstdlib>\nint main(int, char** argv) { int s = std::atoi(argv[1]);"
                 " std::printf(\"%d %d\\n\", s, 2 * s); }\n");
  Program("brute", "#include <cstdio>\nint main() { long a, b; std::scanf(\"%ld %ld\", &a, &b); "
                   "std::printf(\"%ld\\n\", a + b); }\n");
  Program("a", "#include <cstdio>\nint main() { long a, b; std::scanf(\"%ld %ld\", &a, &b); "
               "std::printf(\"%ld\\n\", a == 3 ? 0 : a + b); }\n");
  Write_file(work + "/a.2.ans", "x\n");
  const std::string skipped = "解答 a.cpp：\n跳过编译。\n暴力程序 brute.cpp：\n跳过编译。\n数据生成器 gen.cpp：\n跳过编译。\n\n";
  Session s = Run_windows({VORLIX_BINARY, "--stress", "a.cpp", "brute.cpp", "gen.cpp", "--rounds=6"}, "");
  EXPECT_EQ(Contest_report(s.out), skipped + "第 3 轮：解答 WA 答案错误（…）\n  输入：\n    3 6\n"
                                   "  第 1 行不同：\n    期望：9\n    实际：0\n已保存为样例 a.3.in 与 .ans（K = 3）。\n");
  EXPECT_EQ(s.status, 1);
  // The generator's and the brute force's bytes, their text mode's CR LF.
  EXPECT_EQ(Read_file(work + "/a.3.in"), "3 6\r\n");
  EXPECT_EQ(Read_file(work + "/a.3.ans"), "9\r\n");
  s = Run_windows({VORLIX_BINARY, "--judge", "a.cpp"}, "");
  EXPECT_NE(Contest_report(s.out).find("a.3.in：WA 答案错误"), std::string::npos) << s.out;

  s = Run_windows({VORLIX_BINARY, "-s", "brute.cpp", "brute.cpp", "gen.cpp", "--rounds=3"}, "");
  EXPECT_NE(Contest_report(s.out).find("对拍完成，未发现差异：3 轮，用时 … 秒。\n"), std::string::npos) << s.out;
  EXPECT_EQ(s.status, 0);
}

// The pauser on Wine's console in a tmux terminal whose sockets are in
// `socket`, running the fake program "七号 程序.exe" with the environment
// `env`; the shell then shows the pauser's status ("[exit N]"). Returns once
// the program has been up a moment.
std::unique_ptr<Tmux_session> Pauser_on_console(const Temp_dir& socket, const std::string& work,
                                                const std::string& tools, const std::string& env) {
  const std::string program = tools + "/七号 程序.exe";
  fs::copy_file(tools + "/compiler.exe", program, fs::copy_options::skip_existing);
  // The shell outlives a Ctrl+C that reaches it as SIGINT (Wine's console
  // leaves the terminal's own interrupt key on at times) to show the status.
  auto tmux = std::make_unique<Tmux_session>(socket.path(), work,
                                             "trap '' INT; " + env + " " + Shell_word(WINE_PROGRAM) + " " +
                                                 Shell_word(PAUSER_BINARY) + " " + Shell_word(Win(program)) +
                                                 "; echo \"[exit $?]\"; sleep 60");
  // The pauser titles its console with the program's path just before it
  // starts the program; then the program gets a moment to be up.
  for (int i = 0; tmux->Started() && i < 300 && tmux->Title().find("程序") == std::string::npos; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  std::this_thread::sleep_for(std::chrono::seconds(3));
  return tmux;
}

// Ctrl+C in the program's console ends the program, not the pauser, which
// reports how it ended. (That it then waits for a key is the next test's:
// under tmux, Wine's console leaves the terminal's interrupt key on while
// nothing reads, and the SIGINT that the key then sends every Wine process
// may reach the key wait as a second Ctrl+C, which Windows never sends.)
TEST_F(Wine, CtrlCEndsTheProgramWhileThePauserReportsIt) {
  Temp_dir socket;
  const auto tmux = Pauser_on_console(socket, work, tools, "FAKE_PROGRAM_SLEEP_MS=60000");
  ASSERT_TRUE(tmux->Started());
  // Wine's console under tmux sometimes drops a Ctrl+C, and sometimes shows
  // the report only seconds later: the key is pressed again, every ten
  // seconds, only while the program still runs, lest it end the key wait.
  const auto running = [] {
    std::error_code ec;
    for (fs::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
      const std::string command = Read_file(it->path() / "cmdline");
      const std::string first = command.substr(0, command.find('\0'));
      const std::string name = "七号 程序.exe";
      if (first.size() >= name.size() && first.compare(first.size() - name.size(), name.size(), name) == 0)
        return true;
    }
    return false;
  };
  std::string screen;
  for (int i = 0; i < 600 && (screen = tmux->Screen()).find("返回值") == std::string::npos; ++i) {
    if (i == 0 || (i % 100 == 0 && running())) tmux->Keys("C-c");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  // The code is the system's: 3221225786 (0xC000013A) on Windows, 0 under
  // Wine, whose own Ctrl+C handling ends a process so.
  EXPECT_NE(screen.find("返回值 "), std::string::npos) << screen;
}

// What was typed ahead is not the key the pauser waits for: of two lines
// pasted at once the program reads one, and the other is dropped before the
// wait, which only a key pressed after it ends.
TEST_F(Wine, ThePauserWaitsForAKeyPressedAfterTheReport) {
  Temp_dir socket;
  const auto tmux = Pauser_on_console(socket, work, tools, "FAKE_PROGRAM_READ_LINE=1");
  ASSERT_TRUE(tmux->Started());
  // The screen as soon as it holds `text`, or after `seconds`.
  const auto shown = [&](const std::string& text, int seconds) {
    std::string screen;
    for (int i = 0; i < seconds * 10 && (screen = tmux->Screen()).find(text) == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return screen;
  };
  tmux->Keys("one Enter two Enter");
  // cmd's pause (under LANG=C.UTF-8 in English) is reading keys.
  const std::string report = shown("Press any key", 60);
  EXPECT_NE(report.find("返回值 7\nPress any key"), std::string::npos) << report;
  EXPECT_NE(Read_file(work + "/program.log").find("line: one\n"), std::string::npos);
  const std::string waiting = shown("[exit", 5);
  EXPECT_EQ(waiting.find("[exit"), std::string::npos) << waiting;
  tmux->Keys("x");
  const std::string ended = shown("[exit", 60);
  EXPECT_NE(ended.find("[exit 7]"), std::string::npos) << ended;
}

// vorlix.exe --receive takes a problem posted from Linux (curl, through
// Wine's sockets) and writes its files under its Chinese name in a folder it
// makes; Ctrl-C (SIGINT, which Wine hands on as the console's Ctrl-C) ends
// it after its count, status 130.
TEST_F(Wine, ReceiverWritesAProblemPostedFromLinux) {
  const unsigned port = Free_port();
  const std::string body = R"({"name":"两数之和","group":"练习","url":"https://example.org/p/1",)"
                           R"("memoryLimit":256,"timeLimit":1000,"tests":[{"input":"1 2\n","output":"3\n"}]})";
  Write_file(work + "/body.json", body);
  const std::string folder = work + "/题目";
  const std::string post = "curl -s -o /dev/null -w '%{http_code}' --max-time 5 -H 'Expect:' "
                           "-H 'Content-Type: application/json' --data-binary @body.json http://127.0.0.1:" +
                           std::to_string(port) + "/";
  // Posts once the receiver listens, then, once the source is there, Ctrl-C.
  const std::string prelude =
      "( for i in $(seq 300); do [ \"$(" + post + ")\" = 200 ] && break; sleep 0.2; done; "
      "for i in $(seq 100); do [ -e " + Quote(folder + "/两数之和.cpp") + " ] && break; sleep 0.1; done; "
      "kill -INT $$ ) >/dev/null 2>&1 & :";  // the harness follows with "; exec"
  const Session s = Run_windows({VORLIX_BINARY, "-r", Win(folder), "--port=" + std::to_string(port)}, "", {},
                                prelude);
  EXPECT_EQ(s.status, 130) << s.out << s.err;
  EXPECT_EQ(s.err, "");
  const std::string p = std::to_string(port);
  // Standard output in text mode: each line ends in CR LF.
  EXPECT_EQ(s.out, "正在 127.0.0.1:" + p + " 上接收题目，保存到目录 " + Win(folder) +
                       "。按 Ctrl-C 结束。\r\n请在浏览器扩展 Competitive Companion 的设置中把端口 " + p +
                       " 加入自定义端口（Custom ports），然后在题目页面点击扩展的按钮。\r\n"
                       "已接收：两数之和 → 两数之和.cpp，1 组样例，时间限制 1000 毫秒，内存限制 256 MB；新建 两数之和.cpp\r\n"
                       "共收到 1 道题。\r\n");
  EXPECT_EQ(Listing(folder),
            (std::vector<std::string>{"两数之和.1.ans", "两数之和.1.in", "两数之和.cpp", "两数之和.problem.json"}));
  EXPECT_EQ(Read_file(folder + "/两数之和.1.in"), "1 2\n");  // bytes as sent, no CR added
  EXPECT_EQ(Read_file(folder + "/两数之和.1.ans"), "3\n");
  EXPECT_EQ(Read_file(folder + "/两数之和.problem.json"), body);
  EXPECT_EQ(Read_file(folder + "/两数之和.cpp").rfind("#include <bits/stdc++.h>\n", 0), 0u);
}

}  // namespace
