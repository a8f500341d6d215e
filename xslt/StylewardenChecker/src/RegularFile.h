// Reading the files a check names (external entities, the DTD, the state file) without
// blocking: a FIFO, a device or a directory is refused before anything is read from it.
#ifndef STYLEWARDEN_REGULARFILE_H
#define STYLEWARDEN_REGULARFILE_H

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

#endif
