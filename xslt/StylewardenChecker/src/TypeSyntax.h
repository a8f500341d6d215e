// The syntax of the type annotations of XSLT 2.0 and 3.0 (the `as` attributes): the
// SequenceType and ItemType of XPath 3.1, checked for form only; names are not resolved.
#ifndef STYLEWARDEN_TYPESYNTAX_H
#define STYLEWARDEN_TYPESYNTAX_H

#include <string_view>

// `empty-sequence()`, or an item type with at most one of `?`, `*`, `+` after it.
bool IsSequenceType(std::wstring_view text);
// One item type: a kind test, `item()`, a function, map or array test, an atomic type name,
// or an item type in parentheses.
bool IsItemType(std::wstring_view text);

#endif  // STYLEWARDEN_TYPESYNTAX_H
