// Comparison and text form of identifiers.
#include "nsID.h"

#include <cstdio>
#include <cstring>

bool nsID::Equals(const nsID& other) const {
  return m0 == other.m0 && m1 == other.m1 && m2 == other.m2 &&
         std::memcmp(m3, other.m3, sizeof m3) == 0;
}

std::string nsID::ToString() const {
  char text[39];
  std::snprintf(text, sizeof text, "{%08x-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                static_cast<unsigned>(m0), static_cast<unsigned>(m1), static_cast<unsigned>(m2),
                m3[0], m3[1], m3[2], m3[3], m3[4], m3[5], m3[6], m3[7]);
  return text;
}

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads `digits` hex digits from `text` at `*pos` into `*value`.
bool ReadHex(std::string_view text, std::size_t* pos, int digits, std::uint32_t* value) {
  if (text.size() - *pos < static_cast<std::size_t>(digits)) return false;
  std::uint32_t result = 0;
  for (int i = 0; i < digits; ++i) {
    const int digit = HexValue(text[(*pos)++]);
    if (digit < 0) return false;
    result = (result << 4) | static_cast<std::uint32_t>(digit);
  }
  *value = result;
  return true;
}

bool ReadDash(std::string_view text, std::size_t* pos) {
  return *pos < text.size() && text[(*pos)++] == '-';
}

}  // namespace

bool nsID::Parse(std::string_view text, nsID* id) {
  if (text.size() >= 2 && text.front() == '{' && text.back() == '}') {
    text = text.substr(1, text.size() - 2);
  }
  nsID parsed{};
  std::size_t pos = 0;
  std::uint32_t value = 0;
  if (!ReadHex(text, &pos, 8, &parsed.m0) || !ReadDash(text, &pos)) return false;
  if (!ReadHex(text, &pos, 4, &value) || !ReadDash(text, &pos)) return false;
  parsed.m1 = static_cast<std::uint16_t>(value);
  if (!ReadHex(text, &pos, 4, &value) || !ReadDash(text, &pos)) return false;
  parsed.m2 = static_cast<std::uint16_t>(value);
  for (int i = 0; i < 8; ++i) {
    if (i == 2 && !ReadDash(text, &pos)) return false;
    if (!ReadHex(text, &pos, 2, &value)) return false;
    parsed.m3[i] = static_cast<std::uint8_t>(value);
  }
  if (pos != text.size()) return false;
  *id = parsed;
  return true;
}
