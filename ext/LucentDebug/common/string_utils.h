// Small byte/wide string helpers shared by the requester operations and the
// XML-RPC layer.
#ifndef LUCENTDEBUG_STRING_UTILS_H
#define LUCENTDEBUG_STRING_UTILS_H

#include <string>

enum TrimFlags { TRIM_LEADING = 1, TRIM_TRAILING = 2, TRIM_BOTH = 3 };

// Removes blanks, line feeds, carriage returns, tabs, vertical tabs and NUL
// bytes from the ends named by flags.
std::string TrimString(const std::string& s, int flags);

// Converts with wctomb in the current locale; unconvertible characters give "*".
std::string WStringToString(const std::wstring& w);

// One wide character per byte, the byte read as a signed 8-bit number.
std::wstring StringToWString(const std::string& s);

#endif  // LUCENTDEBUG_STRING_UTILS_H
