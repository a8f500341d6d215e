// Tells a test which heap block of a given size was freed last. Link FreeWatch.cpp into the
// test program itself, with exported symbols: it replaces the global allocation functions of
// the whole process, shared libraries included.
#ifndef XPCOM_TESTING_FREEWATCH_H_
#define XPCOM_TESTING_FREEWATCH_H_

#include <cstddef>

// Starts watching objects of `size` bytes freed through a sized delete.
void WatchFreesOfSize(std::size_t size);
// The last such block freed since the watch started, or null.
const void* LastFreedBlock();

#endif  // XPCOM_TESTING_FREEWATCH_H_
