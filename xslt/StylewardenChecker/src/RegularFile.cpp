// open(O_NONBLOCK) returns at once on a FIFO, and fstat of the open descriptor tells what it
// is without the race of a stat before the open.
#include "RegularFile.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

FileOpening OpenRegularFile(const std::string& path, std::vector<char>* bytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    return FileOpening::kCannotOpen;
  }
  struct stat status;
  FileOpening result = FileOpening::kRegular;
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    result = FileOpening::kNotRegular;
  } else if (bytes != nullptr) {
    bytes->clear();
    char chunk[65536];
    for (;;) {
      const ssize_t count = ::read(fd, chunk, sizeof chunk);
      if (count > 0) {
        bytes->insert(bytes->end(), chunk, chunk + count);
      } else if (count == 0) {
        break;
      } else if (errno != EINTR) {
        result = FileOpening::kCannotOpen;
        break;
      }
    }
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
  bytes->clear();
  FifoReading result = FifoReading::kRead;
  char chunk[65536];
  for (;;) {
    const ssize_t count = ::read(fd, chunk, sizeof chunk);
    if (count > 0) {
      if (bytes->size() + static_cast<std::size_t>(count) > limit) {
        result = FifoReading::kTooLarge;
        break;
      }
      bytes->insert(bytes->end(), chunk, chunk + count);
      continue;
    }
    if (count == 0) break;  // every writer closed it, or none ever opened it
    if (errno == EINTR) continue;
    if (errno != EAGAIN) break;
    // A writer is there but has nothing to say yet.
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      result = FifoReading::kOutOfTime;
      break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now);
    pollfd wanted{fd, POLLIN, 0};
    ::poll(&wanted, 1, static_cast<int>(std::min<long long>(left.count() + 1, 1000)));
  }
  ::close(fd);
  return result;
}
