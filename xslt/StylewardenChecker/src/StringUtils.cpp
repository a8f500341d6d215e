// Code-unit copies between the string forms the checker meets.
#include "StringUtils.h"

#include <xercesc/util/XMLString.hpp>

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
