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
