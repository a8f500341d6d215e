// The stylesheet walk: state lookups at start tags, endability at end tags, and parser
// reports, each finding appended as a record.
#include "StylesheetSyntaxHandler.h"

#include <utility>

#include "Attribute.h"
#include "AttributeSetValidator.h"
#include "StringUtils.h"

namespace {

const wchar_t kEmptyParserMessage[] = L"XML syntax error";

}  // namespace

Location StylesheetSyntaxHandler::getCurrentLocation() const {
  if (m_locator == nullptr) {
    return Location{1, 1};
  }
  return Location{static_cast<std::int32_t>(m_locator->getLineNumber()),
                  static_cast<std::int32_t>(m_locator->getColumnNumber())};
}

void StylesheetSyntaxHandler::setLastLocation() { m_lastLocation = getCurrentLocation(); }

Location StylesheetSyntaxHandler::getLastLocation() const { return m_lastLocation; }

void StylesheetSyntaxHandler::setDocumentLocator(const xercesc::Locator* const locator) {
  m_locator = locator;
}

void StylesheetSyntaxHandler::resetDocument() {}

void StylesheetSyntaxHandler::startDocument() {
  m_lastLocation = Location{1, 1};
  m_current.m_stateIndex = ELEMENTSTATE_ROOT;
  m_elementStack.clear();
  m_errors.clear();
}

void StylesheetSyntaxHandler::releaseMemory() {
  std::vector<StylesheetSyntaxError>().swap(m_errors);
  std::vector<ElementData>().swap(m_elementStack);
}

void StylesheetSyntaxHandler::startElement(const XMLCh* const uri, const XMLCh* const localname,
                                           const XMLCh* const qname,
                                           const xercesc::Attributes& attrs) {
  // The parent's data as it stands, to be resumed when this element ends.
  ElementData saved = m_current;
  m_current.m_startTagBegin = getLastLocation();
  m_current.m_startTagEnd = getCurrentLocation();

  toWString(uri, m_uri);
  toWString(localname, m_localName);
  toWString(qname, m_qName);
  int newParentState = ELEMENTSTATE_UNCHANGED;
  ElementState elementState;
  const bool allowed = getElementState(m_uri, m_localName, m_qName, newParentState, elementState);
  if (!allowed) {
    m_errors.emplace_back(SYNTAXERROR_ELEMENT_NOT_VALID, SEVERITY_ERROR,
                          L"The element \"" + m_qName + L"\" is not valid in this context",
                          m_current.m_startTagBegin, m_current.m_startTagEnd);
  }
  // Even a misplaced element enters the state found, so that its content is still checked.
  m_current.m_stateIndex = elementState.getStateIndex();
  if (newParentState != ELEMENTSTATE_UNCHANGED) {
    saved.m_stateIndex = newParentState;
  }
  m_elementStack.push_back(saved);

  if (allowed) {
    StylesheetSyntaxError attributeError;
    if (!verifyAttributes(elementState, attrs, attributeError)) {
      m_errors.push_back(std::move(attributeError));
    }
  }
  setLastLocation();
}

bool StylesheetSyntaxHandler::getElementState(const std::wstring& uri,
                                              const std::wstring& localName,
                                              const std::wstring& qName, int& newParentState,
                                              ElementState& elementState) const {
  bool usedDefault = false;
  elementState = ElementState::getElementState(m_current.m_stateIndex)
                     .getChildElementState(uri, localName, qName, newParentState, usedDefault);
  return !usedDefault;
}

bool StylesheetSyntaxHandler::verifyAttributes(const ElementState& elementState,
                                               const xercesc::Attributes& attrs,
                                               StylesheetSyntaxError& error) const {
  error = StylesheetSyntaxError(SYNTAXERROR_NONE, SEVERITY_ERROR, std::wstring(),
                                m_current.m_startTagBegin, m_current.m_startTagEnd);
  // The registry is read-only during a parse, so the set is consulted in place.
  return elementState.getAttributeSetValidator().validateAttributes(toAttributeVector(attrs),
                                                                    error);
}

void StylesheetSyntaxHandler::endElement(const XMLCh* const, const XMLCh* const,
                                         const XMLCh* const qname) {
  m_current.m_endTagBegin = getLastLocation();
  m_current.m_endTagEnd = getCurrentLocation();
  if (!checkSufficientElements()) {
    m_errors.emplace_back(
        SYNTAXERROR_MISSING_CHILD_ELEMENT, SEVERITY_ERROR,
        L"The element \"" + toWString(qname) + L"\" is missing a required child element",
        m_current.m_endTagBegin, m_current.m_endTagEnd);
  }
  if (!m_elementStack.empty()) {
    m_current = m_elementStack.back();
    m_elementStack.pop_back();
  }
  setLastLocation();
}

bool StylesheetSyntaxHandler::checkSufficientElements() const {
  return ElementState::getElementState(m_current.m_stateIndex).isEndable();
}

void StylesheetSyntaxHandler::characters(const XMLCh* const, const XMLSize_t) { setLastLocation(); }

void StylesheetSyntaxHandler::ignorableWhitespace(const XMLCh* const, const XMLSize_t) {
  setLastLocation();
}

void StylesheetSyntaxHandler::warning(const xercesc::SAXParseException& exc) {
  AddXMLError(SYNTAXERROR_XML_WARNING, exc);
}

void StylesheetSyntaxHandler::error(const xercesc::SAXParseException& exc) {
  AddXMLError(SYNTAXERROR_XML_ERROR, exc);
}

void StylesheetSyntaxHandler::fatalError(const xercesc::SAXParseException& exc) {
  AddXMLError(SYNTAXERROR_XML_FATAL_ERROR, exc);
}

void StylesheetSyntaxHandler::AddXMLError(StylesheetSyntaxErrorCode code,
                                          const xercesc::SAXParseException& exc) {
  std::wstring message = toWString(exc.getMessage());
  if (message.empty()) {
    message = kEmptyParserMessage;
  }
  m_errors.emplace_back(code, code == SYNTAXERROR_XML_WARNING ? SEVERITY_WARNING : SEVERITY_ERROR,
                        std::move(message), getLastLocation(), getCurrentLocation());
}
