// The one set of UTF-8 helpers of the project: encoding a code point,
// decoding a well-formed sequence, and the length a lead byte announces.
// Header-only, so that the PHP module (built by phpize as well as by CMake)
// shares it with the protocol servers without linking anything.
#ifndef BRIGHTWATER_PROTOCOL_UTF8_H
#define BRIGHTWATER_PROTOCOL_UTF8_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace utf8 {

// Appends `codePoint` (at most U+10FFFF) as UTF-8.
inline void Append(std::string& out, uint32_t codePoint) {
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

// The code point of the well-formed sequence at `text` (at most `size` bytes)
// and its length, or 0 for a byte that starts no such sequence (overlong
// forms and surrogates included).
inline size_t Decode(const char* text, size_t size, uint32_t* codePoint) {
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

// The length of the sequence that `lead` starts, from its high bits alone:
// 2 to 4, or 1 for an ASCII byte and for one that starts no sequence (a
// continuation byte, 0xF8 and above). For text already known to be UTF-8.
inline size_t SequenceLength(unsigned char lead) {
  if ((lead & 0xE0) == 0xC0) return 2;
  if ((lead & 0xF0) == 0xE0) return 3;
  if ((lead & 0xF8) == 0xF0) return 4;
  return 1;
}

}  // namespace utf8

#endif  // BRIGHTWATER_PROTOCOL_UTF8_H
