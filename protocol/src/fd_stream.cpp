// Blocking reads and writes that retry after signals; an error or the peer's
// close is the end of the stream.
#include "fd_stream.h"

#include <unistd.h>

#include <cerrno>

namespace protocol {

FdStreamBuf::int_type FdStreamBuf::underflow() {
  if (gptr() < egptr()) {
    return traits_type::to_int_type(*gptr());
  }
  for (;;) {
    const ssize_t got = ::read(m_fd, m_buffer, sizeof m_buffer);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      return traits_type::eof();
    }
    setg(m_buffer, m_buffer, m_buffer + got);
    return traits_type::to_int_type(*gptr());
  }
}

std::streamsize FdStreamBuf::xsputn(const char* bytes, std::streamsize count) {
  std::streamsize done = 0;
  while (done < count) {
    const ssize_t written = ::write(m_fd, bytes + done, static_cast<size_t>(count - done));
    if (written < 0 && errno == EINTR) {
      continue;
    }
    if (written <= 0) {
      break;
    }
    done += written;
  }
  return done;
}

FdStreamBuf::int_type FdStreamBuf::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) {
    return traits_type::not_eof(c);
  }
  const char byte = traits_type::to_char_type(c);
  return xsputn(&byte, 1) == 1 ? c : traits_type::eof();
}

}  // namespace protocol
