// Attribute set checks: required, unlisted and badly valued attributes of one start tag.
#include "AttributeSetValidator.h"

#include <iterator>

#include "ElementState.h"
#include "RegistryEntry.h"

std::vector<AttributeSetValidator> AttributeSetValidator::m_attributeSetValidatorVector;

AttributeSetValidator::AttributeSetValidator()
    : m_correctlyConstructed(false), m_index(0), m_defaultInNamespace(true) {}

AttributeSetValidator::AttributeSetValidator(int index, const AttributeMap& requiredAttributes,
                                             const AttributeMap& optionalAttributes,
                                             bool defaultInNamespace)
    : m_correctlyConstructed(true),
      m_index(index),
      m_requiredAttributes(requiredAttributes),
      m_optionalAttributes(optionalAttributes),
      m_defaultInNamespace(defaultInNamespace) {}

bool AttributeSetValidator::validateAttributes(const std::vector<Attribute>& attributes,
                                               StylesheetSyntaxError& error) const {
  // Required rules seen so far, by position in the ordered map: the first one not seen is
  // the smallest missing name.
  std::vector<bool> present(m_requiredAttributes.size(), false);
  const Attribute* firstUnlisted = nullptr;

  for (const Attribute& attribute : attributes) {
    const std::wstring uri = attribute.getURI();
    const bool inXsltNamespace = uri == kXsltNamespace;
    if (!inXsltNamespace && (!uri.empty() || !m_defaultInNamespace)) {
      continue;
    }
    const std::wstring localName = attribute.getLocalName();
    auto required = m_requiredAttributes.find(localName);
    if (required != m_requiredAttributes.end()) {
      present[static_cast<std::size_t>(std::distance(m_requiredAttributes.begin(), required))] =
          true;
      if (!required->second.validateValue(attribute.getValue(), error)) {
        return false;
      }
      continue;
    }
    if (inXsltNamespace && localName == L"use-attribute-sets") {
      continue;
    }
    auto optional = m_optionalAttributes.find(localName);
    if (optional == m_optionalAttributes.end()) {
      if (firstUnlisted == nullptr) {
        firstUnlisted = &attribute;
      }
    } else if (!optional->second.validateValue(attribute.getValue(), error)) {
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
  std::size_t position = 0;
  for (const auto& rule : m_requiredAttributes) {
    if (!present[position++]) {
      error.m_code = SYNTAXERROR_MISSING_REQUIRED_ATTRIBUTE;
      error.m_severity = SEVERITY_ERROR;
      error.m_message = L"The element is missing the required attribute \"" + rule.first + L"\"";
      return false;
    }
  }
  return true;
}

std::vector<AttributeSetValidator>& AttributeSetValidator::getAttributeSetValidatorVector() {
  return m_attributeSetValidatorVector;
}

const AttributeSetValidator& AttributeSetValidator::getAttributeSetValidator(int index) {
  return registryEntry(m_attributeSetValidatorVector, index,
                       "index < m_attributeSetValidatorVector.size( )",
                       "m_attributeSetValidatorVector[index].wasCorrectlyConstructed( )");
}
