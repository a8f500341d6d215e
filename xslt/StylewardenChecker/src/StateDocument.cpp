// The state file's SAX reader: one pass of the parser fills the element list directly.
#include "StateDocument.h"

#include <memory>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>
#include <xercesc/sax2/SAX2XMLReader.hpp>
#include <xercesc/sax2/XMLReaderFactory.hpp>
#include <xercesc/util/SecurityManager.hpp>
#include <xercesc/util/XMLUniDefs.hpp>

// Fills a document from the parser's events. Warnings and errors are ignored; a fatal
// error throws (the default handler's rule) and ends the parse.
class StateDocumentReader : public xercesc::DefaultHandler {
 public:
  explicit StateDocumentReader(StateDocument& document) : m_document(document) {}

  void startElement(const XMLCh* const, const XMLCh* const, const XMLCh* const qname,
                    const xercesc::Attributes& attributes) override {
    StateDocument::Element element{};
    element.name = store(qname, xercesc::XMLString::stringLen(qname));
    element.firstAttribute = static_cast<std::uint32_t>(m_document.m_attributes.size());
    element.attributeCount = static_cast<std::uint32_t>(attributes.getLength());
    for (XMLSize_t i = 0; i < attributes.getLength(); ++i) {
      const XMLCh* name = attributes.getQName(i);
      const XMLCh* value = attributes.getValue(i);
      m_document.m_attributes.push_back(
          StateDocument::Attribute{store(name, xercesc::XMLString::stringLen(name)),
                                   store(value, xercesc::XMLString::stringLen(value))});
    }
    if (m_depth == m_open.size()) {
      m_open.emplace_back();
    }
    m_open[m_depth].index = m_document.m_elements.size();
    m_open[m_depth].entityDepth = m_entityDepth;
    m_open[m_depth].text.clear();
    ++m_depth;
    m_document.m_elements.push_back(element);
  }

  void endElement(const XMLCh* const, const XMLCh* const, const XMLCh* const) override {
    Open& open = m_open[--m_depth];
    StateDocument::Element& element = m_document.m_elements[open.index];
    element.text = store(open.text.data(), open.text.size());
    element.end = static_cast<std::uint32_t>(m_document.m_elements.size());
  }

  void characters(const XMLCh* const chars, const XMLSize_t length) override {
    // Text that an entity reference brings belongs to the reference, not to the element.
    if (m_depth > 0 && m_open[m_depth - 1].entityDepth == m_entityDepth) {
      m_open[m_depth - 1].text.append(chars, length);
    }
  }
  void ignorableWhitespace(const XMLCh* const chars, const XMLSize_t length) override {
    characters(chars, length);
  }

  void startEntity(const XMLCh* const) override { ++m_entityDepth; }
  void endEntity(const XMLCh* const) override { --m_entityDepth; }

 private:
  struct Open {
    std::size_t index = 0;
    unsigned entityDepth = 0;
    std::u16string text;
  };

  StateDocument::Span store(const XMLCh* text, std::size_t length) {
    std::vector<char16_t>& pool = m_document.m_pool;
    const StateDocument::Span span{static_cast<std::uint32_t>(pool.size()),
                                   static_cast<std::uint32_t>(length)};
    pool.insert(pool.end(), text, text + length);
    return span;
  }

  StateDocument& m_document;
  std::vector<Open> m_open;
  std::size_t m_depth = 0;
  unsigned m_entityDepth = 0;
};

bool StateDocument::parse(const std::string& systemId) {
  m_elements.clear();
  m_attributes.clear();
  m_pool.clear();
  bool parsed = false;
  try {
    xercesc::SecurityManager securityManager;
    StateDocumentReader handler(*this);
    const std::unique_ptr<xercesc::SAX2XMLReader> reader(
        xercesc::XMLReaderFactory::createXMLReader());
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreNameSpaces, false);
    reader->setFeature(xercesc::XMLUni::fgSAX2CoreValidation, false);
    reader->setFeature(xercesc::XMLUni::fgXercesSchema, false);
    reader->setProperty(xercesc::XMLUni::fgXercesSecurityManager, &securityManager);
    reader->setContentHandler(&handler);
    reader->setLexicalHandler(&handler);
    reader->setErrorHandler(&handler);
    reader->parse(systemId.c_str());
    parsed = true;
  } catch (...) {
    // Whatever the library throws, the file did not give a document.
  }
  if (!parsed) {
    m_elements.clear();
    m_attributes.clear();
    m_pool.clear();
  }
  adoptOwned();
  return parsed;
}

void StateDocument::adoptOwned() {
  m_parts = Parts{m_elements.data(),   m_elements.size(), m_attributes.data(),
                  m_attributes.size(), m_pool.data(),     m_pool.size()};
}

StateDocument::Text StateDocument::attribute(std::size_t index, Text name) const {
  const Element& owner = element(index);
  for (std::uint32_t i = 0; i < owner.attributeCount; ++i) {
    const Attribute& candidate = m_parts.attributes[owner.firstAttribute + i];
    if (text(candidate.name) == name) {
      return text(candidate.value);
    }
  }
  return Text();
}

std::size_t StateDocument::countDescendants(std::size_t index, Text name) const {
  std::size_t count = 0;
  forEachDescendant(index, name, [&count](std::size_t) { ++count; });
  return count;
}
