// open(O_NONBLOCK) returns at once on a FIFO, and fstat of the open descriptor tells what it
// is without the race of a stat before the open.
#include "RegularFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

enum class Drained { kEnd, kFailed, kTooLarge, kOutOfTime };

// Reads `fd` to its end into `bytes`, at most `limit` bytes. While a pipe's writer has nothing
// to send yet, waits for it until `deadline`.
Drained ReadToEnd(int fd, std::size_t limit, std::chrono::steady_clock::time_point deadline,
                  std::vector<char>* bytes) {
  bytes->clear();
  char chunk[65536];
  for (;;) {
    const ssize_t count = ::read(fd, chunk, sizeof chunk);
    if (count > 0) {
      if (bytes->size() + static_cast<std::size_t>(count) > limit) return Drained::kTooLarge;
      bytes->insert(bytes->end(), chunk, chunk + count);
      continue;
    }
    if (count == 0) return Drained::kEnd;  // a pipe: every writer closed it, or none opened it
    if (errno == EINTR) continue;
    if (errno != EAGAIN) return Drained::kFailed;
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) return Drained::kOutOfTime;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    pollfd wanted{fd, POLLIN, 0};
    ::poll(&wanted, 1, static_cast<int>(std::min<long long>(left.count() + 1, 1000)));
  }
}

}  // namespace

FileOpening OpenRegularFile(const std::string& path, std::vector<char>* bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    return FileOpening::kCannotOpen;
  }
  struct stat status;
  FileOpening result = FileOpening::kRegular;
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    result = FileOpening::kNotRegular;
  } else if (bytes != nullptr &&
             ReadToEnd(fd, bytes->max_size(), std::chrono::steady_clock::time_point::max(),
                       bytes) != Drained::kEnd) {
    result = FileOpening::kCannotOpen;
  }
  ::close(fd);
  return result;
}

FifoReading ReadFifo(const std::string& path, std::chrono::steady_clock::time_point deadline,
                     std::size_t limit, std::vector<char>* bytes) {
  struct stat status;
  if (::stat(path.c_str(), &status) != 0 || !S_ISFIFO(status.st_mode)) {
    return FifoReading::kNotFifo;
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISFIFO(status.st_mode)) {
    if (fd >= 0) ::close(fd);
    return FifoReading::kNotFifo;
  }
  const Drained drained = ReadToEnd(fd, limit, deadline, bytes);
  ::close(fd);
  switch (drained) {
    case Drained::kTooLarge:
      return FifoReading::kTooLarge;
    case Drained::kOutOfTime:
      return FifoReading::kOutOfTime;
    default:
      return FifoReading::kRead;  // what came before a read error is the document
  }
}
