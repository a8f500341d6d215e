// open(O_NONBLOCK) returns at once on a FIFO, and fstat of the open descriptor tells what it
// is without the race of a stat before the open.
#include "RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
