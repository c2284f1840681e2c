#include "harness.h"
#include "temp_dir.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

std::string Main_page() {
  return CLS + std::string(47, ' ') + "Vorlix\n" + std::string(100, '-') + "\n" +
         "1. 运行代码\n2. 设置\n3. 保存并退出\n\n";
}

std::string Settings_page() {
  return CLS + std::string(43, ' ') + "Vorlix -- 设置\n" + std::string(100, '-') + "\n" +
         "1. 修改编译器（g++.exe）路径\n2. 修改 ConsolePauser 路径\n3. 修改编译选项\n"
         "4. 程序信息\n5. 返回\n\n";
}

std::string Vorlix_binary() { return VORLIX_BINARY; }

unsigned Free_port() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0)
    a.sin_port = 0;
  if (fd >= 0) close(fd);
  return ntohs(a.sin_port);
}
std::string Pauser_binary() { return PAUSER_BINARY; }

namespace {

void Set_nonblocking(int fd) { fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK); }

// The cache (build records) and config folders of every test's programs:
// never the user's own. Removed when the tests end.
const Temp_dir& User_folders() {
  static const Temp_dir folders;
  return folders;
}

}  // namespace

Session Run_program(const std::vector<std::string>& argv, const std::string& dir,
                    const std::string& input, const Session_options& options) {
  Session session;
  int in[2], out[2], err[2];
  if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return session;
  std::signal(SIGPIPE, SIG_IGN);
  const std::string cache = User_folders() / "cache", config = User_folders() / "config";
  const auto start = std::chrono::steady_clock::now();

  const pid_t pid = fork();
  if (pid == 0) {
    dup2(in[0], 0);
    dup2(out[1], 1);
    dup2(err[1], 2);
    for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
    setpgid(0, 0);
    if (chdir(dir.c_str()) != 0) _exit(126);
    unsetenv("TMUX");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    // No precompiled header is ever made in the user's own cache by a test;
    // a test of the cache turns it on with a cache folder of its own.
    setenv("VORLIX_PCH", "0", 1);
    setenv("XDG_CACHE_HOME", cache.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    for (const auto& e : options.env) putenv(strdup(e.c_str()));
    std::vector<std::string> args;
    if (!options.prelude.empty())  // let the shell apply the prelude, then become the program
      args = {"/bin/sh", "-c", options.prelude + "; exec \"$0\" \"$@\""};
    args.insert(args.end(), argv.begin(), argv.end());
    std::vector<char*> raw;
    for (auto& a : args) raw.push_back(a.data());
    raw.push_back(nullptr);
    execv(raw[0], raw.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  close(err[1]);
  Set_nonblocking(in[1]);
  Set_nonblocking(out[0]);
  Set_nonblocking(err[0]);

  std::size_t written = 0;
  int to_child = in[1];
  if (input.empty()) {
    close(to_child);
    to_child = -1;
  }
  bool out_open = true, err_open = true;
  const auto deadline = start + std::chrono::duration<double>(options.timeout_seconds);
  while (out_open || err_open) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      session.timed_out = true;
      kill(-pid, SIGKILL);
      break;
    }
    pollfd fds[3] = {{out_open ? out[0] : -1, POLLIN, 0},
                     {err_open ? err[0] : -1, POLLIN, 0},
                     {to_child, POLLOUT, 0}};
    if (poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    char buf[65536];
    for (int i = 0; i < 2; ++i) {
      if (fds[i].revents == 0) continue;
      const ssize_t n = read(fds[i].fd, buf, sizeof buf);
      if (n > 0) {
        (i == 0 ? session.out : session.err).append(buf, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EAGAIN) {
        close(fds[i].fd);
        (i == 0 ? out_open : err_open) = false;
      }
    }
    if (to_child >= 0 && fds[2].revents != 0) {
      const ssize_t n = write(to_child, input.data() + written, input.size() - written);
      if (n > 0) written += static_cast<std::size_t>(n);
      if ((n < 0 && errno != EAGAIN) || written == input.size()) {
        close(to_child);
        to_child = -1;
      }
    }
  }
  if (to_child >= 0) close(to_child);
  if (out_open) close(out[0]);
  if (err_open) close(err[0]);

  int raw = 0;
  waitpid(pid, &raw, 0);
  session.seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (WIFEXITED(raw)) session.status = WEXITSTATUS(raw);
  if (WIFSIGNALED(raw)) session.status = 128 + WTERMSIG(raw);
  return session;
}

Session Run_vorlix(const std::string& dir, const std::string& input,
                   const Session_options& options) {
  return Run_program({Vorlix_binary()}, dir, input, options);
}
