// Content-Length framing of Debug Adapter Protocol messages over file descriptors.
#include "dap_transport.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace {
// Bounds what one message may make the adapter buffer; no client sends more.
constexpr size_t kMaxHeaderLine = 1024;
constexpr size_t kMaxBody = 64 * 1024 * 1024;

void WriteAll(int fd, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t written = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return;  // the client is gone; its reader will notice
    done += static_cast<size_t>(written);
  }
}
}  // namespace

DapTransport::DapTransport(int inputFd, int outputFd) : inputFd_(inputFd), outputFd_(outputFd) {}

bool DapTransport::fill() {
  if (offset_ > 0 && offset_ == buffer_.size()) {
    buffer_.clear();
    offset_ = 0;
  }
  char chunk[65536];
  for (;;) {
    ssize_t got = ::read(inputFd_, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(got));
    return true;
  }
}

bool DapTransport::readHeaderLine(std::string& line) {
  for (;;) {
    size_t end = buffer_.find("\r\n", offset_);
    if (end != std::string::npos) {
      line = buffer_.substr(offset_, end - offset_);
      offset_ = end + 2;
      return true;
    }
    if (buffer_.size() - offset_ > kMaxHeaderLine) {
      line = buffer_.substr(offset_, kMaxHeaderLine);
      return true;  // the caller rejects it as too long
    }
    if (!fill()) return false;
  }
}

DapTransport::ReadResult DapTransport::read(nlohmann::json& message, std::string& error) {
  long long length = -1;
  bool sawHeader = false;
  for (;;) {
    std::string line;
    if (!readHeaderLine(line)) {
      if (!sawHeader && offset_ == buffer_.size()) return ReadResult::kEndOfInput;
      error = "input ended inside a message header";
      return ReadResult::kMalformed;
    }
    if (line.size() >= kMaxHeaderLine) {
      error = "header line too long";
      return ReadResult::kMalformed;
    }
    if (line.empty()) break;
    sawHeader = true;
    size_t colon = line.find(':');
    if (colon == std::string::npos) {
      error = "header line without a colon: " + line;
      return ReadResult::kMalformed;
    }
    std::string name = line.substr(0, colon);
    if (name == "Content-Length") {
      std::string value = line.substr(colon + 1);
      char* end = nullptr;
      errno = 0;
      length = std::strtoll(value.c_str(), &end, 10);
      while (end && (*end == ' ' || *end == '\t')) ++end;
      if (errno != 0 || end == value.c_str() || *end != '\0' || length < 0 ||
          static_cast<unsigned long long>(length) > kMaxBody) {
        error = "bad Content-Length: " + value;
        return ReadResult::kMalformed;
      }
    }
  }
  if (length < 0) {
    error = "message without a Content-Length header";
    return ReadResult::kMalformed;
  }
  while (buffer_.size() - offset_ < static_cast<size_t>(length)) {
    if (!fill()) {
      error = "input ended inside a message body";
      return ReadResult::kMalformed;
    }
  }
  std::string body = buffer_.substr(offset_, static_cast<size_t>(length));
  offset_ += static_cast<size_t>(length);
  message = nlohmann::json::parse(body, nullptr, false);
  if (message.is_discarded() || !message.is_object()) {
    error = "message body is not a JSON object";
    return ReadResult::kMalformed;
  }
  return ReadResult::kMessage;
}

void DapTransport::send(nlohmann::json message) {
  std::lock_guard<std::mutex> lock(sendMutex_);
  message["seq"] = nextSeq_++;
  // Invalid UTF-8 from the script (binary output, Latin-1 source) is replaced
  // rather than thrown on.
  std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  WriteAll(outputFd_, "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}
