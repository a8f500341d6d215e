// Carries characters beyond U+FFFF (emoji, CJK extensions) through xmlrpc-c
// 1.33, whose strings hold only the Basic Multilingual Plane. Inside the
// library such a character travels as U+FDD0 followed by six hex digits, and
// a literal U+FDD0 as two of them; on the wire it is a numeric character
// reference, which every client's XML parser reads.
#ifndef LUCENTDEBUG_SUPPLEMENTARY_CHARS_H
#define LUCENTDEBUG_SUPPLEMENTARY_CHARS_H

#include <cstddef>
#include <cstdint>
#include <string>

// Appends `codePoint` as the library is to hold it: escaped when it lies
// beyond U+FFFF or is U+FDD0, UTF-8 otherwise.
void AppendForLibrary(std::string& out, uint32_t codePoint);

// A string read from the library with its escapes turned back into UTF-8.
std::string TextFromLibrary(const char* text);

// An XML-RPC document for the library to parse (a call the server takes, or a
// response a client on xmlrpc-c reads) with every character beyond U+FFFF,
// raw or referenced, and every U+FDD0 put in the library's escaped form. Raw
// bytes are read as UTF-8 only when `utf8` is true (the declared encoding).
std::string XmlForLibrary(const std::string& body, bool utf8);

// A document serialized by the library (the server's response, or a client's
// call) with its escapes turned into numeric character references.
std::string ResponseFromLibrary(const std::string& xml);

#endif  // LUCENTDEBUG_SUPPLEMENTARY_CHARS_H
