// Replacement allocation functions on the C heap that remember the last freed block of the
// watched size.
#include "FreeWatch.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::size_t> watchedSize{0};
std::atomic<const void*> lastFreed{nullptr};

}  // namespace

void WatchFreesOfSize(std::size_t size) {
  lastFreed = nullptr;
  watchedSize = size;
}

const void* LastFreedBlock() { return lastFreed.load(); }

void* operator new(std::size_t size) {
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete(void* block, std::size_t size) noexcept {
  if (block != nullptr && size == watchedSize.load()) lastFreed = block;
  std::free(block);
}
