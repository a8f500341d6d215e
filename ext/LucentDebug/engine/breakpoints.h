// The engine's breakpoint functions over the request's list, and the file URL
// conversions that share the globals' path buffer.
#ifndef LUCENTDEBUG_BREAKPOINTS_H
#define LUCENTDEBUG_BREAKPOINTS_H

#include <cstddef>

extern "C" {
long luSetBreakpoint(long id, const char* file, int line, int add);
// Kept as the engine's breakpoint test of a file URL or path; the statement
// hook runs its own copy with the compiled file names' paths cached.
int luIsBreakpoint(const char* file, int line);
void luListBreakpoints(char* buffer, size_t size);
void luClearBreakpoints();
// Both return the globals' path buffer, overwritten by the next call.
char* luGetLocalFilePathFromURL(const char* url);
char* luCreateFileURI(const char* path);
}

#endif  // LUCENTDEBUG_BREAKPOINTS_H
