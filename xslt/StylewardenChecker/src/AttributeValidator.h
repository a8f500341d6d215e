// The rule for one attribute of an element: its name, whether it is required, and the rule
// its value must satisfy (any value, a match pattern, or one of an enumerated list).
#ifndef STYLEWARDEN_ATTRIBUTEVALIDATOR_H
#define STYLEWARDEN_ATTRIBUTEVALIDATOR_H

#include <memory>
#include <string>
#include <vector>

#include "StylesheetSyntaxError.h"

// Base of the rules for one attribute's value. On rejection a rule fills the record's code,
// severity and message; the caller owns the locations.
class AttributeValueValidator {
 public:
  virtual ~AttributeValueValidator() = default;
  virtual bool validateValue(const std::wstring& attributeName, const std::wstring& value,
                             StylesheetSyntaxError& error) const = 0;
  virtual std::unique_ptr<AttributeValueValidator> clone() const = 0;
};

// Accepts every value.
class NULLValidator : public AttributeValueValidator {
 public:
  bool validateValue(const std::wstring& attributeName, const std::wstring& value,
                     StylesheetSyntaxError& error) const override;
  std::unique_ptr<AttributeValueValidator> clone() const override;
};

// Marks an attribute as holding a match pattern; patterns are accepted without analysis.
class MatchPatternValidator : public AttributeValueValidator {
 public:
  bool validateValue(const std::wstring& attributeName, const std::wstring& value,
                     StylesheetSyntaxError& error) const override;
  std::unique_ptr<AttributeValueValidator> clone() const override;
};

// Accepts exactly one of a list of values: same characters, case-sensitive, no trimming.
class EnumValidator : public AttributeValueValidator {
 public:
  explicit EnumValidator(std::vector<std::wstring> values);
  bool validateValue(const std::wstring& attributeName, const std::wstring& value,
                     StylesheetSyntaxError& error) const override;
  std::unique_ptr<AttributeValueValidator> clone() const override;
  const std::vector<std::wstring>& getValues() const { return m_values; }

 private:
  std::vector<std::wstring> m_values;
};

// One attribute's rule; owns its value rule and clones it when copied.
class AttributeValidator {
 public:
  AttributeValidator();
  AttributeValidator(std::wstring name, bool required,
                     std::unique_ptr<AttributeValueValidator> valueValidator);
  AttributeValidator(const AttributeValidator& other);
  AttributeValidator& operator=(const AttributeValidator& other);
  ~AttributeValidator() = default;

  bool validateValue(const std::wstring& value, StylesheetSyntaxError& error) const;

  const std::wstring& getName() const { return m_name; }
  bool isRequired() const { return m_required; }
  const AttributeValueValidator& getValueValidator() const { return *m_valueValidator; }

 private:
  std::wstring m_name;
  bool m_required;
  std::unique_ptr<AttributeValueValidator> m_valueValidator;
};

#endif  // STYLEWARDEN_ATTRIBUTEVALIDATOR_H
