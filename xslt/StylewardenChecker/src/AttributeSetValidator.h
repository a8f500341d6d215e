// An attribute set: the rules for the attributes of an element in one state, and the
// process-wide registry of all sets, indexed by each set's own index.
#ifndef STYLEWARDEN_ATTRIBUTESETVALIDATOR_H
#define STYLEWARDEN_ATTRIBUTESETVALIDATOR_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "Attribute.h"
#include "AttributeValidator.h"
#include "StylesheetSyntaxError.h"

class AttributeSetValidator {
 public:
  using AttributeMap = std::map<std::wstring, AttributeValidator>;

  // A rule about which attributes of the set go together, by local name.
  struct AttributeGroup {
    enum Kind {
      kExactlyOne,  // one of the names, and only one
      kAtMostOne,   // none or one of the names
      kAtLeastOne,  // one or more of the names
      kNeeds,       // `attribute`, when present, needs one of the names
    };
    Kind kind = kAtLeastOne;
    std::wstring attribute;
    std::vector<std::wstring> names;
  };
  // What a state file may add to a set; the defaults keep the plain set's behaviour.
  struct Constraints {
    // An attribute "_name" stands for "name" (an XSLT 3.0 shadow attribute): it counts as
    // present and its value, an attribute value template, is not checked.
    bool shadowAttributes = false;
    std::vector<AttributeGroup> groups;
  };

  AttributeSetValidator();
  // `ignoresUnlistedWhenForwardsCompatible`: in forwards-compatible mode, attributes the set
  // does not list are not reported.
  AttributeSetValidator(int index, const AttributeMap& requiredAttributes,
                        const AttributeMap& optionalAttributes, bool defaultInNamespace,
                        bool ignoresUnlistedWhenForwardsCompatible = false);

  // Checks a start tag's attributes, in the parser's order. On false the record's code,
  // severity and message describe the one finding; its locations are left alone.
  bool validateAttributes(const std::vector<Attribute>& attributes,
                          StylesheetSyntaxError& error) const;
  // The same with the namespace declarations in scope (null: unknown) and in the given mode.
  bool validateAttributes(const std::vector<Attribute>& attributes, const NamespaceScope* scope,
                          bool forwardsCompatible, StylesheetSyntaxError& error) const;
  // True when one of the attributes is a version attribute of this set (see
  // AttributeValidator::setForwardsCompatibleUnless) whose value asks for forwards-compatible
  // processing.
  bool enablesForwardsCompatibleMode(const std::vector<Attribute>& attributes) const;
  bool hasVersionAttribute() const { return m_versionAttribute != nullptr; }
  void setConstraints(Constraints constraints) { m_constraints = std::move(constraints); }
  const Constraints& getConstraints() const { return m_constraints; }
  // Whether the set checks an attribute with this namespace at all.
  bool checks(const std::wstring& uri) const;

  int getIndex() const { return m_index; }
  bool wasCorrectlyConstructed() const { return m_correctlyConstructed; }
  bool isDefaultInNamespace() const { return m_defaultInNamespace; }
  bool ignoresUnlistedWhenForwardsCompatible() const {
    return m_ignoresUnlistedWhenForwardsCompatible;
  }
  const AttributeMap& getRequiredAttributes() const { return m_requiredAttributes; }
  const AttributeMap& getOptionalAttributes() const { return m_optionalAttributes; }

  static std::vector<AttributeSetValidator>& getAttributeSetValidatorVector();
  // The registry entry at `index`, which must be correctly constructed. The registry is
  // read-only once built, so callers may keep the reference or copy it.
  static const AttributeSetValidator& getAttributeSetValidator(int index);

  AttributeSetValidator(const AttributeSetValidator& other);
  AttributeSetValidator& operator=(const AttributeSetValidator& other);

 private:
  void findVersionAttribute();
  // The first finding of the groups, given the attributes present in document order.
  bool validateGroups(const std::vector<const Attribute*>& present,
                      const std::vector<std::wstring>& presentNames, bool missingOnly,
                      StylesheetSyntaxError& error) const;

  bool m_correctlyConstructed;
  int m_index;
  AttributeMap m_requiredAttributes;
  AttributeMap m_optionalAttributes;
  bool m_defaultInNamespace;
  bool m_ignoresUnlistedWhenForwardsCompatible;
  // The rule, in one of the two maps, that holds the version; null when there is none.
  const AttributeValidator* m_versionAttribute;
  Constraints m_constraints;
};

#endif  // STYLEWARDEN_ATTRIBUTESETVALIDATOR_H
