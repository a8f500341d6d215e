// A stream buffer over a file descriptor (a pipe or a socket), so that the framing
// of message_transport.h serves a server on stdio and one on a TCP connection alike.
#ifndef BRIGHTWATER_PROTOCOL_FD_STREAM_H
#define BRIGHTWATER_PROTOCOL_FD_STREAM_H

#include <streambuf>

namespace protocol {

// Reads through a buffer; writes go straight to the descriptor (a message is
// written as one piece). Does not own the descriptor.
class FdStreamBuf : public std::streambuf {
 public:
  explicit FdStreamBuf(int fd) : m_fd(fd) {}

 protected:
  int_type underflow() override;
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* bytes, std::streamsize count) override;

 private:
  int m_fd;
  char m_buffer[65536];
};

}  // namespace protocol

#endif  // BRIGHTWATER_PROTOCOL_FD_STREAM_H
