// Value rules and the per-attribute rule that owns one of them.
#include "AttributeValidator.h"

#include <algorithm>
#include <utility>

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
  error.m_code = SYNTAXERROR_ATTRIBUTE_VALUE_NOT_ALLOWED;
  error.m_severity = SEVERITY_ERROR;
  error.m_message = L"The attribute \"" + attributeName + L"\" cannot have the value \"" + value +
                    L"\" in this context.";
  return false;
}

std::unique_ptr<AttributeValueValidator> EnumValidator::clone() const {
  return std::make_unique<EnumValidator>(*this);
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
      m_valueValidator(other.m_valueValidator->clone()) {}

AttributeValidator& AttributeValidator::operator=(const AttributeValidator& other) {
  if (this != &other) {
    m_name = other.m_name;
    m_required = other.m_required;
    m_valueValidator = other.m_valueValidator->clone();
  }
  return *this;
}

bool AttributeValidator::validateValue(const std::wstring& value,
                                       StylesheetSyntaxError& error) const {
  return m_valueValidator->validateValue(m_name, value, error);
}
