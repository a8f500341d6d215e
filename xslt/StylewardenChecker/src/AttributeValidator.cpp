// Value rules and the per-attribute rule that owns one of them.
#include "AttributeValidator.h"

#include <algorithm>
#include <string_view>
#include <utility>
#include <xercesc/util/XMLChar.hpp>

#include "StringUtils.h"

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

// A version number: digits with at most one point and at least one digit, written without
// leading zeros before the point or trailing zeros after it; empty when `text` is not one.
std::wstring CanonicalNumber(const std::wstring& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsXmlSpace(text[begin])) {
    ++begin;
  }
  while (end > begin && IsXmlSpace(text[end - 1])) {
    --end;
  }
  const std::wstring number = text.substr(begin, end - begin);
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

bool NameValidator::validateValueInScope(const std::wstring& attributeName,
                                         const std::wstring& value, const NamespaceScope* scope,
                                         StylesheetSyntaxError& error) const {
  std::size_t tokens = 0;
  const bool accepted = EveryToken(value, [this, scope, &tokens](std::wstring_view token) {
    ++tokens;
    return isAcceptedToken(token, scope);
  });
  const bool list = m_kind == kQNames || m_kind == kPrefixes || m_kind == kNameTests;
  // Surrounding whitespace is not part of a single name.
  const bool single = tokens == 1 && !IsXmlSpace(value.front()) && !IsXmlSpace(value.back());
  if (accepted && (list || single)) {
    return true;
  }
  return RejectValue(attributeName, value, error);
}

bool NameValidator::isAcceptedToken(std::wstring_view token, const NamespaceScope* scope) const {
  std::wstring_view prefix;
  switch (m_kind) {
    case kQName:
    case kQNames:
      return IsQName(token, prefix) && IsDeclaredPrefix(prefix, scope);
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
  }
  return false;
}

std::unique_ptr<AttributeValueValidator> NameValidator::clone() const {
  return std::make_unique<NameValidator>(*this);
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
      m_forwardsCompatibleUnless(other.m_forwardsCompatibleUnless) {}

AttributeValidator& AttributeValidator::operator=(const AttributeValidator& other) {
  if (this != &other) {
    m_name = other.m_name;
    m_required = other.m_required;
    m_valueValidator = other.m_valueValidator->clone();
    m_forwardsCompatibleUnless = other.m_forwardsCompatibleUnless;
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

bool AttributeValidator::enablesForwardsCompatibleMode(const std::wstring& value) const {
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
