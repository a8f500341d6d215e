// Lookup of a compiled state file by content; the table is generated at build time.
#include "CompiledStates.h"

#include <cstring>

// Defined by the generated source (stylewarden_compile_states).
extern const CompiledStateFile kCompiledStateFiles[];
extern const std::size_t kCompiledStateFileCount;

const CompiledStateFile* FindCompiledStateFile(const std::vector<char>& bytes) {
  for (std::size_t i = 0; i < kCompiledStateFileCount; ++i) {
    const CompiledStateFile& file = kCompiledStateFiles[i];
    if (file.size == bytes.size() && std::memcmp(file.bytes, bytes.data(), file.size) == 0) {
      return &file;
    }
  }
  return nullptr;
}
