#include "contest/receive.h"

#include <chrono>
#include <cmath>
#include <map>

#include "contest/http_request.h"
#include "contest/receive_files.h"
#include "contest/receive_problem.h"
#include "platform/platform.h"
#include "text/printable.h"

namespace {

const char* const Receive_usage =
    "用法：vorlix --receive [目录] [--port=端口]   （简写 -r）\n"
    "接收浏览器扩展 Competitive Companion 发来的题目，写入目录（默认为当前目录）。\n";

// A client has this long to send its whole request: the extension sends it
// at once, and one that dawdles must not hold the others up for long.
constexpr int Request_milliseconds = 5000;

struct Receiver {
  std::string dir;
  unsigned port = Receive_port;
  int received = 0;
  std::map<std::string, int> batches;  // problems received of each batch
};

bool Read_port(const std::string& digits, unsigned& port) {
  if (digits.empty() || digits.size() > 5) return false;
  unsigned long n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + static_cast<unsigned long>(c - '0');
  }
  port = static_cast<unsigned>(n);
  return n >= 1 && n <= 65535;
}

// DIR and --port=N, in either order, each at most once.
bool Read_arguments(const std::vector<std::string>& arguments, Receiver& r) {
  bool have_dir = false, have_port = false;
  for (std::size_t i = 2; i < arguments.size(); ++i) {
    const std::string& a = arguments[i];
    if (a.compare(0, 7, "--port=") == 0) {
      if (have_port || !Read_port(a.substr(7), r.port)) return false;
      have_port = true;
    } else if (!a.empty() && a[0] != '-' && !have_dir) {
      r.dir = a;
      have_dir = true;
    } else {
      return false;
    }
  }
  return true;
}

std::string Number(double x) {
  if (x == std::floor(x)) return std::to_string(static_cast<long long>(x));
  std::string s = std::to_string(x);
  while (s.back() == '0') s.pop_back();
  return s;
}

// A name as the line shows it: through Printable, and cut at a whole
// character after 200 bytes, since a request may hold a name of megabytes.
std::string Shown(const std::string& name) {
  if (name.size() <= 200) return Printable(name);
  std::size_t cut = 200;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xc0) == 0x80) --cut;
  return Printable(name.substr(0, cut)) + "…";
}

std::string Problem_line(Receiver& r, const Received_problem& p, const Written_problem& w) {
  std::string line = "已接收";
  if (!p.batch_id.empty() && p.batch_size > 1)
    line += "第 " + std::to_string(++r.batches[p.batch_id]) + "/" + std::to_string(p.batch_size) + " 题";
  line += "：" + Shown(p.name) + " → " + Printable(w.name) + ".cpp，" + std::to_string(p.tests.size()) +
          " 组样例，时间限制 " + (p.time_limit_ms ? Number(*p.time_limit_ms) + " 毫秒" : "未给出") +
          "，内存限制 " + (p.memory_limit_mb ? Number(*p.memory_limit_mb) + " MB" : "未给出");
  if (p.input.type == "file") line += "，输入文件 " + Shown(p.input.file);
  if (p.output.type == "file") line += "，输出文件 " + Shown(p.output.file);
  return line + w.notes + "\n";
}

void Say_refused(const std::string& why) { Write_text(Stream::err, "已拒绝一个请求：" + why + "\n"); }

// Answers a refused request, then reads what the client still sends for a
// moment, so that it reads the answer rather than a reset connection.
void Refuse(Socket connection, int status, const std::string& why) {
  Say_refused(why);
  if (!Send_bytes(connection, Http_answer(status, why + "\n")).ok()) return;
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  std::string ignored;
  for (bool ended = false; !ended && std::chrono::steady_clock::now() < until;) {
    Socket_wait wait;
    if (!Wait_for_socket(connection, 100, wait).ok() || wait == Socket_wait::interrupted) return;
    if (wait == Socket_wait::ready && !Receive_bytes(connection, ignored, 1 << 16, ended).ok()) return;
    ignored.clear();
  }
}

// Reads the connection's one request and answers it; a problem in it is
// written once the answer has gone and the connection is closed (then
// `connection` is No_socket). False when Ctrl-C came meanwhile.
bool Serve(Receiver& r, Socket& connection) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Request_milliseconds);
  std::string bytes;
  Request_reading reading;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now()).count();
    Socket_wait wait = Socket_wait::timed_out;
    if (left > 0) {
      if (const Outcome o = Wait_for_socket(connection, static_cast<int>(left), wait); !o.ok()) {
        Say_refused("连接出错（" + o.failure().system_text + "）");
        return true;
      }
    }
    if (wait == Socket_wait::interrupted) return false;
    if (wait == Socket_wait::timed_out) {
      Refuse(connection, 408, "请求没有在 " + std::to_string(Request_milliseconds / 1000) + " 秒内发完");
      return true;
    }
    bool ended = false;
    if (const Outcome o = Receive_bytes(connection, bytes, 1 << 16, ended); !o.ok()) {
      Say_refused("连接出错（" + o.failure().system_text + "）");
      return true;
    }
    reading = Read_request(bytes, Max_problem_bytes);
    if (reading.state != Request_reading::State::incomplete) break;
    if (ended) {
      Say_refused("请求没有发完连接就关闭了");
      return true;
    }
  }
  if (reading.state == Request_reading::State::refused) {
    Refuse(connection, reading.status, reading.why);
    return true;
  }
  int status = 0;
  const std::string refusal = Request_refusal(reading.request, r.port, status);
  if (!refusal.empty()) {
    Refuse(connection, status, refusal);
    return true;
  }
  Received_problem problem;
  std::string why;
  if (!Parse_problem(reading.request.body, problem, why)) {
    Refuse(connection, 400, "题目数据有误：" + why);
    return true;
  }
  // The extension waits only half a second: it has its answer before a file
  // is written.
  (void)Send_bytes(connection, Http_answer(200, "OK\n"));
  Close_socket(connection);
  connection = No_socket;
  const Written_problem w = Write_problem(r.dir, problem, reading.request.body);
  ++r.received;
  Write_text(Stream::out, Problem_line(r, problem, w));
  if (!w.failures.empty()) Write_text(Stream::err, w.failures);
  return true;
}

}  // namespace

bool Is_receive_option(const std::string& argument) { return argument == "--receive" || argument == "-r"; }

int Receive_command(const std::vector<std::string>& arguments) {
  Console_init();
  Receiver r;
  if (!Read_arguments(arguments, r)) {
    Write_text(Stream::err, Receive_usage);
    return 2;
  }
  if (!r.dir.empty()) {
    if (const Outcome o = Make_directories(r.dir); !o.ok()) {
      Write_text(Stream::err, "无法使用目录 " + Printable(r.dir) + "：" + o.failure().system_text + "\n");
      return 2;
    }
  }
  Catch_interrupts();
  Socket listener = No_socket;
  bool in_use = false;
  const std::string where = "127.0.0.1:" + std::to_string(r.port);
  if (const Outcome o = Listen_on_loopback(r.port, listener, in_use); !o.ok()) {
    Write_text(Stream::err, in_use ? "端口 " + std::to_string(r.port) + " 已被其他程序占用（" +
                                         o.failure().system_text +
                                         "）。请先关闭那个程序，或用 --port=端口 换一个端口，"
                                         "并在浏览器扩展的设置中同样修改。\n"
                                   : "无法在 " + where + " 上监听：" + o.failure().system_text + "\n");
    return 1;
  }
  Write_text(Stream::out,
             "正在 " + where + " 上接收题目，保存到" +
                 (r.dir.empty() ? std::string("当前目录") : "目录 " + Printable(r.dir)) +
                 "。按 Ctrl-C 结束。\n"
                 "请在浏览器扩展 Competitive Companion 的设置中把端口 " + std::to_string(r.port) +
                 " 加入自定义端口（Custom ports），然后在题目页面点击扩展的按钮。\n");
  for (;;) {
    Socket_wait wait = Socket_wait::timed_out;
    if (const Outcome o = Wait_for_socket(listener, 60000, wait); !o.ok()) {
      Write_text(Stream::err, "无法继续监听：" + o.failure().system_text + "\n");
      Close_socket(listener);
      return 1;
    }
    if (wait == Socket_wait::interrupted) break;
    if (wait != Socket_wait::ready) continue;
    Socket connection = No_socket;
    if (!Accept_connection(listener, connection).ok()) continue;  // a client that gave up at once
    const bool go_on = Serve(r, connection);
    Close_socket(connection);
    if (!go_on) break;
  }
  Close_socket(listener);
  Write_text(Stream::out, "共收到 " + std::to_string(r.received) + " 道题。\n");
  return 130;
}
