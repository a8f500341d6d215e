// Code-unit copies between the string forms the checker meets.
#include "StringUtils.h"

#include <xercesc/util/XMLString.hpp>

#include "utf8.h"

std::wstring toWString(const XMLCh* text) {
  if (text == nullptr) {
    return std::wstring();
  }
  // Code units are unsigned, so the copy zero-extends them.
  return std::wstring(text, text + xercesc::XMLString::stringLen(text));
}

void toWString(const XMLCh* text, std::wstring& result) {
  const std::size_t length = text == nullptr ? 0 : xercesc::XMLString::stringLen(text);
  // A plain loop: assigning from an iterator range of another character type would build a
  // temporary string first.
  result.resize(length);
  for (std::size_t i = 0; i < length; ++i) {
    result[i] = static_cast<wchar_t>(text[i]);
  }
}

std::wstring toWString(const DOMString& text) { return std::wstring(text.begin(), text.end()); }

DOMString toDOMString(const std::wstring& text) {
  DOMString result(text.size(), XMLCh(0));
  for (std::size_t i = 0; i < text.size(); ++i) {
    result[i] = static_cast<XMLCh>(static_cast<std::uint32_t>(text[i]) & 0xFFFFu);
  }
  return result;
}

std::string toString(const std::wstring& text) {
  std::string result(text.size(), '\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    result[i] = static_cast<char>(static_cast<std::uint32_t>(text[i]) & 0xFFu);
  }
  return result;
}

std::string Utf16UnitsToUtf8(const std::wstring& units) {
  const char32_t kReplacement = 0xFFFD;
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    // The checker keeps one 16-bit unit per wide character; anything above is not text.
    const char32_t unit = static_cast<char32_t>(units[i]) & 0xFFFF;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < units.size()) {
      const char32_t next = static_cast<char32_t>(units[i + 1]) & 0xFFFF;
      if (next >= 0xDC00 && next <= 0xDFFF) {
        utf8::Append(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    utf8::Append(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : unit);
  }
  return out;
}

std::wstring TrimXmlSpace(const std::wstring& text) {
  std::size_t from = 0;
  std::size_t to = text.size();
  while (from < to && IsXmlSpace(text[from])) {
    ++from;
  }
  while (to > from && IsXmlSpace(text[to - 1])) {
    --to;
  }
  return text.substr(from, to - from);
}

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return c - '0';
  }
  if (c >= 'a' && c <= 'f') {
    return c - 'a' + 10;
  }
  return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

std::string PercentDecoded(const std::string& text) {
  std::string decoded;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() && HexDigitValue(text[i + 1]) >= 0 &&
        HexDigitValue(text[i + 2]) >= 0) {
      decoded += static_cast<char>(HexDigitValue(text[i + 1]) * 16 + HexDigitValue(text[i + 2]));
      i += 2;
    } else {
      decoded += text[i];
    }
  }
  return decoded;
}
