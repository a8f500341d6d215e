// The SAX2 handler that walks a stylesheet's element tree through the state machine and
// collects every finding, its own and the parser's, as records in the order found.
#ifndef STYLEWARDEN_STYLESHEETSYNTAXHANDLER_H
#define STYLEWARDEN_STYLESHEETSYNTAXHANDLER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>
#include <xercesc/sax/Locator.hpp>
#include <xercesc/sax/SAXParseException.hpp>
#include <xercesc/sax2/Attributes.hpp>
#include <xercesc/sax2/DefaultHandler.hpp>

#include "Attribute.h"
#include "ElementState.h"
#include "ModuleReference.h"
#include "NamespaceScope.h"
#include "StylesheetSyntaxError.h"

class StylesheetSyntaxHandler : public xercesc::DefaultHandler {
 public:
  // What the walk keeps of one open element: where its tags are and the state it is in.
  struct ElementData {
    Location m_startTagBegin;
    Location m_startTagEnd;
    Location m_endTagBegin;
    Location m_endTagEnd;
    std::int32_t m_stateIndex = ELEMENTSTATE_ROOT;
    // Whether the element is processed in forwards-compatible mode: it or an ancestor
    // carries a version other than the one its state file names.
    bool m_forwardsCompatible = false;
  };

  // Elements nested deeper than this end the check with one code 3 record: the parser's
  // cost per element grows with the depth, so that unbounded nesting costs quadratic time.
  static constexpr std::size_t kMaxDepth = 1000;

  // The records of the last parse, in the order found.
  const std::vector<StylesheetSyntaxError>& getErrors() const { return m_errors; }
  std::vector<StylesheetSyntaxError> takeErrors() { return std::move(m_errors); }
  // The modules the stylesheet names with top-level xsl:include and xsl:import, and the
  // packages it uses with xsl:use-package, in order.
  std::vector<ModuleReference> takeModuleReferences() { return std::move(m_modules); }
  // Whether the document element is xsl:package.
  bool documentIsPackage() const { return m_packageDocumentElement; }
  // Ends the check with a code 3 record saying why, at the place the parser has reached;
  // every later event is ignored, and the reader stops at the next token.
  void stopWithRecord(const std::wstring& message);
  // The same at a place of the caller's, for a document that could not be opened.
  void stopWithRecord(const std::wstring& message, Location at);
  bool stopped() const { return m_stopped; }

  void characters(const XMLCh* const chars, const XMLSize_t length) override;
  void endElement(const XMLCh* const uri, const XMLCh* const localname,
                  const XMLCh* const qname) override;
  void ignorableWhitespace(const XMLCh* const chars, const XMLSize_t length) override;
  void resetDocument() override;
  void setDocumentLocator(const xercesc::Locator* const locator) override;
  void startDocument() override;
  void startElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname,
                    const xercesc::Attributes& attrs) override;
  void startPrefixMapping(const XMLCh* const prefix, const XMLCh* const uri) override;
  void endPrefixMapping(const XMLCh* const prefix) override;

  void error(const xercesc::SAXParseException& exc) override;
  void fatalError(const xercesc::SAXParseException& exc) override;
  void warning(const xercesc::SAXParseException& exc) override;

 private:
  Location getCurrentLocation() const;
  void setLastLocation();
  Location getLastLocation() const;

  // Looks the element up as a child of the state in m_current; true when it is allowed.
  bool getElementState(const std::wstring& uri, const std::wstring& localName,
                       const std::wstring& qName, int& newParentState,
                       ElementState& elementState) const;
  bool checkSufficientElements() const;
  // At the document element of a run with several state machines: makes the machine of the
  // stylesheet's version active.
  void selectStateMachine(const xercesc::Attributes& attrs);
  // Replaces the state by the one its rules name for an attribute the element carries.
  void applyAttributeStates(const xercesc::Attributes& attrs, ElementState& elementState) const;
  bool verifyAttributes(const ElementState& elementState, const std::vector<Attribute>& attributes,
                        StylesheetSyntaxError& error) const;
  void AddXMLError(StylesheetSyntaxErrorCode code, const xercesc::SAXParseException& exc);
  // Text where the state allows none is collected over every character event up to the next
  // tag (the parser may split one text into several events) and reported once.
  void noteDisallowedText(const XMLCh* chars, XMLSize_t length);
  void reportDisallowedText();
  // Notes a top-level xsl:include or xsl:import of an XSLT document element.
  void noteModuleReference(const xercesc::Attributes& attrs);

  Location m_lastLocation{1, 1};
  const xercesc::Locator* m_locator = nullptr;
  std::vector<ElementData> m_elementStack;
  ElementData m_current;
  std::vector<StylesheetSyntaxError> m_errors;
  std::vector<ModuleReference> m_modules;
  // Whether the document element is an XSLT element, whose children may name modules.
  bool m_xsltDocumentElement = false;
  bool m_packageDocumentElement = false;
  NamespaceScope m_namespaces;

  // The run of disallowed text in hand: where it starts and ends and its first characters.
  struct TextRun {
    bool m_pending = false;
    Location m_start;
    Location m_end;
    std::wstring m_sample;
  };
  TextRun m_text;
  bool m_stopped = false;

  // The names of the start tag in hand; their storage is reused from tag to tag.
  std::wstring m_uri;
  std::wstring m_localName;
  std::wstring m_qName;
};

#endif
