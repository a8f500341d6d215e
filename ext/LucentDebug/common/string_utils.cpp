// Trimming and narrow/wide conversions of the debugger's byte strings.
#include "string_utils.h"

#include <climits>
#include <cstdlib>

namespace {

bool IsTrimmed(char c) {
  return c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\0';
}

}  // namespace

std::string TrimString(const std::string& s, int flags) {
  size_t begin = 0;
  size_t end = s.size();
  if (flags & TRIM_LEADING) {
    while (begin < end && IsTrimmed(s[begin])) ++begin;
  }
  if (flags & TRIM_TRAILING) {
    while (end > begin && IsTrimmed(s[end - 1])) --end;
  }
  return s.substr(begin, end - begin);
}

std::string WStringToString(const std::wstring& w) {
  std::string out;
  char bytes[MB_LEN_MAX];
  for (wchar_t c : w) {
    int n = wctomb(bytes, c);
    if (n < 0) {
      out += '*';
    } else {
      out.append(bytes, static_cast<size_t>(n));
    }
  }
  return out;
}

std::wstring StringToWString(const std::string& s) {
  std::wstring out;
  out.reserve(s.size());
  for (char c : s) out += static_cast<wchar_t>(static_cast<signed char>(c));
  return out;
}
