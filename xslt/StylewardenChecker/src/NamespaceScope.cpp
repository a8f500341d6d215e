// Namespace declarations in scope, innermost first in every lookup.
#include "NamespaceScope.h"

#include <iterator>

void NamespaceScope::declare(const std::wstring& prefix, const std::wstring& uri) {
  m_bindings.emplace_back(prefix, uri);
}

void NamespaceScope::undeclare(const std::wstring& prefix) {
  for (auto binding = m_bindings.rbegin(); binding != m_bindings.rend(); ++binding) {
    if (binding->first == prefix) {
      m_bindings.erase(std::next(binding).base());
      return;
    }
  }
}

bool NamespaceScope::isDeclared(std::wstring_view prefix) const {
  if (prefix == L"xml") {
    return true;
  }
  for (auto binding = m_bindings.rbegin(); binding != m_bindings.rend(); ++binding) {
    if (binding->first == prefix) {
      // xmlns="" takes the default namespace away again.
      return !binding->second.empty();
    }
  }
  return false;
}
