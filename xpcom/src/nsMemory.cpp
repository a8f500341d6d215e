// The shared allocator: the C heap, so that buffers cross library boundaries safely.
#include "nsMemory.h"

#include <cstdlib>
#include <cstring>

void* nsMemory::Alloc(std::size_t size) { return std::malloc(size == 0 ? 1 : size); }

void* nsMemory::Clone(const void* source, std::size_t size) {
  if (source == nullptr) return nullptr;
  void* copy = Alloc(size);
  if (copy != nullptr && size != 0) std::memcpy(copy, source, size);
  return copy;
}

void nsMemory::Free(void* buffer) { std::free(buffer); }
