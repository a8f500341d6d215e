/* Preloaded before the sanitizer runtime when a sanitizer build of the
 * extension runs in a plain php: php opens extensions with RTLD_DEEPBIND,
 * which the sanitizer runtime refuses, so the flag is dropped here. */
#define _GNU_SOURCE
#include <dlfcn.h>

void* dlopen(const char* file, int mode) {
  static void* (*next)(const char*, int);
  if (next == 0) next = (void* (*)(const char*, int))dlsym(RTLD_NEXT, "dlopen");
  return next(file, mode & ~RTLD_DEEPBIND);
}
