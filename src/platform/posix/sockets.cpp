// Sockets for the problem receiver: one listener on the loopback address,
// waits that an interrupt ends (after Catch_interrupts). Inside a wait the
// interrupting signals are blocked but for pselect itself, which unblocks
// them atomically, so that none can fall between the look at the flag and
// the wait.
#include <cerrno>
#include <csignal>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/platform.h"
#include "platform/posix/internal.h"

Outcome Listen_on_loopback(unsigned port, Socket& listener, bool& port_in_use) {
  listener = No_socket;
  port_in_use = false;
  // A peer that goes away mid-answer must not end Vorlix.
  std::signal(SIGPIPE, SIG_IGN);
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return Errno_failure(errno);
  // Connections of a previous run still closing do not hold the port; a
  // listener does (Linux refuses a second one all the same).
  const int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(fd, 16) != 0) {
    const int error = errno;
    close(fd);
    port_in_use = error == EADDRINUSE;
    return Errno_failure(error);
  }
  listener = fd;
  return {};
}

Outcome Wait_for_socket(Socket socket, int milliseconds, Socket_wait& result) {
  result = Socket_wait::timed_out;
  const int fd = static_cast<int>(socket);
  if (fd < 0 || fd >= FD_SETSIZE) return Errno_failure(EBADF);
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(fd, &readable);
  timespec timeout{milliseconds / 1000, (milliseconds % 1000) * 1000000L};
  sigset_t interrupting, outside, inside;
  sigemptyset(&interrupting);
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&interrupting, sig);
  sigprocmask(SIG_BLOCK, &interrupting, &outside);
  inside = outside;
  for (const int sig : {SIGINT, SIGTERM, SIGHUP}) sigdelset(&inside, sig);
  const int n = Interrupted() ? -1 : pselect(fd + 1, &readable, nullptr, nullptr, &timeout, &inside);
  const int error = errno;
  sigprocmask(SIG_SETMASK, &outside, nullptr);
  if (Interrupted()) {
    result = Socket_wait::interrupted;
    return {};
  }
  if (n < 0 && error == EINTR) return {};  // another signal: the caller waits again
  if (n < 0) return Errno_failure(error);
  if (n > 0) result = Socket_wait::ready;
  return {};
}

Outcome Accept_connection(Socket listener, Socket& connection) {
  connection = No_socket;
  const int fd = accept4(static_cast<int>(listener), nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) return Errno_failure(errno);
  connection = fd;
  return {};
}

Outcome Receive_bytes(Socket connection, std::string& bytes, std::size_t most, bool& ended) {
  ended = false;
  char buf[64 * 1024];
  const std::size_t want = most < sizeof buf ? most : sizeof buf;
  ssize_t n;
  do n = recv(static_cast<int>(connection), buf, want, 0);
  while (n < 0 && errno == EINTR);
  if (n < 0) return Errno_failure(errno);
  ended = n == 0;
  bytes.append(buf, static_cast<std::size_t>(n));
  return {};
}

Outcome Send_bytes(Socket connection, const std::string& bytes) {
  const int fd = static_cast<int>(connection);
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Errno_failure(n == 0 ? EIO : errno);
    done += static_cast<std::size_t>(n);
  }
  shutdown(fd, SHUT_WR);
  return {};
}

void Close_socket(Socket socket) {
  if (socket != No_socket) close(static_cast<int>(socket));
}
