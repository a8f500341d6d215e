// Lone surrogates in JSON escapes and in encoded bytes, replaced in place.
#include "LoneSurrogates.h"

#include <cstddef>

#include "StringUtils.h"

namespace {

const char kReplacementEscape[] = "FFFD";
const char kReplacementBytes[] = "\xEF\xBF\xBD";
constexpr std::size_t kEscapeLength = 6;  // \uXXXX

// The unit of the \uXXXX escape at `at`, or -1 when there is none.
long EscapedUnit(const std::string& text, std::size_t at) {
  if (at + kEscapeLength > text.size() || text[at] != '\\' || text[at + 1] != 'u') {
    return -1;
  }
  long unit = 0;
  for (std::size_t i = at + 2; i < at + kEscapeLength; ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0) {
      return -1;
    }
    unit = unit * 16 + digit;
  }
  return unit;
}

bool IsHigh(long unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLow(long unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

// Lead byte 0xED with a continuation of 0xA0-0xBF encodes U+D800-U+DFFF.
bool IsEncodedSurrogate(const std::string& text, std::size_t at) {
  return at + 2 < text.size() && static_cast<unsigned char>(text[at]) == 0xED &&
         static_cast<unsigned char>(text[at + 1]) >= 0xA0 &&
         static_cast<unsigned char>(text[at + 1]) <= 0xBF &&
         (static_cast<unsigned char>(text[at + 2]) & 0xC0) == 0x80;
}

}  // namespace

std::optional<std::string> WithoutLoneSurrogates(const std::string& body) {
  std::optional<std::string> repaired;
  auto replace = [&repaired, &body](std::size_t at, const char* with, std::size_t length) {
    if (!repaired) {
      repaired = body;
    }
    repaired->replace(at, length, with, length);
  };
  std::size_t i = 0;
  while (i < body.size()) {
    if (body[i] == '\\') {
      const long unit = EscapedUnit(body, i);
      if (unit < 0) {
        // Any other escape, "\\" included, is two characters that start nothing.
        i += 2;
        continue;
      }
      if (IsHigh(unit) && IsLow(EscapedUnit(body, i + kEscapeLength))) {
        i += 2 * kEscapeLength;
        continue;
      }
      if (IsHigh(unit) || IsLow(unit)) {
        replace(i + 2, kReplacementEscape, 4);
      }
      i += kEscapeLength;
    } else if (IsEncodedSurrogate(body, i)) {
      replace(i, kReplacementBytes, 3);
      i += 3;
    } else {
      ++i;
    }
  }
  return repaired;
}
