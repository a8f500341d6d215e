// An attribute set: the rules for the attributes of an element in one state, and the
// process-wide registry of all sets, indexed by each set's own index.
#ifndef STYLEWARDEN_ATTRIBUTESETVALIDATOR_H
#define STYLEWARDEN_ATTRIBUTESETVALIDATOR_H

#include <map>
#include <string>
#include <vector>

#include "Attribute.h"
#include "AttributeValidator.h"
#include "StylesheetSyntaxError.h"

class AttributeSetValidator {
 public:
  using AttributeMap = std::map<std::wstring, AttributeValidator>;

  AttributeSetValidator();
  AttributeSetValidator(int index, const AttributeMap& requiredAttributes,
                        const AttributeMap& optionalAttributes, bool defaultInNamespace);

  // Checks a start tag's attributes, in the parser's order. On false the record's code,
  // severity and message describe the one finding; its locations are left alone.
  bool validateAttributes(const std::vector<Attribute>& attributes,
                          StylesheetSyntaxError& error) const;

  int getIndex() const { return m_index; }
  bool wasCorrectlyConstructed() const { return m_correctlyConstructed; }
  bool isDefaultInNamespace() const { return m_defaultInNamespace; }
  const AttributeMap& getRequiredAttributes() const { return m_requiredAttributes; }
  const AttributeMap& getOptionalAttributes() const { return m_optionalAttributes; }

  static std::vector<AttributeSetValidator>& getAttributeSetValidatorVector();
  // The registry entry at `index`, which must be correctly constructed. The registry is
  // read-only once built, so callers may keep the reference or copy it.
  static const AttributeSetValidator& getAttributeSetValidator(int index);

 private:
  bool m_correctlyConstructed;
  int m_index;
  AttributeMap m_requiredAttributes;
  AttributeMap m_optionalAttributes;
  bool m_defaultInNamespace;

  static std::vector<AttributeSetValidator> m_attributeSetValidatorVector;
};

#endif  // STYLEWARDEN_ATTRIBUTESETVALIDATOR_H
