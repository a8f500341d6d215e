// Trimming of the debugger's byte strings, shared by the requester operations
// and the XML-RPC layer.
#ifndef LUCENTDEBUG_STRING_UTILS_H
#define LUCENTDEBUG_STRING_UTILS_H

#include <cstddef>
#include <string>

enum TrimFlags { kTrimLeading = 1, kTrimTrailing = 2, kTrimBoth = 3 };

// Removes blanks, line feeds, carriage returns, tabs, vertical tabs and NUL
// bytes from the ends named by flags.
std::string TrimString(const std::string& s, int flags);

// Copies text into a buffer of `size` bytes, cut at size - 1 bytes, NUL-terminated.
void CopyBounded(char* out, const char* text, size_t size);

#endif  // LUCENTDEBUG_STRING_UTILS_H
