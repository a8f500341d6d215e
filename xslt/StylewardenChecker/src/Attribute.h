// One attribute of a start tag as the walker hands it to attribute validation.
#ifndef STYLEWARDEN_ATTRIBUTE_H
#define STYLEWARDEN_ATTRIBUTE_H

#include <string>
#include <vector>
#include <xercesc/sax2/Attributes.hpp>

class Attribute {
 public:
  Attribute() = default;
  Attribute(std::wstring localName, std::wstring qName, std::wstring uri, std::wstring value);

  std::wstring getLocalName() const { return m_localName; }
  std::wstring getQName() const { return m_qName; }
  std::wstring getURI() const { return m_uri; }
  std::wstring getValue() const { return m_value; }

 private:
  std::wstring m_localName;
  std::wstring m_qName;
  std::wstring m_uri;
  std::wstring m_value;
};

// One record per entry of the parser's attribute list, in the list's order.
std::vector<Attribute> toAttributeVector(const xercesc::Attributes& attributes);

#endif
