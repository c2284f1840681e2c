// vorlix --receive end to end: the built program listening on 127.0.0.1,
// problems posted to it by curl as the browser extension posts them, the
// files it writes in a temporary folder compared byte for byte, hostile
// requests refused with nothing written, and Ctrl-C ending it.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <map>
#include <thread>

#include "harness.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const std::string SKELETON =
    "#include <bits/stdc++.h>\nusing namespace std;\n\nint main() {\n"
    "    ios::sync_with_stdio(false);\n    cin.tie(nullptr);\n\n    return 0;\n}\n";

std::string Quote(const std::string& s) {
  std::string quoted = "'";
  for (char c : s) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Problem_json(const std::string& name, const std::string& url, const std::string& tests,
                         const std::string& extra = "") {
  return R"({"name":")" + name + R"(","group":"Contest","url":")" + url +
         R"(","interactive":false,"memoryLimit":256,"timeLimit":1000,"tests":[)" + tests +
         R"(],"testType":"single","input":{"type":"stdin"},"output":{"type":"stdout"},"languages":{"java":)"
         R"({"mainClass":"Main","taskClass":"Task"}})" + extra + "}";
}

const std::string TWO_TESTS = R"({"input":"1 2\n","output":"3\n"},{"input":"3 4\n","output":"7\n"})";

// The files in `dir`, names to contents.
std::map<std::string, std::string> Files_in(const std::string& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) files[e.path().filename().string()] = Read_file(e.path().string());
  return files;
}

// vorlix --receive running in the background, its output kept in files.
class Receiver {
 public:
  // `ignored`: a signal it is started with ignored, as nohup does SIGHUP.
  Receiver(const Temp_dir& root, const std::vector<std::string>& args, const std::vector<std::string>& env = {},
           int ignored = 0)
      : root_(root), port_(Free_port()) {
    std::vector<std::string> argv = {Vorlix_binary(), "--receive"};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back("--port=" + std::to_string(port_));
    pid_ = fork();
    if (pid_ == 0) {
      if (!freopen((root / "out.txt").c_str(), "w", stdout) || !freopen((root / "err.txt").c_str(), "w", stderr) ||
          chdir(root.path().c_str()) != 0)
        _exit(126);
      for (const auto& e : env) putenv(strdup(e.c_str()));
      if (ignored != 0) signal(ignored, SIG_IGN);
      std::vector<char*> raw;
      for (auto& a : argv) raw.push_back(a.data());
      raw.push_back(nullptr);
      execv(raw[0], raw.data());
      _exit(127);
    }
    // Listening once it has said so.
    for (int i = 0; i < 500 && Read_file(root / "out.txt").find("按 Ctrl-C 结束") == std::string::npos; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~Receiver() {
    if (pid_ > 0) Stop();
  }

  // curl's POST of `body` with `options`; the HTTP status it got ("000": none).
  std::string Post(const std::string& body, const std::string& options = "-H 'Content-Type: application/json'",
                   const std::string& host = "localhost") {
    const std::string file = root_ / ("body" + std::to_string(++posts_));
    Write_file(file, body);
    return Output_of("curl -s -o /dev/null -w '%{http_code}' --max-time 10 -H 'Expect:' " + options +
                     " --data-binary @" + Quote(file) + " http://" + host + ":" + std::to_string(port_) + "/");
  }

  // Whether `sig` is ignored now (its bit in /proc's SigIgn mask).
  bool Ignores(int sig) const {
    const std::string status = Read_file("/proc/" + std::to_string(pid_) + "/status");
    const std::size_t at = status.find("SigIgn:");
    return at != std::string::npos && (std::stoull(status.substr(at + 7), nullptr, 16) >> (sig - 1) & 1) != 0;
  }

  // Ctrl-C (or `sig`); returns the exit status.
  int Stop(int sig = SIGINT) {
    kill(pid_, sig);
    int raw = 0;
    waitpid(pid_, &raw, 0);
    pid_ = -1;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  }

  // Waits until `lines` problems have been written: the extension has its
  // answer before the files are written.
  void Await_problems(std::size_t lines) const {
    for (int i = 0; i < 500; ++i) {
      std::string out = Out();
      std::size_t n = 0;
      for (auto at = out.find("已接收"); at != std::string::npos; at = out.find("已接收", at + 1)) ++n;
      if (n >= lines) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }

  std::string Out() const { return Read_file(root_ / "out.txt"); }
  std::string Err() const { return Read_file(root_ / "err.txt"); }
  unsigned port() const { return port_; }

 private:
  const Temp_dir& root_;
  unsigned port_;
  pid_t pid_ = -1;
  int posts_ = 0;
};

std::string Listening(unsigned port, const std::string& where) {
  const std::string p = std::to_string(port);
  return "正在 127.0.0.1:" + p + " 上接收题目，保存到" + where + "。按 Ctrl-C 结束。\n请在浏览器扩展 Competitive "
         "Companion 的设置中把端口 " + p + " 加入自定义端口（Custom ports），然后在题目页面点击扩展的按钮。\n";
}

// A Luogu and a Codeforces problem as the extension sends them: each its
// id's files, the samples and the JSON byte for byte, the source from the
// skeleton, one line each; Ctrl-C then counts them and ends with 130.
TEST(Receive, ProblemsOfKnownJudgesGiveTheirFiles) {
  Temp_dir root;
  const std::string luogu = Problem_json("P1001 A+B Problem", "https://www.luogu.com.cn/problem/P1001", TWO_TESTS);
  const std::string cf = Problem_json("G. Castle Defense", "https://codeforces.com/contest/954/problem/G",
                                      R"({"input":"5 0 6\n5 4 3 4 9\n","output":"5\n"})");
  Receiver r(root, {"题目"});
  EXPECT_EQ(r.Post(luogu), "200");
  EXPECT_EQ(r.Post(cf), "200");
  EXPECT_EQ(r.Stop(), 130);
  const std::map<std::string, std::string> expected = {
      {"P1001.1.in", "1 2\n"}, {"P1001.1.ans", "3\n"}, {"P1001.2.in", "3 4\n"}, {"P1001.2.ans", "7\n"},
      {"P1001.problem.json", luogu}, {"P1001.cpp", SKELETON},
      {"954G.1.in", "5 0 6\n5 4 3 4 9\n"}, {"954G.1.ans", "5\n"}, {"954G.problem.json", cf}, {"954G.cpp", SKELETON},
  };
  EXPECT_EQ(Files_in(root / "题目"), expected);
  EXPECT_EQ(r.Out(), Listening(r.port(), "目录 题目") +
                         "已接收：P1001 A+B Problem → P1001.cpp，2 组样例，时间限制 1000 毫秒，内存限制 256 MB；新建 P1001.cpp\n"
                         "已接收：G. Castle Defense → 954G.cpp，1 组样例，时间限制 1000 毫秒，内存限制 256 MB；新建 954G.cpp\n"
                         "共收到 2 道题。\n");
  EXPECT_EQ(r.Err(), "");
}

// A problem that reads and writes files: their names in the line, in the
// JSON as received, and in the skeleton's freopen calls. A kill (SIGTERM)
// ends the receiver as Ctrl-C does; a hangup ignored from the start (nohup)
// stays ignored.
TEST(Receive, FileInputProblemRecordsItsFileNames) {
  Temp_dir root;
  std::string body = Problem_json("Fence", "https://example.org/p", R"({"input":"3\n","output":"6\n"})");
  const std::string from = R"("input":{"type":"stdin"},"output":{"type":"stdout"})";
  body.replace(body.find(from), from.size(),
               R"("input":{"type":"file","fileName":"fence.in"},"output":{"type":"file","fileName":"fence.out"})");
  Receiver r(root, {}, {}, SIGHUP);
  EXPECT_EQ(r.Post(body), "200");
  EXPECT_TRUE(r.Ignores(SIGHUP));
  EXPECT_EQ(r.Stop(SIGTERM), 130);
  EXPECT_EQ(Read_file(root / "Fence.problem.json"), body);
  EXPECT_NE(Read_file(root / "Fence.cpp").find("    freopen(\"fence.in\", \"r\", stdin);\n"
                                               "    freopen(\"fence.out\", \"w\", stdout);\n"), std::string::npos);
  EXPECT_NE(r.Out().find("已接收：Fence → Fence.cpp，1 组样例，时间限制 1000 毫秒，内存限制 256 MB，"
                         "输入文件 fence.in，输出文件 fence.out；新建 Fence.cpp\n"), std::string::npos)
      << r.Out();
}

// A contest comes problem by problem, each written as it arrives.
TEST(Receive, BatchOfThreeIsWrittenProblemByProblem) {
  Temp_dir root;
  Receiver r(root, {"contest"});
  for (const char* index : {"A", "B", "C"}) {
    const std::string url = std::string("https://atcoder.jp/contests/abc284/tasks/abc284_") + char(index[0] + 32);
    EXPECT_EQ(r.Post(Problem_json(std::string(index) + " - x", url, TWO_TESTS, R"(,"batch":{"id":"b1","size":3})")),
              "200");
  }
  EXPECT_EQ(r.Stop(), 130);
  EXPECT_EQ(Files_in(root / "contest").size(), 3u * 6);
  std::string lines;
  for (const char* id : {"a", "b", "c"}) EXPECT_EQ(Read_file(root / ("contest/abc284_" + std::string(id) + ".2.ans")), "7\n");
  const std::string out = r.Out();
  for (const char* line : {"已接收第 1/3 题：A - x → abc284_a.cpp", "已接收第 2/3 题：B - x → abc284_b.cpp",
                           "已接收第 3/3 题：C - x → abc284_c.cpp", "共收到 3 道题。\n"})
    EXPECT_NE(out.find(line), std::string::npos) << line;
}

// Received again, a problem replaces its JSON and the samples whose bytes
// are still those it wrote; a sample the user changed stays, with its pair,
// and so do the user's own files and the source.
TEST(Receive, SameProblemTwiceKeepsWhatTheUserChanged) {
  Temp_dir root;
  const std::string url = "https://www.luogu.com.cn/problem/P1001";
  Receiver r(root, {});
  EXPECT_EQ(r.Post(Problem_json("A+B", url, TWO_TESTS)), "200");
  r.Await_problems(1);
  Write_file(root / "P1001.2.in", "30 40\n");        // the user's own sample 2
  Write_file(root / "P1001.cpp", "int main() {}\n");  // and a solution
  Write_file(root / "P1001.in", "9 9\n");
  const std::string again = Problem_json("A+B", url,
      R"({"input":"1  2\n","output":"3\n"},{"input":"3 4\n","output":"70\n"},{"input":"0 0\n","output":"0\n"})");
  EXPECT_EQ(r.Post(again), "200");
  EXPECT_EQ(r.Stop(), 130);
  const std::map<std::string, std::string> expected = {
      {"P1001.1.in", "1  2\n"}, {"P1001.1.ans", "3\n"}, {"P1001.2.in", "30 40\n"}, {"P1001.2.ans", "7\n"},
      {"P1001.3.in", "0 0\n"}, {"P1001.3.ans", "0\n"}, {"P1001.problem.json", again},
      {"P1001.cpp", "int main() {}\n"}, {"P1001.in", "9 9\n"}, {"out.txt", r.Out()}, {"err.txt", ""},
      {"body1", Problem_json("A+B", url, TWO_TESTS)}, {"body2", again},
  };
  EXPECT_EQ(Files_in(root.path()), expected);
  EXPECT_NE(r.Out().find("已接收：A+B → P1001.cpp，3 组样例，时间限制 1000 毫秒，内存限制 256 MB；"
                         "样例 2 已被改动过，保留原样；P1001.cpp 已存在，未改动\n"), std::string::npos) << r.Out();
}

// The source comes from template.cpp in the folder, else from the one in
// the user's config folder, else the skeleton; an existing source is never
// touched.
TEST(Receive, SourceFromTheTemplateOnlyWhereThereIsNone) {
  const std::string body = Problem_json("A+B", "https://www.luogu.com.cn/problem/P1001", TWO_TESTS);
  const struct {
    std::string folder_template, config_template, existing, source;
  } cases[] = {
      {"// mine\r\n", "// config\n", "", "// mine\r\n"},
      {"", "// config\n", "", "// config\n"},
      {"", "", "", SKELETON},
      {"// mine\n", "// config\n", "// solved\n", "// solved\n"},
  };
  for (const auto& c : cases) {
    Temp_dir root;
    fs::create_directories(root / "config/vorlix");
    fs::create_directories(root / "work");
    if (!c.folder_template.empty()) Write_file(root / "work/template.cpp", c.folder_template);
    if (!c.config_template.empty()) Write_file(root / "config/vorlix/template.cpp", c.config_template);
    if (!c.existing.empty()) Write_file(root / "work/P1001.cpp", c.existing);
    Receiver r(root, {"work"}, {"XDG_CONFIG_HOME=" + (root / "config")});
    EXPECT_EQ(r.Post(body), "200");
    EXPECT_EQ(r.Stop(), 130);
    EXPECT_EQ(Read_file(root / "work/P1001.cpp"), c.source) << c.source;
    EXPECT_EQ(Read_file(root / "work/P1001.1.in"), "1 2\n");
  }
}

// A hostile name never leads out of the folder and always names a file
// that every system can hold.
TEST(Receive, HostileNamesStayInsideTheFolderAndValid) {
  Temp_dir root;
  const struct {
    std::string json_name, file;
  } cases[] = {
      {"../../x", "x"},
      {"CON", "CON_"},
      {"a/b", "a_b"},
      {"\\u001b[2J\\r\\nevil\\u0007", "2J_evil"},
      {std::string(300, 'n'), std::string(64, 'n')},
      {"..", "problem"},
      {"C:\\\\Windows\\\\x", "C_Windows_x"},
  };
  Receiver r(root, {"in"});
  for (const auto& c : cases) EXPECT_EQ(r.Post(Problem_json(c.json_name, "", TWO_TESTS)), "200") << c.file;
  EXPECT_EQ(r.Stop(), 130);
  for (const auto& c : cases) EXPECT_EQ(Read_file(root / ("in/" + c.file + ".1.ans")), "3\n") << c.file;
  EXPECT_EQ(Files_in(root / "in").size(), std::size(cases) * 6);
  for (const auto& e : fs::recursive_directory_iterator(root.path()))
    EXPECT_TRUE(e.path().parent_path() == root.path() || e.path().parent_path() == fs::path(root / "in")) << e.path();
  EXPECT_EQ(r.Out().find('\x1b'), std::string::npos);  // the name shown through Printable
  EXPECT_NE(r.Out().find("已接收：" + std::string(200, 'n') + "… → " + std::string(64, 'n') + ".cpp"), std::string::npos);
  EXPECT_NE(r.Out().find("已接收：\\x1b[2J\\x0d\\x0aevil\\x07 → 2J_evil.cpp"), std::string::npos) << r.Out();
}

// What a web page, a rebinding host or a broken client sends is refused and
// said on standard error; nothing is written, and the listener goes on.
TEST(Receive, RefusedRequestsWriteNothingAndTheListenerGoesOn) {
  Temp_dir root;
  const std::string good = Problem_json("A+B", "https://www.luogu.com.cn/problem/P1001", TWO_TESTS);
  const std::string json = "-H 'Content-Type: application/json' ";
  const struct {
    std::string body, options, host, status, said;
  } cases[] = {
      {good, json + "-H 'Origin: https://evil.example'", "localhost", "403", "来源 https://evil.example 不是浏览器扩展"},
      {good, json + "-H 'Origin: null'", "localhost", "403", "来源 null 不是浏览器扩展"},
      {good, json + "-H 'Host: evil.example'", "localhost", "403", "Host 不是 localhost"},
      {good, "-H 'Content-Type: text/plain'", "localhost", "403", "内容类型 text/plain 是网页表单能发送的"},
      {good, json + "-H 'Transfer-Encoding: chunked'", "localhost", "501", "传输编码"},
      {std::string(20 << 20, ' ') + good, json, "127.0.0.1", "413", "请求内容超过上限"},
      {"{\"name\": \"x\", \"tests\": [", json, "localhost", "400", "不是合法的 JSON"},
      {R"({"name":"x"})", json, "localhost", "400", "缺少样例数组 tests"},
      {R"({"name":"x","timeLimit":100000,"tests":[]})", json, "localhost", "400", "时间限制"},
      {good, json + "-X PUT", "localhost", "405", "只接受 POST"},
  };
  Receiver r(root, {"in"});
  for (const auto& c : cases) {
    EXPECT_EQ(r.Post(c.body, c.options, c.host), c.status) << c.said;
    EXPECT_TRUE(fs::is_empty(root / "in")) << c.said;
    const std::string err = r.Err();
    const auto at = err.rfind("已拒绝一个请求：");
    const std::string last = at == std::string::npos ? "" : err.substr(at);
    EXPECT_NE(last.find(c.said), std::string::npos) << c.said << "\n" << err;
  }
  EXPECT_EQ(r.Post(good, json + "-H 'Origin: chrome-extension://abcdefgh'"), "200");
  EXPECT_EQ(r.Stop(), 130);
  EXPECT_EQ(Read_file(root / "in/P1001.problem.json"), good);
  EXPECT_NE(r.Out().find("共收到 1 道题。\n"), std::string::npos);
}

// A port another program listens on: said so, status 1. A mistaken
// argument: the usage, status 2.
TEST(Receive, PortInUseAndMistakenArguments) {
  Temp_dir root;
  Receiver first(root, {});
  const Session taken = Run_program({Vorlix_binary(), "-r", "--port=" + std::to_string(first.port())}, root.path(), "");
  EXPECT_EQ(taken.status, 1);
  EXPECT_EQ(taken.out, "");
  EXPECT_NE(taken.err.find("端口 " + std::to_string(first.port()) + " 已被其他程序占用"), std::string::npos)
      << taken.err;
  EXPECT_EQ(first.Stop(), 130);
  for (const std::vector<std::string>& args : {std::vector<std::string>{"--port=0"}, {"--port=65536"}, {"--port=x"},
                                              {"--port="}, {"a", "b"}, {"--port=1", "--port=2"}, {"--bogus"}}) {
    std::vector<std::string> argv = {Vorlix_binary(), "--receive"};
    argv.insert(argv.end(), args.begin(), args.end());
    const Session s = Run_program(argv, root.path(), "");
    EXPECT_EQ(s.status, 2) << args[0];
    EXPECT_EQ(s.err.rfind("用法：vorlix --receive [目录] [--port=端口]", 0), 0u) << args[0];
  }
}

// Once the judge is there: it reports on the samples of a received problem.
TEST(Receive, JudgeReportsOnTheReceivedSamples) {
  Temp_dir root;
  Receiver r(root, {});
  EXPECT_EQ(r.Post(Problem_json("P1001 A+B Problem", "https://www.luogu.com.cn/problem/P1001", TWO_TESTS)), "200");
  EXPECT_EQ(r.Stop(), 130);
  Write_file(root / "P1001.cpp", "#include <iostream>\nint main() { long long a, b; std::cin >> a >> b; "
                                 "std::cout << a + b << '\\n'; }\n");
  const Session right = Run_program({Vorlix_binary(), "--judge", "P1001.cpp"}, root.path(), "");
  EXPECT_EQ(right.status, 0) << right.out << right.err;
  Write_file(root / "P1001.cpp", "#include <iostream>\nint main() { std::cout << 3 << '\\n'; }\n");
  const Session wrong = Run_program({Vorlix_binary(), "--judge", "P1001.cpp"}, root.path(), "");
  EXPECT_EQ(wrong.status, 1) << wrong.out << wrong.err;
}

}  // namespace
