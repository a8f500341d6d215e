// Reads the script's output streams on one thread; the stop path drains them
// under the same lock so that output always precedes the stop it led to.
#include "output_channel.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "utf8.h"

namespace {
// Enough of the recent output to hold the engine's error message.
constexpr size_t kRecentLimit = 4096;
}  // namespace

std::string WholeUtf8Prefix(const std::string& bytes, std::string& tail) {
  size_t end = bytes.size();
  // Look back at most three bytes for the lead byte of a sequence cut short.
  for (size_t back = 1; back <= 3 && back <= bytes.size(); ++back) {
    unsigned char byte = static_cast<unsigned char>(bytes[bytes.size() - back]);
    if ((byte & 0xC0) == 0x80) continue;  // continuation byte
    size_t need = utf8::SequenceLength(byte);
    if (need > back) end = bytes.size() - back;
    break;
  }
  tail = bytes.substr(end);
  return bytes.substr(0, end);
}

OutputChannel::OutputChannel(Sink sink) : sink_(std::move(sink)) {
  if (pipe2(wakeFds_, O_CLOEXEC | O_NONBLOCK) != 0) wakeFds_[0] = wakeFds_[1] = -1;
  reader_ = std::thread([this] { run(); });
}

OutputChannel::~OutputChannel() {
  stopping_ = true;
  if (wakeFds_[1] >= 0) (void)!write(wakeFds_[1], "x", 1);
  reader_.join();
  for (Stream& stream : streams_) close(stream.fd);
  if (wakeFds_[0] >= 0) close(wakeFds_[0]);
  if (wakeFds_[1] >= 0) close(wakeFds_[1]);
}

void OutputChannel::addStream(int fd, const std::string& category) {
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Stream stream;
    stream.fd = fd;
    stream.category = category;
    streams_.push_back(stream);
  }
  if (wakeFds_[1] >= 0) (void)!write(wakeFds_[1], "x", 1);
}

void OutputChannel::mute(int fd) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Stream& stream : streams_) {
    if (stream.fd == fd) {
      while (readAvailable(stream)) {
      }
      stream.muted = true;
    }
  }
}

bool OutputChannel::readAvailable(Stream& stream) {
  if (stream.ended) return false;
  char chunk[65536];
  ssize_t got = read(stream.fd, chunk, sizeof chunk);
  if (got < 0 && (errno == EAGAIN || errno == EINTR)) return false;
  if (got <= 0) {
    stream.ended = true;
    if (!stream.pending.empty() && !stream.muted) deliver(stream.category, stream.pending);
    stream.pending.clear();
    return false;
  }
  if (stream.muted) return true;
  std::string text = WholeUtf8Prefix(stream.pending + std::string(chunk, got), stream.pending);
  if (!text.empty()) deliver(stream.category, text);
  return true;
}

void OutputChannel::deliver(const std::string& category, const std::string& text) {
  std::string& recent = recent_[category];
  recent += text;
  if (recent.size() > kRecentLimit) recent.erase(0, recent.size() - kRecentLimit);
  sink_(category, text);
}

void OutputChannel::drain() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (Stream& stream : streams_) {
    while (readAvailable(stream)) {
    }
  }
}

void OutputChannel::finish(int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    bool open = false;
    std::vector<pollfd> waiting;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (Stream& stream : streams_) {
        while (readAvailable(stream)) {
        }
        if (!stream.ended) {
          open = true;
          waiting.push_back(pollfd{stream.fd, POLLIN, 0});
        }
      }
    }
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (!open || left.count() <= 0) break;
    poll(waiting.data(), waiting.size(), static_cast<int>(left.count()));
  }
}

std::string OutputChannel::takeRecent(const std::string& category) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string& recent = recent_[category];
  std::string taken;
  taken.swap(recent);
  return taken;
}

void OutputChannel::run() {
  while (!stopping_) {
    std::vector<pollfd> waiting;
    waiting.push_back(pollfd{wakeFds_[0], POLLIN, 0});
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (const Stream& stream : streams_) {
        if (!stream.ended) waiting.push_back(pollfd{stream.fd, POLLIN, 0});
      }
    }
    if (poll(waiting.data(), waiting.size(), 200) <= 0) continue;
    if (waiting[0].revents) {
      char drop[64];
      while (read(wakeFds_[0], drop, sizeof drop) > 0) {
      }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    for (Stream& stream : streams_) {
      readAvailable(stream);
    }
  }
}
