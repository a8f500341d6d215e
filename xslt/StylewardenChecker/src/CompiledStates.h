// The shipped state files, compiled into the program at build time: each file's bytes and
// the elements StateDocument reads from them. A state file holding exactly those bytes is
// loaded from the compiled elements without parsing it again; what it loads is the same,
// since the files name no DTD or other file whose content could differ.
#ifndef STYLEWARDEN_COMPILEDSTATES_H
#define STYLEWARDEN_COMPILEDSTATES_H

#include <cstddef>
#include <vector>

#include "StateDocument.h"

struct CompiledStateFile {
  const char* name;  // the file name, such as "xslt10-states.xml"
  const unsigned char* bytes;
  std::size_t size;
  StateDocument::Parts document;
};

// The compiled file whose bytes are exactly `bytes`, or null.
const CompiledStateFile* FindCompiledStateFile(const std::vector<char>& bytes);

#endif  // STYLEWARDEN_COMPILEDSTATES_H
