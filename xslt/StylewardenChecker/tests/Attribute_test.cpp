// The attribute record and its construction from a parsed start tag.
#include "Attribute.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <xercesc/framework/MemBufInputSource.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>

namespace {

TEST(AttributeTest, DefaultHasFourEmptyFields) {
  const Attribute attribute;
  EXPECT_EQ(attribute.getLocalName(), L"");
  EXPECT_EQ(attribute.getQName(), L"");
  EXPECT_EQ(attribute.getURI(), L"");
  EXPECT_EQ(attribute.getValue(), L"");
}

TEST(AttributeTest, FullConstructorTakesLocalNameQNameUriValue) {
  const Attribute attribute(L"version", L"xsl:version", L"urn:x", L"1.0");
  EXPECT_EQ(attribute.getLocalName(), L"version");
  EXPECT_EQ(attribute.getQName(), L"xsl:version");
  EXPECT_EQ(attribute.getURI(), L"urn:x");
  EXPECT_EQ(attribute.getValue(), L"1.0");
}

// Captures the attributes of the first start tag of a document.
class FirstTagAttributes : public xercesc::DefaultHandler {
 public:
  void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const,
                    const xercesc::Attributes& attributes) override {
    if (!m_seen) {
      m_seen = true;
      m_attributes = toAttributeVector(attributes);
    }
  }
  bool m_seen = false;
  std::vector<Attribute> m_attributes;
};

std::vector<Attribute> AttributesOfFirstTag(const std::string& document) {
  std::unique_ptr<xercesc::SAX2XMLReader> reader(xercesc::XMLReaderFactory::createXMLReader());
  reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, true);
  FirstTagAttributes handler;
  reader->setContentHandler(&handler);
  xercesc::MemBufInputSource source(reinterpret_cast<const XMLByte*>(document.data()),
                                    document.size(), "attributes");
  reader->parse(source);
  return handler.m_attributes;
}

TEST(AttributeTest, VectorFollowsParserListWithResolvedNames) {
  const auto attributes = AttributesOfFirstTag("<e xmlns:p='urn:p' p:one='1' two=' a  b '/>");
  ASSERT_EQ(attributes.size(), 2u);
  EXPECT_EQ(attributes[0].getLocalName(), L"one");
  EXPECT_EQ(attributes[0].getQName(), L"p:one");
  EXPECT_EQ(attributes[0].getURI(), L"urn:p");
  EXPECT_EQ(attributes[0].getValue(), L"1");
  EXPECT_EQ(attributes[1].getLocalName(), L"two");
  EXPECT_EQ(attributes[1].getURI(), L"");
  EXPECT_EQ(attributes[1].getValue(), L" a  b ");
}

TEST(AttributeTest, TagWithoutAttributesGivesEmptyVector) {
  EXPECT_TRUE(AttributesOfFirstTag("<e xmlns='urn:d'/>").empty());
}

}  // namespace
