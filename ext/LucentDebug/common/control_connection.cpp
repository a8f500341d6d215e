#include "control_connection.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace {

// Longer lines are no command; they are dropped, not kept growing.
constexpr size_t kMaxLine = 256;

void Signal(int eventFd) {
  const uint64_t one = 1;
  (void)!write(eventFd, &one, sizeof one);
}

}  // namespace

ControlConnection::ControlConnection(int fd, Notice onPause, Notice onGone)
    : fd_(fd),
      goneFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      stopFd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      onPause_(onPause),
      onGone_(onGone) {
  if (fd_ >= 0 && goneFd_ >= 0 && stopFd_ >= 0)
    thread_ = std::thread(&ControlConnection::Watch, this);
}

ControlConnection::~ControlConnection() {
  if (thread_.joinable()) {
    Signal(stopFd_);
    thread_.join();
  }
  for (int fd : {fd_, goneFd_, stopFd_}) {
    if (fd >= 0) close(fd);
  }
}

void ControlConnection::Line(const std::string& line) {
  if (line == "watch") {
    watching_ = true;
  } else if (line == "pause") {
    if (onPause_ != nullptr) onPause_();
  }
}

void ControlConnection::Watch() {
  std::string pending;
  char buffer[512];
  for (;;) {
    pollfd polled[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    const int ready = poll(polled, 2, -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (polled[1].revents != 0) return;
    const ssize_t n = recv(fd_, buffer, sizeof buffer, 0);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;  // closed or broken: the end of the line
    for (ssize_t i = 0; i < n; ++i) {
      const char c = buffer[i];
      if (c == '\n') {
        if (!pending.empty() && pending.back() == '\r') pending.pop_back();
        Line(pending);
        pending.clear();
      } else if (pending.size() < kMaxLine) {
        pending += c;
      }
    }
  }
  // An IDE that never said "watch" reads the announcement and closes; only
  // one that did is gone.
  if (!watching_) return;
  gone_.store(true);
  Signal(goneFd_);
  if (onGone_ != nullptr) onGone_();
}
