// The receiver's pure parts: the one request a connection carries, which
// requests are taken, the problem in the JSON, and the files' names.
#include <gtest/gtest.h>

#include <string>

#include "contest/http_request.h"
#include "contest/problem_name.h"
#include "contest/receive_problem.h"

namespace {

using State = Request_reading::State;

const std::string HEAD = "POST / HTTP/1.1\r\nHost: localhost:24981\r\nContent-Length: 2\r\n\r\n";

TEST(Read_request, TakesOneRequestAndRefusesWhatItCannotRead) {
  const std::string long_header = "POST / HTTP/1.1\r\nX: " + std::string(Max_request_head, 'a') + "\r\n\r\n";
  const struct {
    std::string bytes;
    State state;
    int status;
    std::string body;
  } cases[] = {
      {HEAD + "{}", State::complete, 0, "{}"},
      {HEAD + "{}GET / HTTP/1.1\r\n\r\n", State::complete, 0, "{}"},  // one request only
      {HEAD + "{", State::incomplete, 0, ""},
      {"POST / HTTP/1.1\r\nHost: x\r\n", State::incomplete, 0, ""},
      {"POST / HTTP/1.1\r\n\r\n", State::complete, 0, ""},          // no length: no body
      {"POST / HTTP/1.0\r\nContent-Length:  3 \r\n\r\nabc", State::complete, 0, "abc"},
      {"POST / HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\n2\r\n{}\r\n0\r\n\r\n", State::refused, 501, ""},
      {"POST / HTTP/1.1\r\nContent-Length: 16777217\r\n\r\n", State::refused, 413, ""},
      {"POST / HTTP/1.1\r\nContent-Length: 99999999999999999999999\r\n\r\n", State::refused, 413, ""},
      {"POST / HTTP/1.1\r\nContent-Length: -1\r\n\r\n", State::refused, 400, ""},
      {"POST / HTTP/1.1\r\nContent-Length: 1\r\nContent-Length: 1\r\n\r\nx", State::refused, 400, ""},
      {long_header, State::refused, 431, ""},
      {std::string(Max_request_head, 'a'), State::refused, 431, ""},
      {"POST /  HTTP/1.1\r\n\r\n", State::refused, 400, ""},
      {"POST / HTTP/2\r\n\r\n", State::refused, 400, ""},
      {"POST / HTTP/1.1\r\n folded: x\r\n\r\n", State::refused, 400, ""},
      {"POST / HTTP/1.1\r\nName : x\r\n\r\n", State::refused, 400, ""},
      {"POST / HTTP/1.1\r\nX: a\x01z\r\n\r\n", State::refused, 400, ""},
      {"POST / HTTP/1.1\r\nX: a\rb\r\n\r\n", State::refused, 400, ""},
  };
  for (const auto& c : cases) {
    const Request_reading r = Read_request(c.bytes, Max_problem_bytes);
    EXPECT_EQ(r.state, c.state) << c.bytes.substr(0, 80);
    EXPECT_EQ(r.status, c.status) << c.bytes.substr(0, 80);
    EXPECT_EQ(r.request.body, c.body) << c.bytes.substr(0, 80);
    // Every prefix is incomplete, or already what the whole is.
    for (std::size_t n = 0; n < c.bytes.size() && n < 200; ++n) {
      const Request_reading p = Read_request(c.bytes.substr(0, n), Max_problem_bytes);
      if (p.state != State::incomplete) {
        EXPECT_EQ(p.status, r.status) << n;
      }
    }
  }
}

TEST(Read_request, KeepsHeadersInLowerCaseWithTheirValuesTrimmed) {
  const auto r = Read_request("POST / HTTP/1.1\r\nHOST:\tlocalhost:1 \r\nOrigin: a\r\norigin: b\r\n\r\n", 10);
  ASSERT_EQ(r.state, State::complete);
  EXPECT_EQ(Header_values(r.request, "host"), std::vector<std::string>{"localhost:1"});
  EXPECT_EQ(Header_values(r.request, "origin"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Http_answer(200, "OK\n"),
            "HTTP/1.1 200 OK\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: 3\r\n"
            "Connection: close\r\n\r\nOK\n");
}

TEST(Request_refusal, TakesOnlyTheExtensionOrALocalProgram) {
  const struct {
    std::string headers;  // after the request line
    std::string line;     // the request line
    int status;           // 0: taken
  } cases[] = {
      {"Host: localhost:24981\r\nContent-Type: application/json", "POST / HTTP/1.1", 0},
      {"Host: 127.0.0.1:24981", "POST / HTTP/1.1", 0},
      {"Host: LOCALHOST:24981\r\nOrigin: chrome-extension://abcdef", "POST / HTTP/1.1", 0},
      {"Host: localhost:24981\r\nOrigin: moz-extension://1-2-3\r\nContent-Type: text/plain", "POST / HTTP/1.1", 0},
      {"Host: localhost:24981", "GET / HTTP/1.1", 405},
      {"Host: localhost:24981", "OPTIONS / HTTP/1.1", 405},
      {"Host: localhost:24981", "POST /x HTTP/1.1", 404},
      {"Host: evil.example", "POST / HTTP/1.1", 403},
      {"Host: localhost", "POST / HTTP/1.1", 403},
      {"Host: localhost:24982", "POST / HTTP/1.1", 403},
      {"", "POST / HTTP/1.1", 403},
      {"Host: localhost:24981\r\nHost: evil.example", "POST / HTTP/1.1", 403},
      {"Host: localhost:24981\r\nOrigin: https://evil.example", "POST / HTTP/1.1", 403},
      {"Host: localhost:24981\r\nOrigin: null", "POST / HTTP/1.1", 403},
      {"Host: localhost:24981\r\nOrigin: http://localhost:24981", "POST / HTTP/1.1", 403},
      {"Host: localhost:24981\r\nContent-Type: text/plain", "POST / HTTP/1.1", 403},
      {"Host: localhost:24981\r\nContent-Type: Multipart/Form-Data; boundary=x", "POST / HTTP/1.1", 403},
      {"Host: localhost:24981\r\nContent-Type: application/x-www-form-urlencoded", "POST / HTTP/1.1", 403},
  };
  for (const auto& c : cases) {
    const std::string bytes = c.line + "\r\n" + c.headers + (c.headers.empty() ? "" : "\r\n") + "\r\n";
    const auto r = Read_request(bytes, 10);
    ASSERT_EQ(r.state, State::complete) << bytes;
    int status = -1;
    const std::string why = Request_refusal(r.request, 24981, status);
    EXPECT_EQ(status, c.status) << bytes;
    EXPECT_EQ(why.empty(), c.status == 0) << bytes;
  }
}

TEST(Parse_problem, ReadsTheExtensionsFormat) {
  const std::string body = R"({"name":"A. 两数","group":"G","url":"https://x/","interactive":false,
    "memoryLimit":256,"timeLimit":1500,"testType":"single","languages":{"java":{}},
    "input":{"type":"file","fileName":"a.in"},"output":{"type":"stdout"},
    "tests":[{"input":"1 2\n","output":"3\n"},{"input":"","output":""}],"batch":{"id":"b-1","size":3}})";
  Received_problem p;
  std::string why;
  ASSERT_TRUE(Parse_problem(body, p, why)) << why;
  EXPECT_EQ(p.name, "A. 两数");
  EXPECT_EQ(*p.time_limit_ms, 1500);
  EXPECT_EQ(*p.memory_limit_mb, 256);
  EXPECT_EQ(p.input.type, "file");
  EXPECT_EQ(p.input.file, "a.in");
  EXPECT_EQ(p.output.type, "stdout");
  ASSERT_EQ(p.tests.size(), 2u);
  EXPECT_EQ(p.tests[0].input, "1 2\n");
  EXPECT_EQ(p.tests[0].output, "3\n");
  EXPECT_EQ(p.batch_id, "b-1");
  EXPECT_EQ(p.batch_size, 3);
  EXPECT_EQ(Samples_of(body).size(), 2u);
  EXPECT_TRUE(Samples_of("{").empty());
}

TEST(Parse_problem, RefusesWhatIsNotAProblem) {
  const std::string tests = R"("tests":[{"input":"1\n","output":"1\n"}])";
  const std::string refused[] = {
      "",
      "{",
      "[]",
      R"({"name":"x"})",                                        // no tests
      R"({"name":"x","tests":{}})",
      R"({"name":1,)" + tests + "}",
      R"({)" + tests + "}",                                      // no name
      R"({"name":"x","url":[],)" + tests + "}",
      R"({"name":"x","group":null,)" + tests + "}",
      R"({"name":"x","tests":[{"input":1,"output":"1"}]})",
      R"({"name":"x","tests":[{"input":"1"}]})",
      R"({"name":"x","tests":["1"]})",
      R"({"name":"x","timeLimit":0,)" + tests + "}",
      R"({"name":"x","timeLimit":60001,)" + tests + "}",
      R"({"name":"x","timeLimit":"1000",)" + tests + "}",
      R"({"name":"x","memoryLimit":0.5,)" + tests + "}",
      R"({"name":"x","memoryLimit":65537,)" + tests + "}",
      R"({"name":"x","interactive":"no",)" + tests + "}",
      R"({"name":"x","input":{"type":"file","fileName":"../a.in"},)" + tests + "}",
      R"({"name":"x","input":{"type":"file","fileName":"CON"},)" + tests + "}",
      R"({"name":"x","output":{"type":"file"},)" + tests + "}",
      R"({"name":"x","output":"stdout",)" + tests + "}",
      R"({"name":"x","batch":{"id":1,"size":2},)" + tests + "}",
      R"({"name":"x\xff",)" + tests + "}",                       // not UTF-8
      std::string(65, '[') + std::string(65, ']'),
      R"({"name":"x","tests":[)" + [] {
        std::string many;
        for (std::size_t i = 0; i <= Max_samples; ++i) many += std::string(i ? "," : "") + R"({"input":"","output":""})";
        return many;
      }() + "]}",
  };
  for (const auto& body : refused) {
    Received_problem p;
    std::string why;
    EXPECT_FALSE(Parse_problem(body, p, why)) << body.substr(0, 100);
    EXPECT_FALSE(why.empty()) << body.substr(0, 100);
  }
  Received_problem p;
  std::string why;
  EXPECT_TRUE(Parse_problem(R"({"name":"x","timeLimit":60000,"memoryLimit":65536,)" + tests + "}", p, why)) << why;
  EXPECT_TRUE(Parse_problem(R"({"name":"x","timeLimit":1,"memoryLimit":1,"tests":[]})", p, why)) << why;
}

TEST(Problem_file_name, TakesJudgesIdsFromTheirAddresses) {
  const struct {
    std::string url, name, file;
  } cases[] = {
      {"https://www.luogu.com.cn/problem/P1001", "P1001 A+B Problem", "P1001"},
      {"https://www.luogu.com.cn/problem/CF954G?contestId=1", "x", "CF954G"},
      {"https://codeforces.com/contest/954/problem/G", "G. Castle Defense", "954G"},
      {"https://codeforces.com/problemset/problem/954/G", "G. Castle Defense", "954G"},
      {"https://codeforces.com/gym/100001/problem/A", "A. x", "100001A"},
      {"https://m1.codeforces.com/contest/1850/problem/F2#x", "x", "1850F2"},
      {"https://atcoder.jp/contests/abc284/tasks/abc284_a", "A - Sequence of Strings", "abc284_a"},
      {"https://codeforces.com/contest/954/problem/../../x", "G. Castle Defense", "G_Castle_Defense"},
      {"https://evil.example/problem/P1001", "P1001 A+B Problem", "P1001_A_B_Problem"},
      {"https://user@luogu.com.cn/problem/P1001", "y", "y"},
      {"ftp://atcoder.jp/contests/a/tasks/b", "z", "z"},
      {"", "", "problem"},
      {"https://www.luogu.com.cn/problem/con", "x", "con_"},
  };
  for (const auto& c : cases) EXPECT_EQ(Problem_file_name(c.url, c.name), c.file) << c.url;
}

TEST(Safe_name, KeepsLettersDigitsAndChineseAndNothingThatLeadsElsewhere) {
  const std::string thirty_chinese = [] {
    std::string s;
    for (int i = 0; i < 30; ++i) s += "题";
    return s;
  }();
  const struct {
    std::string name, safe;
  } cases[] = {
      {"G. Castle Defense", "G_Castle_Defense"},
      {"【模板】快速幂", "模板_快速幂"},
      {"../../x", "x"},
      {"..", "problem"},
      {"a/b", "a_b"},
      {"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i"},
      {"CON", "CON_"},
      {"nul", "nul_"},
      {"Com7", "Com7_"},
      {"COM0", "COM0"},
      {"LPT", "LPT"},
      {"a\x01\x1b[2Jb\r\n", "a_2Jb"},
      {"x\xff\xfe" "y", "x_y"},
      {"\xe4\xb8", "problem"},           // a character cut short
      {"Ünïcödé Ωμέγα Кошка", "Ünïcödé_Ωμέγα_Кошка"},
      {"ｆｕｌｌ　ｗｉｄｔｈ", "ｆｕｌｌ_ｗｉｄｔｈ"},
      {"a" + std::string(300, 'b'), "a" + std::string(63, 'b')},
      {thirty_chinese, thirty_chinese.substr(0, 63)},  // 21 whole characters
      {std::string(63, 'a') + " 题", std::string(63, 'a')},
      {"", "problem"},
  };
  for (const auto& c : cases) {
    const std::string safe = Safe_name(c.name);
    EXPECT_EQ(safe, c.safe) << c.name;
    EXPECT_LE(safe.size(), Max_name_bytes) << c.name;
    EXPECT_TRUE(Is_plain_file_name(safe + ".1.ans")) << c.name;
  }
}

TEST(Is_plain_file_name, RefusesPathsAndNamesWindowsCannotHold) {
  for (const std::string name : {"a.in", "input.txt", "题目.in", "a b.out"}) EXPECT_TRUE(Is_plain_file_name(name)) << name;
  for (const std::string& name : {std::string(), std::string("."), std::string(".."), std::string("a/b"),
                                 std::string("a\\b"), std::string("c:x"), std::string("a."), std::string("a "),
                                 std::string("CON.txt"), std::string("aux"), std::string("a\tb"), std::string("x?"),
                                 std::string(256, 'a')})
    EXPECT_FALSE(Is_plain_file_name(name)) << name;
}

}  // namespace
