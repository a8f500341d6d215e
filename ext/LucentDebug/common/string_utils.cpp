// Trimming of the debugger's byte strings.
#include "string_utils.h"

#include <cstring>

namespace {

bool IsTrimmed(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\0';
}

}  // namespace

std::string TrimString(const std::string& s, int flags) {
  size_t begin = 0;
  size_t end = s.size();
  if (flags & kTrimLeading) {
    while (begin < end && IsTrimmed(s[begin])) ++begin;
  }
  if (flags & kTrimTrailing) {
    while (end > begin && IsTrimmed(s[end - 1])) --end;
  }
  return s.substr(begin, end - begin);
}

void CopyBounded(char* out, const char* text, size_t size) {
  size_t n = strnlen(text, size - 1);
  memcpy(out, text, n);
  out[n] = '\0';
}
