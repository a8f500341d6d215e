// Content-Length framing shared by the Language Server and Debug Adapter protocols: a
// header block with Content-Length, a blank line, then that many bytes of JSON.
#ifndef BRIGHTWATER_PROTOCOL_MESSAGE_TRANSPORT_H
#define BRIGHTWATER_PROTOCOL_MESSAGE_TRANSPORT_H

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

class MessageTransport {
 public:
  enum class ReadResult {
    kMessage,
    // The input ended between messages.
    kEndOfInput,
    // The header block was unreadable or the input ended inside a message; `problem` says
    // how. The stream cannot be trusted to be in step any more.
    kFramingError,
    // The body was longer than the limit. It was read and dropped, so the next message is
    // in step.
    kTooLarge,
  };

  MessageTransport(std::istream& in, std::ostream& out, std::size_t maxBodyLength);

  ReadResult read(std::string& body, std::string& problem);
  // False when the output can no longer be written.
  bool write(const std::string& body);

 private:
  bool readHeaderLine(std::string& line, std::string& problem);

  std::istream& m_in;
  std::ostream& m_out;
  std::size_t m_maxBodyLength;
};

#endif
