// The rule for one attribute of an element: its name, whether it is required, and the rule
// its value must satisfy (any value, a match pattern, one of an enumerated list, or names).
#ifndef STYLEWARDEN_ATTRIBUTEVALIDATOR_H
#define STYLEWARDEN_ATTRIBUTEVALIDATOR_H

#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "NamespaceScope.h"
#include "StylesheetSyntaxError.h"

// Base of the rules for one attribute's value. On rejection a rule fills the record's code,
// severity and message; the caller owns the locations.
class AttributeValueValidator {
 public:
  virtual ~AttributeValueValidator() = default;
  virtual bool validateValue(const std::wstring& attributeName, const std::wstring& value,
                             StylesheetSyntaxError& error) const = 0;
  virtual std::unique_ptr<AttributeValueValidator> clone() const = 0;
  // The same check where the namespace declarations in scope are known (null: unknown).
  // Only rules about prefixes look at them.
  virtual bool validateValueInScope(const std::wstring& attributeName, const std::wstring& value,
                                    const NamespaceScope* /*scope*/,
                                    StylesheetSyntaxError& error) const {
    return validateValue(attributeName, value, error);
  }
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

// Accepts names as XSLT writes them in attribute values. A prefix must be declared where the
// attribute stands; without a known scope only the form is checked.
class NameValidator : public AttributeValueValidator {
 public:
  enum Kind {
    kQName,      // one qualified name
    kQNames,     // qualified names separated by whitespace, possibly none
    kPrefix,     // one prefix, or #default
    kPrefixes,   // prefixes separated by whitespace; #default only with a default namespace
    kNameTests,  // "*", "prefix:*" or qualified names, separated by whitespace
  };

  explicit NameValidator(Kind kind) : m_kind(kind) {}
  bool validateValue(const std::wstring& attributeName, const std::wstring& value,
                     StylesheetSyntaxError& error) const override;
  bool validateValueInScope(const std::wstring& attributeName, const std::wstring& value,
                            const NamespaceScope* scope,
                            StylesheetSyntaxError& error) const override;
  std::unique_ptr<AttributeValueValidator> clone() const override;
  Kind getKind() const { return m_kind; }

 private:
  bool isAcceptedToken(std::wstring_view token, const NamespaceScope* scope) const;

  Kind m_kind;
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
  bool validateValue(const std::wstring& value, const NamespaceScope* scope,
                     StylesheetSyntaxError& error) const;

  // Marks this attribute as the one that holds the stylesheet's XSLT version: any value other
  // than `version` switches forwards-compatible processing on. Empty: not such an attribute.
  void setForwardsCompatibleUnless(std::wstring version) {
    m_forwardsCompatibleUnless = std::move(version);
  }
  const std::wstring& getForwardsCompatibleUnless() const { return m_forwardsCompatibleUnless; }
  // True when this is a version attribute and `value` is not its version, compared as
  // decimal numbers ("1", "1.0" and "01.00" are one version) or else character by character.
  bool enablesForwardsCompatibleMode(const std::wstring& value) const;

  const std::wstring& getName() const { return m_name; }
  bool isRequired() const { return m_required; }
  const AttributeValueValidator& getValueValidator() const { return *m_valueValidator; }

 private:
  std::wstring m_name;
  bool m_required;
  std::unique_ptr<AttributeValueValidator> m_valueValidator;
  std::wstring m_forwardsCompatibleUnless;
};

#endif  // STYLEWARDEN_ATTRIBUTEVALIDATOR_H
