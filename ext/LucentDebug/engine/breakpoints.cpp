// Breakpoint functions of the engine, on the list kept in the globals block.
#include "breakpoints.h"

#include "hooks.h"
#include "php_lucentdebug.h"

extern "C" long luSetBreakpoint(long id, const char* file, int line, int add) {
  const char* path = file != nullptr ? luGetLocalFilePathFromURL(file) : nullptr;
  long result = LUDBG_G(breakpoints).set(id, path, line, add != 0);
  // Code compiled earlier may have quiet markers on this line.
  if (add != 0) luWatchLine(line);
  return result;
}

extern "C" int luIsBreakpoint(const char* file, int line) {
  if (LUDBG_G(breakpoints).empty()) return 0;
  return LUDBG_G(breakpoints).find(luGetLocalFilePathFromURL(file), line);
}

extern "C" void luListBreakpoints(char* buffer, size_t size) {
  LUDBG_G(breakpoints).list(buffer, size);
}

extern "C" void luClearBreakpoints() { LUDBG_G(breakpoints).clear(); }

extern "C" char* luGetLocalFilePathFromURL(const char* url) {
  return LocalPathFromUrl(url, LUDBG_G(pathBuffer));
}

extern "C" char* luCreateFileURI(const char* path) {
  return FileUriFromPath(path, LUDBG_G(signalled) != 0, LUDBG_G(pathBuffer));
}
