// Narrow/wide conversions of the debugger's byte strings. Nothing in the module
// needs them, so they live in a library of their own that the module does not link.
#ifndef LUCENTDEBUG_WIDE_STRINGS_H
#define LUCENTDEBUG_WIDE_STRINGS_H

#include <string>

// Converts with wctomb in the current locale; unconvertible characters give "*".
std::string WStringToString(const std::wstring& w);

// One wide character per byte, the byte read as a signed 8-bit number.
std::wstring StringToWString(const std::string& s);

#endif  // LUCENTDEBUG_WIDE_STRINGS_H
