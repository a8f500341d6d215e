// Value rules and the per-attribute rule that owns one of them.
#include "AttributeValidator.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <xercesc/util/XMLChar.hpp>

#include "StringUtils.h"
#include "TypeSyntax.h"

namespace {

bool RejectValue(const std::wstring& attributeName, const std::wstring& value,
                 StylesheetSyntaxError& error) {
  error.m_code = SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED;
  error.m_severity = SEVERITY_ERROR;
  error.m_message = L"The attribute \"" + attributeName + L"\" cannot have the value \"" + value +
                    L"\" in this context.";
  return false;
}

// Calls `visit` with each whitespace-separated token until it returns false. Tokens are
// views into `value`: names are checked on every start tag, so nothing is copied.
template <typename Visit>
bool EveryToken(std::wstring_view value, Visit visit) {
  std::size_t position = 0;
  while (position < value.size()) {
    if (IsXmlSpace(value[position])) {
      ++position;
      continue;
    }
    std::size_t end = position;
    while (end < value.size() && !IsXmlSpace(value[end])) {
      ++end;
    }
    if (!visit(value.substr(position, end - position))) {
      return false;
    }
    position = end;
  }
  return true;
}

// The XML name character classes of the library, a surrogate pair counting as one character.
bool IsNCName(std::wstring_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const bool first = i == 0;
    const XMLCh unit = static_cast<XMLCh>(name[i]);
    XMLCh low = 0;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < name.size()) {
      low = static_cast<XMLCh>(name[++i]);
    }
    const bool allowed = first ? xercesc::XMLChar1_0::isFirstNameChar(unit, low)
                               : xercesc::XMLChar1_0::isNameChar(unit, low);
    if (!allowed || unit == u':') {
      return false;
    }
  }
  return !name.empty();
}

// The QName's form, and its prefix (empty when it has none).
bool IsQName(std::wstring_view name, std::wstring_view& prefix) {
  const std::size_t colon = name.find(L':');
  if (colon == std::wstring_view::npos) {
    prefix = std::wstring_view();
    return IsNCName(name);
  }
  prefix = name.substr(0, colon);
  return IsNCName(prefix) && IsNCName(name.substr(colon + 1));
}

bool IsDeclaredPrefix(std::wstring_view prefix, const NamespaceScope* scope) {
  return prefix.empty() || scope == nullptr || scope->isDeclared(prefix);
}

// Q{uri}local: the URI is any text without braces; `uri` receives it.
bool IsURIQualifiedName(std::wstring_view name, std::wstring_view& uri) {
  if (name.size() < 4 || name.substr(0, 2) != L"Q{") {
    return false;
  }
  const std::size_t close = name.find(L'}');
  if (close == std::wstring_view::npos) {
    return false;
  }
  uri = name.substr(2, close - 2);
  return uri.find(L'{') == std::wstring_view::npos && IsNCName(name.substr(close + 1));
}

// A QName with a declared prefix, or Q{uri}local; `namespaced` asks for a namespace.
bool IsEQName(std::wstring_view name, const NamespaceScope* scope, bool namespaced) {
  std::wstring_view uri;
  if (IsURIQualifiedName(name, uri)) {
    return !namespaced || !uri.empty();
  }
  std::wstring_view prefix;
  return IsQName(name, prefix) && IsDeclaredPrefix(prefix, scope) &&
         (!namespaced || !prefix.empty());
}

std::wstring_view Trimmed(std::wstring_view text) {
  while (!text.empty() && IsXmlSpace(text.front())) {
    text.remove_prefix(1);
  }
  while (!text.empty() && IsXmlSpace(text.back())) {
    text.remove_suffix(1);
  }
  return text;
}

bool IsDecimal(std::wstring_view text) {
  if (!text.empty() && (text.front() == L'+' || text.front() == L'-')) {
    text.remove_prefix(1);
  }
  bool digit = false;
  bool point = false;
  for (wchar_t c : text) {
    if (c >= L'0' && c <= L'9') {
      digit = true;
    } else if (c == L'.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

bool Contains(const std::vector<std::wstring>& values, std::wstring_view value) {
  return std::find(values.begin(), values.end(), value) != values.end();
}

// A version number: digits with at most one point and at least one digit, written without
// leading zeros before the point or trailing zeros after it; empty when `text` is not one.
std::wstring CanonicalNumber(const std::wstring& text) {
  const std::wstring number = TrimXmlSpace(text);
  const std::size_t point = number.find(L'.');
  std::wstring whole = number.substr(0, point);
  std::wstring fraction = point == std::wstring::npos ? std::wstring() : number.substr(point + 1);
  const auto digitsOnly = [](const std::wstring& part) {
    return std::all_of(part.begin(), part.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
  };
  if ((whole.empty() && fraction.empty()) || !digitsOnly(whole) || !digitsOnly(fraction)) {
    return std::wstring();
  }
  whole.erase(0, std::min(whole.find_first_not_of(L'0'), whole.size()));
  fraction.erase(std::min(fraction.find_last_not_of(L'0') + 1, fraction.size()));
  return (whole.empty() ? L"0" : whole) + L"." + fraction;
}

}  // namespace

bool NULLValidator::validateValue(const std::wstring&, const std::wstring&,
                                  StylesheetSyntaxError&) const {
  return true;
}

std::unique_ptr<AttributeValueValidator> NULLValidator::clone() const {
  return std::make_unique<NULLValidator>(*this);
}

bool MatchPatternValidator::validateValue(const std::wstring&, const std::wstring&,
                                          StylesheetSyntaxError&) const {
  return true;
}

std::unique_ptr<AttributeValueValidator> MatchPatternValidator::clone() const {
  return std::make_unique<MatchPatternValidator>(*this);
}

EnumValidator::EnumValidator(std::vector<std::wstring> values) : m_values(std::move(values)) {}

bool EnumValidator::validateValue(const std::wstring& attributeName, const std::wstring& value,
                                  StylesheetSyntaxError& error) const {
  if (std::find(m_values.begin(), m_values.end(), value) != m_values.end()) {
    return true;
  }
  return RejectValue(attributeName, value, error);
}

std::unique_ptr<AttributeValueValidator> EnumValidator::clone() const {
  return std::make_unique<EnumValidator>(*this);
}

bool NameValidator::validateValue(const std::wstring& attributeName, const std::wstring& value,
                                  StylesheetSyntaxError& error) const {
  return validateValueInScope(attributeName, value, nullptr, error);
}

bool NameValidator::isList() const {
  return m_kind == kQNames || m_kind == kPrefixes || m_kind == kNameTests || m_kind == kEQNames ||
         m_kind == kEQNameTests || m_kind == kComponentTests;
}

bool NameValidator::validateValueInScope(const std::wstring& attributeName,
                                         const std::wstring& value, const NamespaceScope* scope,
                                         StylesheetSyntaxError& error) const {
  // The kinds of XSLT 2.0 and 3.0 read tokens, which surrounding whitespace is not part of.
  const bool tokenKind = m_kind >= kEQName;
  const std::wstring_view text = tokenKind ? Trimmed(value) : std::wstring_view(value);
  std::size_t tokens = 0;
  bool alone = false;
  const bool accepted = EveryToken(text, [this, scope, &tokens, &alone](std::wstring_view token) {
    ++tokens;
    if (Contains(m_options.aloneTokens, token)) {
      alone = true;
      return true;
    }
    return Contains(m_options.tokens, token) || isAcceptedToken(token, scope);
  });
  const bool single =
      tokens == 1 && !text.empty() && !IsXmlSpace(text.front()) && !IsXmlSpace(text.back());
  if (accepted && (isList() || single) && (!alone || tokens == 1)) {
    return true;
  }
  return RejectValue(attributeName, value, error);
}

bool NameValidator::isAcceptedName(std::wstring_view token, const NamespaceScope* scope) const {
  return IsEQName(token, scope, m_options.namespaced);
}

bool NameValidator::isAcceptedToken(std::wstring_view token, const NamespaceScope* scope) const {
  std::wstring_view prefix;
  std::wstring_view uri;
  switch (m_kind) {
    case kQName:
    case kQNames:
      return IsQName(token, prefix) && IsDeclaredPrefix(prefix, scope) &&
             (!m_options.namespaced || !prefix.empty());
    case kPrefix:
      // A namespace alias may name the default namespace whether or not one is declared: it
      // then stands for no namespace.
      return token == L"#default" || (IsNCName(token) && IsDeclaredPrefix(token, scope));
    case kPrefixes:
      if (token == L"#default") {
        return scope == nullptr || scope->isDeclared(std::wstring_view());
      }
      return IsNCName(token) && IsDeclaredPrefix(token, scope);
    case kNameTests:
      if (token == L"*") {
        return true;
      }
      if (token.size() > 2 && token.substr(token.size() - 2) == L":*") {
        prefix = token.substr(0, token.size() - 2);
        return IsNCName(prefix) && IsDeclaredPrefix(prefix, scope);
      }
      return IsQName(token, prefix) && IsDeclaredPrefix(prefix, scope);
    case kEQName:
    case kEQNames:
      return isAcceptedName(token, scope);
    case kComponentTests: {
      const std::size_t hash = token.rfind(L'#');
      if (hash != std::wstring_view::npos && hash + 1 < token.size()) {
        const std::wstring_view arity = token.substr(hash + 1);
        const bool digits = std::all_of(arity.begin(), arity.end(),
                                        [](wchar_t c) { return c >= L'0' && c <= L'9'; });
        return digits && isAcceptedName(token.substr(0, hash), scope);
      }
      [[fallthrough]];
    }
    case kEQNameTests:
      if (token == L"*") {
        return true;
      }
      if (token.size() > 2 && token.substr(0, 2) == L"*:") {
        return IsNCName(token.substr(2));
      }
      if (token.size() > 2 && token.substr(token.size() - 2) == L":*") {
        prefix = token.substr(0, token.size() - 2);
        return IsNCName(prefix) && IsDeclaredPrefix(prefix, scope);
      }
      if (token.size() >= 4 && token.substr(0, 2) == L"Q{" && token.back() == L'*' &&
          token[token.size() - 2] == L'}') {
        return token.substr(2, token.size() - 4).find_first_of(L"{}") == std::wstring_view::npos;
      }
      return isAcceptedName(token, scope);
    case kNCName:
      return IsNCName(token);
  }
  return false;
}

std::unique_ptr<AttributeValueValidator> NameValidator::clone() const {
  return std::make_unique<NameValidator>(*this);
}

bool FormValidator::validateValue(const std::wstring& attributeName, const std::wstring& value,
                                  StylesheetSyntaxError& error) const {
  static const std::vector<std::wstring> kBooleans{L"yes", L"no", L"true", L"false", L"1", L"0"};
  bool accepted = false;
  switch (m_kind) {
    case kSequenceType:
      accepted = IsSequenceType(value);
      break;
    case kItemType:
      accepted = IsItemType(value);
      break;
    case kDecimal:
      accepted = IsDecimal(Trimmed(value));
      break;
    case kCharacter: {
      const bool pair = value.size() == 2 && value[0] >= 0xD800 && value[0] <= 0xDBFF;
      accepted = value.size() == 1 || pair;
      break;
    }
    case kBoolean:
      accepted = Contains(kBooleans, Trimmed(value));
      break;
  }
  return accepted || RejectValue(attributeName, value, error);
}

std::unique_ptr<AttributeValueValidator> FormValidator::clone() const {
  return std::make_unique<FormValidator>(*this);
}

bool TrimmingValidator::validateValueInScope(const std::wstring& attributeName,
                                             const std::wstring& value, const NamespaceScope* scope,
                                             StylesheetSyntaxError& error) const {
  if (m_inner->validateValueInScope(attributeName, std::wstring(Trimmed(value)), scope, error)) {
    return true;
  }
  return RejectValue(attributeName, value, error);
}

std::unique_ptr<AttributeValueValidator> TrimmingValidator::clone() const {
  return std::make_unique<TrimmingValidator>(*this);
}

bool AttributeValueTemplateValidator::validateValueInScope(const std::wstring& attributeName,
                                                           const std::wstring& value,
                                                           const NamespaceScope* scope,
                                                           StylesheetSyntaxError& error) const {
  return value.find(L'{') != std::wstring::npos ||
         m_inner->validateValueInScope(attributeName, value, scope, error);
}

std::unique_ptr<AttributeValueValidator> AttributeValueTemplateValidator::clone() const {
  return std::make_unique<AttributeValueTemplateValidator>(*this);
}

AttributeValidator::AttributeValidator()
    : m_required(false), m_valueValidator(std::make_unique<NULLValidator>()) {}

AttributeValidator::AttributeValidator(std::wstring name, bool required,
                                       std::unique_ptr<AttributeValueValidator> valueValidator)
    : m_name(std::move(name)), m_required(required), m_valueValidator(std::move(valueValidator)) {
  // The value rule is never absent: a missing one means any value is accepted.
  if (!m_valueValidator) {
    m_valueValidator = std::make_unique<NULLValidator>();
  }
}

AttributeValidator::AttributeValidator(const AttributeValidator& other)
    : m_name(other.m_name),
      m_required(other.m_required),
      m_valueValidator(other.m_valueValidator->clone()),
      m_forwardsCompatibleUnless(other.m_forwardsCompatibleUnless),
      m_forwardsCompatibleAbove(other.m_forwardsCompatibleAbove) {}

AttributeValidator& AttributeValidator::operator=(const AttributeValidator& other) {
  if (this != &other) {
    m_name = other.m_name;
    m_required = other.m_required;
    m_valueValidator = other.m_valueValidator->clone();
    m_forwardsCompatibleUnless = other.m_forwardsCompatibleUnless;
    m_forwardsCompatibleAbove = other.m_forwardsCompatibleAbove;
  }
  return *this;
}

bool AttributeValidator::validateValue(const std::wstring& value,
                                       StylesheetSyntaxError& error) const {
  return m_valueValidator->validateValue(m_name, value, error);
}

bool AttributeValidator::validateValue(const std::wstring& value, const NamespaceScope* scope,
                                       StylesheetSyntaxError& error) const {
  return m_valueValidator->validateValueInScope(m_name, value, scope, error);
}

bool ParseVersionNumber(const std::wstring& text, long double& number) {
  const std::wstring canonical = CanonicalNumber(text);
  if (canonical.empty()) {
    return false;
  }
  number = std::stold(canonical);
  return true;
}

bool AttributeValidator::enablesForwardsCompatibleMode(const std::wstring& value) const {
  if (!m_forwardsCompatibleAbove.empty()) {
    long double version = 0;
    long double above = 0;
    return ParseVersionNumber(value, version) &&
           ParseVersionNumber(m_forwardsCompatibleAbove, above) && version > above;
  }
  if (m_forwardsCompatibleUnless.empty()) {
    return false;
  }
  const std::wstring version = CanonicalNumber(value);
  const std::wstring unless = CanonicalNumber(m_forwardsCompatibleUnless);
  if (!version.empty() && !unless.empty()) {
    return version != unless;
  }
  return value != m_forwardsCompatibleUnless;
}
