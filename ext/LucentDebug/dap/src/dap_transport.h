// Debug Adapter Protocol messages over a pair of file descriptors, framed by the
// shared Content-Length layer (message_transport.h).
#ifndef LUCENTDEBUG_DAP_TRANSPORT_H
#define LUCENTDEBUG_DAP_TRANSPORT_H

#include <istream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>

#include "fd_stream.h"
#include "message_transport.h"

class DapTransport {
 public:
  DapTransport(int inputFd, int outputFd);

  enum class ReadResult {
    kMessage,
    kEndOfInput,
    // The framing was in step but the body is no JSON object (not JSON, nested
    // too deeply, over the size limit): answered with an error, the session goes on.
    kBadBody,
    // The framing cannot be read; nothing says where the next message starts.
    kUnreadable,
  };
  // Reads the next message; `problem` describes a kBadBody or kUnreadable.
  ReadResult read(nlohmann::json& message, std::string& problem);

  // Writes one message, giving it the next "seq". Safe from any thread.
  void send(nlohmann::json message);

 private:
  protocol::FdStreamBuf inputBuffer_;
  protocol::FdStreamBuf outputBuffer_;
  std::istream input_;
  std::ostream output_;
  MessageTransport framing_;
  std::mutex sendMutex_;
  long nextSeq_ = 1;
};

#endif  // LUCENTDEBUG_DAP_TRANSPORT_H
