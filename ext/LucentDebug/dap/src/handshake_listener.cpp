// Listening sockets and the handshake line that a debugged php request sends.
#include "handshake_listener.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

std::optional<Announcement> ParseAnnouncement(const std::string& line) {
  // The engine sends no line end, but a front end relaying it might.
  std::string text = line;
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (text.compare(0, 4, "PHP:") != 0) return std::nullopt;
  size_t colon = text.find(':', 4);
  if (colon == std::string::npos || colon == 4 || colon - 4 > 5) return std::nullopt;
  int port = 0;
  for (size_t i = 4; i < colon; ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    port = port * 10 + (text[i] - '0');
  }
  if (port < 1 || port > 65535) return std::nullopt;
  Announcement announcement;
  announcement.port = port;
  announcement.cookie = text.substr(colon + 1);
  return announcement;
}

std::unique_ptr<Listener> Listener::open(const std::string& host, int port, std::string& error) {
  addrinfo hints = {};
  hints.ai_family = AF_INET;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_PASSIVE;
  addrinfo* found = nullptr;
  int status = getaddrinfo(host.empty() ? nullptr : host.c_str(), std::to_string(port).c_str(),
                           &hints, &found);
  if (status != 0) {
    error = "cannot resolve " + host + ": " + gai_strerror(status);
    return nullptr;
  }
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    freeaddrinfo(found);
    error = std::string("cannot create a socket: ") + strerror(errno);
    return nullptr;
  }
  int on = 1;
  setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  if (bind(fd, found->ai_addr, found->ai_addrlen) != 0 || listen(fd, 16) != 0) {
    error = "cannot listen on " + host + ":" + std::to_string(port) + ": " + strerror(errno);
    freeaddrinfo(found);
    close(fd);
    return nullptr;
  }
  freeaddrinfo(found);
  sockaddr_in bound = {};
  socklen_t length = sizeof bound;
  getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length);
  return std::unique_ptr<Listener>(new Listener(fd, ntohs(bound.sin_port)));
}

Listener::~Listener() { close(fd_); }

int Listener::accept(int timeoutMs, std::string* peer) {
  pollfd waiting = {fd_, POLLIN, 0};
  int ready;
  do {
    ready = poll(&waiting, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  if (ready <= 0) return -1;
  sockaddr_in address = {};
  socklen_t length = sizeof address;
  int connection = accept4(fd_, reinterpret_cast<sockaddr*>(&address), &length, SOCK_CLOEXEC);
  if (connection >= 0 && peer) {
    char text[INET_ADDRSTRLEN] = "";
    inet_ntop(AF_INET, &address.sin_addr, text, sizeof text);
    *peer = text;
  }
  return connection;
}

std::optional<Announcement> ReceiveAnnouncement(Listener& listener, int timeoutMs,
                                                const std::function<bool()>& keepWaiting,
                                                std::string& error) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  // Short slices, so that a php that died or a client that gave up is noticed.
  constexpr int kSliceMs = 50;
  for (;;) {
    if (!keepWaiting()) {
      error = "stopped waiting for php";
      return std::nullopt;
    }
    if (timeoutMs > 0 && Clock::now() >= deadline) {
      error = "php did not announce itself within " + std::to_string(timeoutMs) + " ms";
      return std::nullopt;
    }
    std::string peer;
    int connection = listener.accept(kSliceMs, &peer);
    if (connection < 0) continue;
    // The engine sends the whole line in one send and keeps the connection
    // open after its line end (older engines close it instead).
    std::string line;
    char chunk[256];
    pollfd readable = {connection, POLLIN, 0};
    while (line.size() < 1024 && line.find('\n') == std::string::npos &&
           poll(&readable, 1, 5000) > 0) {
      ssize_t got = read(connection, chunk, sizeof chunk);
      if (got <= 0) break;
      line.append(chunk, static_cast<size_t>(got));
    }
    close(connection);
    std::optional<Announcement> announcement = ParseAnnouncement(line);
    if (announcement) {
      announcement->engineHost = peer;
      return announcement;
    }
    // Something else connected (a port scanner, a stray client): keep waiting.
  }
}

int FreeLoopbackPort() {
  std::string error;
  std::unique_ptr<Listener> probe = Listener::open("127.0.0.1", 0, error);
  return probe ? probe->port() : 0;
}
