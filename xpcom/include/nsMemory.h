// The allocator that components and their callers share for texts and buffers they hand over.
#ifndef XPCOM_NSMEMORY_H_
#define XPCOM_NSMEMORY_H_

#include <cstddef>

class nsMemory {
 public:
  static void* Alloc(std::size_t size);
  // A new buffer holding the first `size` bytes at `source`; null when `source` is null or
  // memory runs out.
  static void* Clone(const void* source, std::size_t size);
  static void Free(void* buffer);
};

#endif  // XPCOM_NSMEMORY_H_
