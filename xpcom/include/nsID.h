// Interface and class identifiers, and their text form
// "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}".
#ifndef XPCOM_NSID_H_
#define XPCOM_NSID_H_

#include <cstdint>
#include <string>
#include <string_view>

struct nsID {
  std::uint32_t m0;
  std::uint16_t m1;
  std::uint16_t m2;
  std::uint8_t m3[8];

  bool Equals(const nsID& other) const;
  // Lower-case hexadecimal groups 8-4-4-4-12 in braces.
  std::string ToString() const;
  // Accepts the text form with or without braces; leaves `*id` alone and returns false on
  // anything else.
  static bool Parse(std::string_view text, nsID* id);
};

inline bool operator==(const nsID& a, const nsID& b) { return a.Equals(b); }
inline bool operator!=(const nsID& a, const nsID& b) { return !a.Equals(b); }

using nsIID = nsID;
using nsCID = nsID;

#endif  // XPCOM_NSID_H_
