// Reading the files a check names without blocking: the files it reaches (external entities,
// the DTD, the state file) must be regular, and a stylesheet named on a pipe is read whole
// without waiting for a writer.
#ifndef STYLEWARDEN_REGULARFILE_H
#define STYLEWARDEN_REGULARFILE_H

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

enum class FileOpening {
  kRegular,
  // No such file, or no permission: the caller lets the usual error happen.
  kCannotOpen,
  kNotRegular,
};

// Opens without waiting for a FIFO's writer and looks at what was opened; with `bytes`, a
// regular file's whole content is read into it.
FileOpening OpenRegularFile(const std::string& path, std::vector<char>* bytes);

enum class FifoReading {
  kNotFifo,
  kRead,
  kTooLarge,
  kOutOfTime,
};

// When `path` names a FIFO (a named pipe, or a pipe such as /dev/fd/N), reads what its
// writers send until they close it, without waiting in open for a writer: one that never
// had a writer reads as empty. At most `limit` bytes, and no later than `deadline`.
FifoReading ReadFifo(const std::string& path, std::chrono::steady_clock::time_point deadline,
                     std::size_t limit, std::vector<char>* bytes);

#endif
