// Sockets for the problem receiver through Winsock: one listener on the
// loopback address, waits that an interrupt ends (after Catch_interrupts,
// whose console handler only raises a flag): each wait looks at it every
// tenth of a second.
#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/platform.h"
#include "platform/windows/internal.h"

namespace {

Failure Socket_failure() { return Windows_failure(static_cast<DWORD>(WSAGetLastError())); }

SOCKET Handle(Socket socket) { return static_cast<SOCKET>(socket); }

}  // namespace

Outcome Listen_on_loopback(unsigned port, Socket& listener, bool& port_in_use) {
  listener = No_socket;
  port_in_use = false;
  WSADATA data;
  if (const int error = WSAStartup(MAKEWORD(2, 2), &data)) return Windows_failure(static_cast<DWORD>(error));
  const SOCKET s = WSASocketW(AF_INET, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
  if (s == INVALID_SOCKET) return Socket_failure();
  // Nobody else may take the port while Vorlix listens on it.
  const BOOL on = TRUE;
  setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&on), sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<u_short>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || listen(s, 16) != 0) {
    const int error = WSAGetLastError();
    closesocket(s);
    // A listener that holds the port for itself refuses others with WSAEACCES.
    port_in_use = error == WSAEADDRINUSE || error == WSAEACCES;
    return Windows_failure(static_cast<DWORD>(error));
  }
  listener = static_cast<Socket>(s);
  return {};
}

Outcome Wait_for_socket(Socket socket, int milliseconds, Socket_wait& result) {
  result = Socket_wait::timed_out;
  for (int waited = 0;; waited += 100) {
    if (Interrupted()) {
      result = Socket_wait::interrupted;
      return {};
    }
    if (waited >= milliseconds) return {};
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Handle(socket), &readable);
    const int slice = milliseconds - waited < 100 ? milliseconds - waited : 100;
    timeval timeout{0, slice * 1000};
    const int n = select(0, &readable, nullptr, nullptr, &timeout);
    if (n == SOCKET_ERROR) return Socket_failure();
    if (n > 0) {
      result = Socket_wait::ready;
      return {};
    }
  }
}

Outcome Accept_connection(Socket listener, Socket& connection) {
  connection = No_socket;
  const SOCKET s = accept(Handle(listener), nullptr, nullptr);
  if (s == INVALID_SOCKET) return Socket_failure();
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  connection = static_cast<Socket>(s);
  return {};
}

Outcome Receive_bytes(Socket connection, std::string& bytes, std::size_t most, bool& ended) {
  ended = false;
  char buf[64 * 1024];
  const int want = static_cast<int>(most < sizeof buf ? most : sizeof buf);
  const int n = recv(Handle(connection), buf, want, 0);
  if (n == SOCKET_ERROR) return Socket_failure();
  ended = n == 0;
  bytes.append(buf, static_cast<std::size_t>(n));
  return {};
}

Outcome Send_bytes(Socket connection, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const int chunk = static_cast<int>(bytes.size() - done < (1u << 20) ? bytes.size() - done : (1u << 20));
    const int n = send(Handle(connection), bytes.data() + done, chunk, 0);
    if (n == SOCKET_ERROR) return Socket_failure();
    done += static_cast<std::size_t>(n);
  }
  shutdown(Handle(connection), SD_SEND);
  return {};
}

void Close_socket(Socket socket) {
  if (socket != No_socket) closesocket(Handle(socket));
}
