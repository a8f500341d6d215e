// The engine's breakpoint functions over the request's list, and the file URL
// conversions that share the globals' path buffer.
#ifndef LUCENTDEBUG_BREAKPOINTS_H
#define LUCENTDEBUG_BREAKPOINTS_H

#include <cstddef>
#include <string>
#include <vector>

#include "debug_records.h"

// The local path of a file URL or path, symbolic links resolved when it exists.
std::string luCanonicalPath(const char* fileOrUrl);
// Lines (any order) where statements of the file at this canonical path can
// stop; its breakpoints move to the first such line at or after their own.
void luAddStatementLines(const std::string& path, const std::vector<int>& lines);
// Request end: the compiled files are gone.
void luForgetStatementLines();
// False when there is no breakpoint numbered id.
bool luGetBreakpointInfo(long id, BreakpointResolution* info);

extern "C" {
long luSetBreakpoint(long id, const char* file, int line, int add);
// Adds a breakpoint that stops only where `condition` (a PHP expression; empty
// for none) is true, and that is removed at its first stop when temporary.
long luAddBreakpoint(const char* file, int line, const char* condition, int temporary);
// Decides whether breakpoint `id`, found on the current statement, stops the
// script: it evaluates the condition in the current scope (a condition that
// fails to evaluate stops, with a message in the output) and removes a
// temporary breakpoint that stops.
int luBreakpointStops(int id);
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
