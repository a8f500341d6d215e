// Framing, body checks and numbering of Debug Adapter Protocol messages.
#include "dap_transport.h"

#include "json_fields.h"

namespace {
// Bounds what one message may make the adapter buffer, and how deeply it may
// nest (the adapter copies and prints messages, recursing once per level); no
// client sends more.
constexpr size_t kMaxBody = 64 * 1024 * 1024;
constexpr int kMaxDepth = 64;
}  // namespace

DapTransport::DapTransport(int inputFd, int outputFd)
    : inputBuffer_(inputFd),
      outputBuffer_(outputFd),
      input_(&inputBuffer_),
      output_(&outputBuffer_),
      framing_(input_, output_, kMaxBody) {}

DapTransport::ReadResult DapTransport::read(nlohmann::json& message, std::string& problem) {
  std::string body;
  switch (framing_.read(body, problem)) {
    case MessageTransport::ReadResult::kEndOfInput:
      return ReadResult::kEndOfInput;
    case MessageTransport::ReadResult::kFramingError:
      return ReadResult::kUnreadable;
    case MessageTransport::ReadResult::kTooLarge:
      return ReadResult::kBadBody;
    case MessageTransport::ReadResult::kMessage:
      break;
  }
  message = protocol::ParseMessage(body, kMaxDepth, problem);
  if (message.is_discarded()) return ReadResult::kBadBody;
  if (!message.is_object()) {
    problem = "message is not a JSON object";
    message = nlohmann::json();
    return ReadResult::kBadBody;
  }
  return ReadResult::kMessage;
}

void DapTransport::send(nlohmann::json message) {
  std::lock_guard<std::mutex> lock(sendMutex_);
  message["seq"] = nextSeq_++;
  // Invalid UTF-8 from the script (binary output, Latin-1 source) is replaced
  // rather than thrown on.
  framing_.write(message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}
