// Escaping of characters beyond U+FFFF around xmlrpc-c; see the header.
#include "supplementary_chars.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr uint32_t kEscapeMark = 0xFDD0;
constexpr char kMarkUtf8[] = "\xEF\xB7\x90";
constexpr size_t kMarkSize = 3;
constexpr char kMarkReference[] = "&#xFDD0;";
constexpr size_t kHexDigits = 6;

bool IsSupplementary(uint32_t codePoint) { return codePoint >= 0x10000 && codePoint <= 0x10FFFF; }

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out += static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else if (codePoint < 0x10000) {
    out += static_cast<char>(0xE0 | (codePoint >> 12));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (codePoint >> 18));
    out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
  }
}

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

size_t DecodeUtf8(const char* text, size_t size, uint32_t* codePoint) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  if (size == 0) return 0;
  const unsigned char lead = bytes[0];
  size_t length;
  uint32_t value;
  uint32_t minimum;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (size < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((bytes[i] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (bytes[i] & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *codePoint = value;
  return length;
}

void AppendForLibrary(std::string& out, uint32_t codePoint) {
  if (codePoint == kEscapeMark) {
    out += kMarkUtf8;
    out += kMarkUtf8;
  } else if (IsSupplementary(codePoint)) {
    out += kMarkUtf8;
    out += HexOf(codePoint);
  } else {
    AppendUtf8(out, codePoint);
  }
}

std::string TextFromLibrary(const char* text) {
  return Unescape(text, std::strlen(text), AppendUtf8);
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
      length = DecodeUtf8(at, left, &codePoint);
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
