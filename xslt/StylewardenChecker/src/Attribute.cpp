// The attribute record and its construction from a SAX2 attribute list.
#include "Attribute.h"

#include <utility>

#include "StringUtils.h"

Attribute::Attribute(std::wstring localName, std::wstring qName, std::wstring uri,
                     std::wstring value)
    : m_localName(std::move(localName)),
      m_qName(std::move(qName)),
      m_uri(std::move(uri)),
      m_value(std::move(value)) {}

std::vector<Attribute> toAttributeVector(const xercesc::Attributes& attributes) {
  const XMLSize_t count = attributes.getLength();
  std::vector<Attribute> result;
  result.reserve(count);
  for (XMLSize_t i = 0; i < count; ++i) {
    result.emplace_back(toWString(attributes.getLocalName(i)), toWString(attributes.getQName(i)),
                        toWString(attributes.getURI(i)), toWString(attributes.getValue(i)));
  }
  return result;
}
