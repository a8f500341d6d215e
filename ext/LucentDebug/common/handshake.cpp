// The handshake that tells the IDE where this request's requester listens.
#include "handshake.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace {

constexpr char kCookieAlphabet[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890";
constexpr unsigned kAlphabetSize = sizeof kCookieAlphabet - 1;

// The cookie is the only lock on a port that evaluates code, so it comes from
// the system's cryptographic source; the script's own generator is untouched.
char RandomCookieChar() {
  for (;;) {
    unsigned char byte = 0;
    if (getrandom(&byte, 1, 0) != 1) continue;
    // Reject the top bytes so every character is equally likely.
    if (byte < 256 - 256 % kAlphabetSize) return kCookieAlphabet[byte % kAlphabetSize];
  }
}

bool ResolveHost(const char* host, in_addr* address) {
  if (host == nullptr || host[0] == '\0') {
    address->s_addr = htonl(INADDR_ANY);
    return true;
  }
  if (inet_pton(AF_INET, host, address) == 1) return true;
  addrinfo hints{};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(host, nullptr, &hints, &found) != 0 || found == nullptr) return false;
  *address = reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr;
  freeaddrinfo(found);
  return true;
}

}  // namespace

extern "C" int luConnectSocket(const char* host, unsigned short port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_ANY);
  local.sin_port = 0;
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
    close(fd);
    return -1;
  }
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  if (!ResolveHost(host, &remote.sin_addr)) {
    close(fd);
    return -3;
  }
  if (connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

extern "C" int luConnectSocketWithin(const char* host, unsigned short port, int timeoutMs) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  if (!ResolveHost(host, &remote.sin_addr)) return -3;
  // Close-on-exec: a program the script starts must not hold the IDE's line open.
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  if (connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
    if (errno != EINPROGRESS) {
      close(fd);
      return -1;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    int error = ETIMEDOUT;
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      if (left <= 0) break;
      pollfd writable{fd, POLLOUT, 0};
      const int ready = poll(&writable, 1, static_cast<int>(left));
      if (ready < 0 && errno == EINTR) continue;
      if (ready > 0) {
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
      }
      break;
    }
    if (error != 0) {
      close(fd);
      return -1;
    }
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

extern "C" char* gencookie(char* buffer, size_t size) {
  if (size == 0) return buffer;
  memset(buffer, 0, size);
  for (size_t i = 0; i + 1 < size; ++i) buffer[i] = RandomCookieChar();
  return buffer;
}

bool SendAnnouncement(int fd, long ownPort, const char* cookie) {
  char message[256];
  int length = snprintf(message, sizeof message, "PHP:%ld:%.240s\n", ownPort, cookie ? cookie : "");
  if (length < 0) return false;
  ssize_t sent = send(fd, message, static_cast<size_t>(length), MSG_NOSIGNAL);
  return sent == length;
}

bool LocalAddressFor(const char* host, unsigned short port, unsigned char address[4]) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  if (!ResolveHost(host, &remote.sin_addr)) return false;
  // Connecting a datagram socket only picks the route; nothing is sent.
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  sockaddr_in local{};
  socklen_t length = sizeof local;
  const bool found = connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0 &&
                     getsockname(fd, reinterpret_cast<sockaddr*>(&local), &length) == 0 &&
                     local.sin_family == AF_INET;
  close(fd);
  if (found) std::memcpy(address, &local.sin_addr, 4);
  return found;
}
