// The namespace declarations in scope at the element being checked, kept from the parser's
// prefix-mapping events, so that names in attribute values can be checked for their prefix.
#ifndef STYLEWARDEN_NAMESPACESCOPE_H
#define STYLEWARDEN_NAMESPACESCOPE_H

#include <string>
#include <string_view>
#include <utility>
#include <vector>

class NamespaceScope {
 public:
  // A declaration comes into scope; the empty prefix is the default namespace.
  void declare(const std::wstring& prefix, const std::wstring& uri);
  // The innermost declaration of `prefix` goes out of scope.
  void undeclare(const std::wstring& prefix);
  void clear() { m_bindings.clear(); }

  // True when `prefix` is bound to a namespace name. "xml" always is; the empty prefix is
  // bound only while a default namespace other than "" is declared.
  bool isDeclared(std::wstring_view prefix) const;

 private:
  // Innermost last; a prefix declared again on an inner element appears twice.
  std::vector<std::pair<std::wstring, std::wstring>> m_bindings;
};

#endif  // STYLEWARDEN_NAMESPACESCOPE_H
