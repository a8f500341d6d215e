// Reads one HTTP request for the XML-RPC server from bytes as they arrive,
// and decides the HTTP answers that need no method: another path (404),
// another method (405), another content type (400), a missing, malformed,
// zero or too large content length (411, 400, 500).
#ifndef LUCENTDEBUG_HTTP_REQUEST_H
#define LUCENTDEBUG_HTTP_REQUEST_H

#include <cstddef>
#include <string>

class HttpRequestReader {
 public:
  enum class State { kHead, kBody, kComplete, kRefused };

  // Bodies above `bodyLimit` bytes are refused with 500.
  explicit HttpRequestReader(size_t bodyLimit) : bodyLimit_(bodyLimit) {}

  // Takes the next bytes of the connection; bytes past the body are ignored.
  void Feed(const char* data, size_t size);

  State state() const { return state_; }
  // The refusal, when state() is kRefused.
  int status() const { return status_; }
  const std::string& message() const { return message_; }
  // The body, when state() is kComplete.
  const std::string& body() const { return body_; }
  // The head asked for "100 Continue" before the body is sent.
  bool expectsContinue() const { return expectsContinue_; }

 private:
  void Refuse(int status, const std::string& message);
  void ReadHead(const std::string& head);
  void AppendBody(const char* data, size_t size);

  size_t bodyLimit_;
  State state_ = State::kHead;
  std::string head_;
  std::string body_;
  size_t contentLength_ = 0;
  int status_ = 0;
  std::string message_;
  bool expectsContinue_ = false;
};

// A complete HTTP/1.1 response that closes the connection.
std::string HttpResponse(int status, const char* contentType, const std::string& body,
                         const char* extraHeaders = "");

#endif  // LUCENTDEBUG_HTTP_REQUEST_H
