// Attribute set checks: required, unlisted and badly valued attributes of one start tag.
#include "AttributeSetValidator.h"

#include <algorithm>
#include <iterator>

#include "ElementState.h"
#include "RegistryEntry.h"
#include "StateTables.h"

namespace {

// "a", "b" or "c"
std::wstring QuotedAlternatives(const std::vector<std::wstring>& names) {
  std::wstring text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    text += (i == 0 ? L"\"" : i + 1 == names.size() ? L" or \"" : L", \"") + names[i] + L"\"";
  }
  return text;
}

}  // namespace

AttributeSetValidator::AttributeSetValidator()
    : m_correctlyConstructed(false),
      m_index(0),
      m_defaultInNamespace(true),
      m_ignoresUnlistedWhenForwardsCompatible(false),
      m_versionAttribute(nullptr) {}

AttributeSetValidator::AttributeSetValidator(int index, const AttributeMap& requiredAttributes,
                                             const AttributeMap& optionalAttributes,
                                             bool defaultInNamespace,
                                             bool ignoresUnlistedWhenForwardsCompatible)
    : m_correctlyConstructed(true),
      m_index(index),
      m_requiredAttributes(requiredAttributes),
      m_optionalAttributes(optionalAttributes),
      m_defaultInNamespace(defaultInNamespace),
      m_ignoresUnlistedWhenForwardsCompatible(ignoresUnlistedWhenForwardsCompatible),
      m_versionAttribute(nullptr) {
  findVersionAttribute();
}

AttributeSetValidator::AttributeSetValidator(const AttributeSetValidator& other)
    : m_correctlyConstructed(other.m_correctlyConstructed),
      m_index(other.m_index),
      m_requiredAttributes(other.m_requiredAttributes),
      m_optionalAttributes(other.m_optionalAttributes),
      m_defaultInNamespace(other.m_defaultInNamespace),
      m_ignoresUnlistedWhenForwardsCompatible(other.m_ignoresUnlistedWhenForwardsCompatible),
      m_versionAttribute(nullptr),
      m_constraints(other.m_constraints) {
  findVersionAttribute();
}

AttributeSetValidator& AttributeSetValidator::operator=(const AttributeSetValidator& other) {
  if (this != &other) {
    m_correctlyConstructed = other.m_correctlyConstructed;
    m_index = other.m_index;
    m_requiredAttributes = other.m_requiredAttributes;
    m_optionalAttributes = other.m_optionalAttributes;
    m_defaultInNamespace = other.m_defaultInNamespace;
    m_ignoresUnlistedWhenForwardsCompatible = other.m_ignoresUnlistedWhenForwardsCompatible;
    m_constraints = other.m_constraints;
    findVersionAttribute();
  }
  return *this;
}

void AttributeSetValidator::findVersionAttribute() {
  // A pointer into this object's own maps, so it is found again after every copy.
  m_versionAttribute = nullptr;
  for (const AttributeMap* rules : {&m_requiredAttributes, &m_optionalAttributes}) {
    for (const auto& rule : *rules) {
      if (rule.second.isVersionAttribute()) {
        m_versionAttribute = &rule.second;
        return;
      }
    }
  }
}

bool AttributeSetValidator::checks(const std::wstring& uri) const {
  return uri == kXsltNamespace || (uri.empty() && m_defaultInNamespace);
}

bool AttributeSetValidator::enablesForwardsCompatibleMode(
    const std::vector<Attribute>& attributes) const {
  if (m_versionAttribute == nullptr) {
    return false;
  }
  for (const Attribute& attribute : attributes) {
    if (checks(attribute.getURI()) && attribute.getLocalName() == m_versionAttribute->getName()) {
      return m_versionAttribute->enablesForwardsCompatibleMode(attribute.getValue());
    }
  }
  return false;
}

bool AttributeSetValidator::validateAttributes(const std::vector<Attribute>& attributes,
                                               StylesheetSyntaxError& error) const {
  return validateAttributes(attributes, nullptr, false, error);
}

bool AttributeSetValidator::validateAttributes(const std::vector<Attribute>& attributes,
                                               const NamespaceScope* scope, bool forwardsCompatible,
                                               StylesheetSyntaxError& error) const {
  // Required rules seen so far, by position in the ordered map: the first one not seen is
  // the smallest missing name.
  std::vector<bool> present(m_requiredAttributes.size(), false);
  const Attribute* firstUnlisted = nullptr;
  // For the groups only: the attributes of the set present, and the names they stand for.
  const bool grouped = !m_constraints.groups.empty();
  std::vector<const Attribute*> presentAttributes;
  std::vector<std::wstring> presentNames;

  for (const Attribute& attribute : attributes) {
    const std::wstring uri = attribute.getURI();
    if (!checks(uri)) {
      continue;
    }
    const bool inXsltNamespace = uri == kXsltNamespace;
    std::wstring localName = attribute.getLocalName();
    // A shadow attribute's value is an attribute value template, checked when it is expanded.
    const bool shadow =
        m_constraints.shadowAttributes && localName.size() > 1 && localName[0] == L'_';
    if (shadow) {
      localName.erase(0, 1);
    }
    if (grouped) {
      presentAttributes.push_back(&attribute);
      presentNames.push_back(localName);
    }
    auto required = m_requiredAttributes.find(localName);
    if (required != m_requiredAttributes.end()) {
      present[static_cast<std::size_t>(std::distance(m_requiredAttributes.begin(), required))] =
          true;
      if (!shadow && !required->second.validateValue(attribute.getValue(), scope, error)) {
        return false;
      }
      continue;
    }
    auto optional = m_optionalAttributes.find(localName);
    if (optional == m_optionalAttributes.end()) {
      // xsl:use-attribute-sets is accepted everywhere; a set that lists it checks its value.
      const bool acceptedEverywhere = inXsltNamespace && localName == L"use-attribute-sets";
      const bool ignored = forwardsCompatible && m_ignoresUnlistedWhenForwardsCompatible;
      if (firstUnlisted == nullptr && !acceptedEverywhere && !ignored) {
        firstUnlisted = &attribute;
      }
    } else if (!shadow && !optional->second.validateValue(attribute.getValue(), scope, error)) {
      return false;
    }
  }

  if (firstUnlisted != nullptr) {
    error.m_code = SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED;
    error.m_severity = SEVERITY_ERROR;
    error.m_message =
        L"The attribute \"" + firstUnlisted->getQName() + L"\" is not allowed in this context.";
    return false;
  }
  if (grouped && !validateGroups(presentAttributes, presentNames, false, error)) {
    return false;
  }
  std::size_t position = 0;
  for (const auto& rule : m_requiredAttributes) {
    if (!present[position++]) {
      error.m_code = SYNTAXERROR_MISSING_REQUIRED_ATTRIBUTE;
      error.m_severity = SEVERITY_ERROR;
      error.m_message = L"The element is missing the required attribute \"" + rule.first + L"\"";
      return false;
    }
  }
  return !grouped || validateGroups(presentAttributes, presentNames, true, error);
}

bool AttributeSetValidator::validateGroups(const std::vector<const Attribute*>& present,
                                           const std::vector<std::wstring>& presentNames,
                                           bool missingOnly, StylesheetSyntaxError& error) const {
  using Group = AttributeGroup;
  const auto find = [&presentNames](const std::wstring& name) {
    return std::find(presentNames.begin(), presentNames.end(), name) - presentNames.begin();
  };
  for (const Group& group : m_constraints.groups) {
    // The group's members present, in document order.
    std::vector<std::size_t> members;
    for (std::size_t i = 0; i < presentNames.size(); ++i) {
      if (std::find(group.names.begin(), group.names.end(), presentNames[i]) != group.names.end()) {
        members.push_back(i);
      }
    }
    if (!missingOnly) {
      const bool onlyOne = group.kind == Group::kExactlyOne || group.kind == Group::kAtMostOne;
      if (onlyOne && members.size() > 1) {
        error.m_code = SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED;
        error.m_severity = SEVERITY_ERROR;
        error.m_message = L"The attribute \"" + present[members[1]]->getQName() +
                          L"\" is not allowed together with the attribute \"" +
                          present[members[0]]->getQName() + L"\".";
        return false;
      }
      const auto needing = static_cast<std::size_t>(find(group.attribute));
      if (group.kind == Group::kNeeds && needing < present.size() && members.empty()) {
        error.m_code = SYNTAXERROR_ATTRIBUTE_NOT_ALLOWED;
        error.m_severity = SEVERITY_ERROR;
        error.m_message = L"The attribute \"" + present[needing]->getQName() +
                          L"\" is not allowed without the attribute " +
                          QuotedAlternatives(group.names) + L".";
        return false;
      }
    } else if ((group.kind == Group::kExactlyOne || group.kind == Group::kAtLeastOne) &&
               members.empty() && !group.names.empty()) {
      error.m_code = SYNTAXERROR_MISSING_REQUIRED_ATTRIBUTE;
      error.m_severity = SEVERITY_ERROR;
      error.m_message =
          L"The element is missing the required attribute " + QuotedAlternatives(group.names);
      return false;
    }
  }
  return true;
}

std::vector<AttributeSetValidator>& AttributeSetValidator::getAttributeSetValidatorVector() {
  return ActiveStateTables().attributeSets;
}

const AttributeSetValidator& AttributeSetValidator::getAttributeSetValidator(int index) {
  return RegistryEntry(ActiveStateTables().attributeSets, index,
                       "index < m_attributeSetValidatorVector.size( )",
                       "m_attributeSetValidatorVector[index].wasCorrectlyConstructed( )");
}
