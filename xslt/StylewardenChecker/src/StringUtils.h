// Conversions between the XML library's 16-bit strings, the checker's wide strings and
// narrow strings. Each is a plain code-unit copy that never consults a character set.
#ifndef STYLEWARDEN_STRINGUTILS_H
#define STYLEWARDEN_STRINGUTILS_H

#include <string>
#include <xercesc/util/XercesDefs.hpp>

// A counted string of the XML library's code units; zero units inside it are data.
using DOMString = std::basic_string<XMLCh>;

// One wide character per code unit up to the terminating zero; a null pointer gives "".
std::wstring toWString(const XMLCh* text);
// The same into `result`, reusing its storage.
void toWString(const XMLCh* text, std::wstring& result);

// One wide character per code unit, as many as the string holds.
std::wstring toWString(const DOMString& text);

// One code unit per wide character: its low 16 bits.
DOMString toDOMString(const std::wstring& text);

// One byte per wide character: its low 8 bits. Exact only below 256; for diagnostics.
std::string toString(const std::wstring& text);

// The UTF-16 code units (one per wide character) as UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf16UnitsToUtf8(const std::wstring& units);

// The four whitespace characters of XML.
inline bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\n' || c == L'\r'; }

// The text without the XML whitespace around it.
std::wstring TrimXmlSpace(const std::wstring& text);

// 0 to 15 for a hexadecimal digit, for the escapes of URIs and of JSON strings; else -1.
int HexDigitValue(char c);

// A URI's percent escapes ("%2F") decoded into the bytes they stand for; a "%" that starts
// no escape stays.
std::string PercentDecoded(const std::string& text);

#endif
