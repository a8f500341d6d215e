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
    // The kinds of XSLT 2.0 and 3.0, whose values are tokens: surrounding whitespace is
    // not part of them.
    kEQName,          // one qualified name or Q{uri}local
    kEQNames,         // such names separated by whitespace
    kEQNameTests,     // "*", "prefix:*", "*:local", "Q{uri}*" or names, separated by whitespace
    kComponentTests,  // name tests or function names with an arity ("f#2")
    kNCName,          // one name without a prefix
  };

  // What a state file may add to a kind.
  struct Options {
    // Values accepted in place of a name (for the list kinds: in place of one member).
    std::vector<std::wstring> tokens;
    // Tokens that must stand alone in a list, such as #all.
    std::vector<std::wstring> aloneTokens;
    // Names must be in a namespace: prefixed, or Q{uri}local with a URI.
    bool namespaced = false;
  };

  explicit NameValidator(Kind kind) : m_kind(kind) {}
  NameValidator(Kind kind, Options options) : m_kind(kind), m_options(std::move(options)) {}
  bool validateValue(const std::wstring& attributeName, const std::wstring& value,
                     StylesheetSyntaxError& error) const override;
  bool validateValueInScope(const std::wstring& attributeName, const std::wstring& value,
                            const NamespaceScope* scope,
                            StylesheetSyntaxError& error) const override;
  std::unique_ptr<AttributeValueValidator> clone() const override;
  Kind getKind() const { return m_kind; }
  const Options& getOptions() const { return m_options; }

 private:
  bool isAcceptedToken(std::wstring_view token, const NamespaceScope* scope) const;
  bool isAcceptedName(std::wstring_view token, const NamespaceScope* scope) const;
  bool isList() const;

  Kind m_kind;
  Options m_options;
};

// Values with a fixed form of their own.
class FormValidator : public AttributeValueValidator {
 public:
  enum Kind {
    kSequenceType,  // an XPath sequence type, such as xs:string* (not xs:string**)
    kItemType,      // an XPath item type
    kDecimal,       // a decimal number: optional sign, digits, at most one point
    kCharacter,     // exactly one character
    kBoolean,       // yes, no, true, false, 1 or 0 (XSLT 3.0)
  };

  explicit FormValidator(Kind kind) : m_kind(kind) {}
  bool validateValue(const std::wstring& attributeName, const std::wstring& value,
                     StylesheetSyntaxError& error) const override;
  std::unique_ptr<AttributeValueValidator> clone() const override;
  Kind getKind() const { return m_kind; }

 private:
  Kind m_kind;
};

// A rule that adapts another, which it owns.
class WrappingValidator : public AttributeValueValidator {
 public:
  explicit WrappingValidator(std::unique_ptr<AttributeValueValidator> inner)
      : m_inner(std::move(inner)) {}
  WrappingValidator(const WrappingValidator& other) : m_inner(other.m_inner->clone()) {}
  bool validateValue(const std::wstring& attributeName, const std::wstring& value,
                     StylesheetSyntaxError& error) const override {
    return validateValueInScope(attributeName, value, nullptr, error);
  }
  const AttributeValueValidator& getInner() const { return *m_inner; }

 protected:
  std::unique_ptr<AttributeValueValidator> m_inner;
};

// Checks the value with its leading and trailing whitespace removed, as XSLT 2.0 and 3.0
// read attributes whose values are tokens.
class TrimmingValidator : public WrappingValidator {
 public:
  using WrappingValidator::WrappingValidator;
  bool validateValueInScope(const std::wstring& attributeName, const std::wstring& value,
                            const NamespaceScope* scope,
                            StylesheetSyntaxError& error) const override;
  std::unique_ptr<AttributeValueValidator> clone() const override;
};

// An attribute value template: a value with "{" in it is computed when the stylesheet runs
// and is accepted as it stands; any other value is checked by the inner rule.
class AttributeValueTemplateValidator : public WrappingValidator {
 public:
  using WrappingValidator::WrappingValidator;
  bool validateValueInScope(const std::wstring& attributeName, const std::wstring& value,
                            const NamespaceScope* scope,
                            StylesheetSyntaxError& error) const override;
  std::unique_ptr<AttributeValueValidator> clone() const override;
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
  // Marks this attribute as the one that holds the XSLT version where only a later version
  // than `version` switches forwards-compatible processing on (XSLT 2.0 and 3.0 process an
  // earlier version with their own rules).
  void setForwardsCompatibleAbove(std::wstring version) {
    m_forwardsCompatibleAbove = std::move(version);
  }
  const std::wstring& getForwardsCompatibleAbove() const { return m_forwardsCompatibleAbove; }
  bool isVersionAttribute() const {
    return !m_forwardsCompatibleUnless.empty() || !m_forwardsCompatibleAbove.empty();
  }
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
  std::wstring m_forwardsCompatibleAbove;
};

// A version number as a decimal, when `text` is one (surrounding whitespace aside).
bool ParseVersionNumber(const std::wstring& text, long double& number);

#endif  // STYLEWARDEN_ATTRIBUTEVALIDATOR_H
