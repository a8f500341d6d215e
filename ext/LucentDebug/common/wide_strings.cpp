// Narrow/wide conversions of the debugger's byte strings.
#include "wide_strings.h"

#include <climits>
#include <cstdlib>

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
