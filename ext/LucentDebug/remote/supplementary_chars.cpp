// Escaping of characters beyond U+FFFF around xmlrpc-c; see the header.
#include "supplementary_chars.h"

#include <cstdio>
#include <cstring>

#include "utf8.h"

namespace {

constexpr uint32_t kEscapeMark = 0xFDD0;
constexpr char kMarkUtf8[] = "\xEF\xB7\x90";
constexpr size_t kMarkSize = 3;
constexpr char kMarkReference[] = "&#xFDD0;";
constexpr size_t kHexDigits = 6;

bool IsSupplementary(uint32_t codePoint) { return codePoint >= 0x10000 && codePoint <= 0x10FFFF; }

std::string HexOf(uint32_t codePoint) {
  char digits[16];
  std::snprintf(digits, sizeof digits, "%06X", static_cast<unsigned>(codePoint));
  return digits;
}

// The code point escaped at `text` (just after a mark), when six hex digits
// naming a supplementary character follow.
bool ReadEscapedCodePoint(const char* text, size_t size, uint32_t* codePoint) {
  if (size < kHexDigits) return false;
  uint32_t value = 0;
  for (size_t i = 0; i < kHexDigits; ++i) {
    const char c = text[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      return false;
    }
    value = value * 16 + digit;
  }
  if (!IsSupplementary(value)) return false;
  *codePoint = value;
  return true;
}

// Undoes the library's escapes in `text`; `emit` writes one restored character.
template <typename Emit>
std::string Unescape(const char* text, size_t size, Emit emit) {
  std::string out;
  out.reserve(size);
  size_t i = 0;
  while (i < size) {
    if (size - i >= kMarkSize && std::memcmp(text + i, kMarkUtf8, kMarkSize) == 0) {
      const size_t after = i + kMarkSize;
      uint32_t codePoint = 0;
      if (size - after >= kMarkSize && std::memcmp(text + after, kMarkUtf8, kMarkSize) == 0) {
        emit(out, kEscapeMark);
        i = after + kMarkSize;
        continue;
      }
      if (ReadEscapedCodePoint(text + after, size - after, &codePoint)) {
        emit(out, codePoint);
        i = after + kHexDigits;
        continue;
      }
    }
    out += text[i++];
  }
  return out;
}

// The character named by the reference at `text` ("&#...;") and the
// reference's length, or 0 when it is no well-formed character reference.
size_t ReadCharacterReference(const char* text, size_t size, uint32_t* codePoint) {
  if (size < 4 || text[0] != '&' || text[1] != '#') return 0;
  const bool hex = text[2] == 'x';
  size_t i = hex ? 3 : 2;
  uint32_t value = 0;
  const size_t firstDigit = i;
  for (; i < size && i - firstDigit < 8; ++i) {
    const char c = text[i];
    uint32_t digit;
    if (c >= '0' && c <= '9') {
      digit = static_cast<uint32_t>(c - '0');
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = static_cast<uint32_t>(c - 'a' + 10);
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = static_cast<uint32_t>(c - 'A' + 10);
    } else {
      break;
    }
    value = value * (hex ? 16 : 10) + digit;
  }
  if (i == firstDigit || i >= size || text[i] != ';') return 0;
  *codePoint = value;
  return i + 1;
}

void AppendEscapeReference(std::string& out, uint32_t codePoint) {
  out += kMarkReference;
  if (codePoint == kEscapeMark) {
    out += kMarkReference;
  } else {
    out += HexOf(codePoint);
  }
}

}  // namespace

void AppendForLibrary(std::string& out, uint32_t codePoint) {
  if (codePoint == kEscapeMark) {
    out += kMarkUtf8;
    out += kMarkUtf8;
  } else if (IsSupplementary(codePoint)) {
    out += kMarkUtf8;
    out += HexOf(codePoint);
  } else {
    utf8::Append(out, codePoint);
  }
}

std::string TextFromLibrary(const char* text) {
  return Unescape(text, std::strlen(text), utf8::Append);
}

std::string XmlForLibrary(const std::string& body, bool utf8) {
  std::string out;
  out.reserve(body.size());
  size_t i = 0;
  while (i < body.size()) {
    const char* at = body.data() + i;
    const size_t left = body.size() - i;
    uint32_t codePoint = 0;
    size_t length = 0;
    if (*at == '&') {
      length = ReadCharacterReference(at, left, &codePoint);
    } else if (utf8 && static_cast<unsigned char>(*at) >= 0xE0) {
      length = utf8::Decode(at, left, &codePoint);
    }
    if (length > 0 && (codePoint == kEscapeMark || IsSupplementary(codePoint))) {
      AppendEscapeReference(out, codePoint);
      i += length;
    } else {
      const size_t copied = length > 0 ? length : 1;
      out.append(at, copied);
      i += copied;
    }
  }
  return out;
}

std::string ResponseFromLibrary(const std::string& xml) {
  if (xml.find(kMarkUtf8) == std::string::npos) return xml;
  return Unescape(xml.data(), xml.size(), [](std::string& out, uint32_t codePoint) {
    out += "&#x" + HexOf(codePoint) + ";";
  });
}
