// Debug Adapter Protocol framing: "Content-Length: N\r\n\r\n" followed by N
// bytes of JSON, read from one file descriptor and written to another.
#ifndef LUCENTDEBUG_DAP_TRANSPORT_H
#define LUCENTDEBUG_DAP_TRANSPORT_H

#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

class DapTransport {
 public:
  DapTransport(int inputFd, int outputFd);

  enum class ReadResult { kMessage, kEndOfInput, kMalformed };
  // Reads the next message. kMalformed leaves a description in `error`; the
  // stream cannot be resynchronised after it.
  ReadResult read(nlohmann::json& message, std::string& error);

  // Writes one message, giving it the next "seq". Safe from any thread.
  void send(nlohmann::json message);

 private:
  bool fill();  // reads more input into buffer_; false at end of input
  bool readHeaderLine(std::string& line);

  int inputFd_;
  int outputFd_;
  std::string buffer_;
  size_t offset_ = 0;
  std::mutex sendMutex_;
  long nextSeq_ = 1;
};

#endif  // LUCENTDEBUG_DAP_TRANSPORT_H
