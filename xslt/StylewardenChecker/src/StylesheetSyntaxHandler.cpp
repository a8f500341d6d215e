// The stylesheet walk: state lookups at start tags, endability at end tags, and parser
// reports, each finding appended as a record.
#include "StylesheetSyntaxHandler.h"

#include <utility>
#include <xercesc/util/XMLChar.hpp>

#include "Attribute.h"
#include "AttributeSetValidator.h"
#include "AttributeValidator.h"
#include "StateMachineSet.h"
#include "StringUtils.h"

namespace {

const wchar_t kEmptyParserMessage[] = L"XML syntax error";
// How much of a disallowed text its record quotes.
constexpr std::size_t kTextSampleLength = 24;
// The XSLT version that introduced packages.
const wchar_t kPackageRulesVersion[] = L"3.0";

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
  // Until the document element says which version it is, the lowest version's machine is
  // the one in use.
  StateMachineSet::selectFor(std::wstring());
  m_lastLocation = Location{1, 1};
  // Everything of the element in hand starts afresh: a parse that stopped at a fatal error
  // never ended its elements, and its forwards-compatible mode must not reach the next.
  m_current = ElementData();
  m_elementStack.clear();
  m_errors.clear();
  m_modules.clear();
  m_xsltDocumentElement = false;
  m_packageDocumentElement = false;
  m_namespaces.clear();
  m_text = TextRun();
}

void StylesheetSyntaxHandler::stopWithRecord(const std::wstring& message) {
  if (!m_stopped) {
    reportDisallowedText();
    m_errors.emplace_back(SYNTAXERROR_XML_FATAL_ERROR, SEVERITY_ERROR, message, getLastLocation(),
                          getCurrentLocation());
    m_stopped = true;
  }
}

void StylesheetSyntaxHandler::stopWithRecord(const std::wstring& message, Location at) {
  if (!m_stopped) {
    m_errors.emplace_back(SYNTAXERROR_XML_FATAL_ERROR, SEVERITY_ERROR, message, at, at);
    m_stopped = true;
  }
}

void StylesheetSyntaxHandler::startElement(const XMLCh* const uri, const XMLCh* const localname,
                                           const XMLCh* const qname,
                                           const xercesc::Attributes& attrs) {
  if (m_stopped) {
    return;
  }
  if (m_elementStack.size() >= kMaxDepth) {
    stopWithRecord(L"The elements nest deeper than " + std::to_wstring(kMaxDepth) +
                   L" levels; the check stops here");
    return;
  }
  reportDisallowedText();
  // The parent's data as it stands, to be resumed when this element ends.
  ElementData saved = m_current;
  m_current.m_startTagBegin = getLastLocation();
  m_current.m_startTagEnd = getCurrentLocation();

  toWString(uri, m_uri);
  toWString(localname, m_localName);
  toWString(qname, m_qName);
  if (m_elementStack.empty()) {
    m_xsltDocumentElement = m_uri == kXsltNamespace;
    m_packageDocumentElement = m_xsltDocumentElement && m_localName == L"package";
    if (!StateMachineSet::empty()) {
      selectStateMachine(attrs);
    }
  } else if (m_elementStack.size() == 1 && m_xsltDocumentElement) {
    noteModuleReference(attrs);
  }
  int newParentState = ELEMENTSTATE_UNCHANGED;
  ElementState elementState;
  const bool allowed = getElementState(m_uri, m_localName, m_qName, newParentState, elementState);
  if (!elementState.getExtras().attributeStates.empty()) {
    applyAttributeStates(attrs, elementState);
  }
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

  // The registry is read-only during a parse, so the set is consulted in place.
  const AttributeSetValidator& attributeSet = elementState.getAttributeSetValidator();
  if (!allowed && !attributeSet.hasVersionAttribute()) {
    setLastLocation();
    return;
  }
  const std::vector<Attribute> attributes = toAttributeVector(attrs);
  // The version switches the mode for the element itself, its attributes and its content,
  // and even a misplaced element may carry it.
  if (attributeSet.enablesForwardsCompatibleMode(attributes)) {
    m_current.m_forwardsCompatible = true;
  }
  if (allowed) {
    StylesheetSyntaxError attributeError;
    if (!verifyAttributes(elementState, attributes, attributeError)) {
      m_errors.push_back(std::move(attributeError));
    }
  }
  setLastLocation();
}

namespace {

bool SameText(const XMLCh* text, const std::wstring& expected) {
  std::size_t i = 0;
  for (; text[i] != 0; ++i) {
    if (i == expected.size() || static_cast<wchar_t>(text[i]) != expected[i]) {
      return false;
    }
  }
  return i == expected.size();
}

}  // namespace

void StylesheetSyntaxHandler::selectStateMachine(const xercesc::Attributes& attrs) {
  // An XSLT document element names its version in its own attribute, a literal result
  // element (a simplified stylesheet) in xsl:version.
  const XMLCh* versionUri = m_uri == kXsltNamespace ? u"" : u"http://www.w3.org/1999/XSL/Transform";
  const XMLCh* version = attrs.getValue(versionUri, u"version");
  std::wstring chosen = version == nullptr ? std::wstring() : toWString(version);
  // xsl:package exists from XSLT 3.0 on, and a 3.0 processor takes one of an earlier version
  // (or of none, which its rules then report) with the same structure: the rules are 3.0's.
  long double number = 0;
  if (m_uri == kXsltNamespace && m_localName == L"package" &&
      (!ParseVersionNumber(chosen, number) || number < 3)) {
    chosen = kPackageRulesVersion;
  }
  StateMachineSet::selectFor(chosen);
}

void StylesheetSyntaxHandler::noteModuleReference(const xercesc::Attributes& attrs) {
  if (m_uri != kXsltNamespace) {
    return;
  }
  ModuleKind kind;
  if (m_localName == L"include") {
    kind = ModuleKind::kInclude;
  } else if (m_localName == L"import") {
    kind = ModuleKind::kImport;
  } else if (m_localName == L"use-package") {
    kind = ModuleKind::kUsePackage;
  } else {
    return;
  }
  // Without href the element already has its record; there is nothing to follow.
  const XMLCh* href = attrs.getValue(u"", kind == ModuleKind::kUsePackage ? u"name" : u"href");
  if (href != nullptr || kind == ModuleKind::kUsePackage) {
    m_modules.push_back(
        ModuleReference{toWString(href), m_current.m_startTagBegin, m_current.m_startTagEnd, kind});
  }
}

void StylesheetSyntaxHandler::applyAttributeStates(const xercesc::Attributes& attrs,
                                                   ElementState& elementState) const {
  const AttributeSetValidator& attributeSet = elementState.getAttributeSetValidator();
  for (const auto& [name, state] : elementState.getExtras().attributeStates) {
    const std::wstring shadow = L"_" + name;
    for (XMLSize_t i = 0; i < attrs.getLength(); ++i) {
      const XMLCh* localName = attrs.getLocalName(i);
      if (attributeSet.checks(toWString(attrs.getURI(i))) &&
          (SameText(localName, name) || SameText(localName, shadow))) {
        elementState = ElementState::getElementState(state);
        return;
      }
    }
  }
}

void StylesheetSyntaxHandler::startPrefixMapping(const XMLCh* const prefix,
                                                 const XMLCh* const uri) {
  if (m_stopped) {
    return;
  }
  m_namespaces.declare(toWString(prefix), toWString(uri));
}

void StylesheetSyntaxHandler::endPrefixMapping(const XMLCh* const prefix) {
  if (m_stopped) {
    return;
  }
  m_namespaces.undeclare(toWString(prefix));
}

bool StylesheetSyntaxHandler::getElementState(const std::wstring& uri,
                                              const std::wstring& localName,
                                              const std::wstring& qName, int& newParentState,
                                              ElementState& elementState) const {
  bool usedDefault = false;
  elementState = ElementState::getElementState(
      ElementState::getElementState(m_current.m_stateIndex)
          .getChildElementStateIndex(uri, localName, qName, m_current.m_forwardsCompatible,
                                     newParentState, usedDefault));
  return !usedDefault;
}

bool StylesheetSyntaxHandler::verifyAttributes(const ElementState& elementState,
                                               const std::vector<Attribute>& attributes,
                                               StylesheetSyntaxError& error) const {
  error = StylesheetSyntaxError(SYNTAXERROR_NONE, SEVERITY_ERROR, std::wstring(),
                                m_current.m_startTagBegin, m_current.m_startTagEnd);
  return elementState.getAttributeSetValidator().validateAttributes(
      attributes, &m_namespaces, m_current.m_forwardsCompatible, error);
}

void StylesheetSyntaxHandler::endElement(const XMLCh* const, const XMLCh* const,
                                         const XMLCh* const qname) {
  if (m_stopped) {
    return;
  }
  reportDisallowedText();
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

void StylesheetSyntaxHandler::characters(const XMLCh* const chars, const XMLSize_t length) {
  if (m_stopped) {
    return;
  }
  const ElementState& state = ElementState::getElementState(m_current.m_stateIndex);
  if (!state.isTextAllowed()) {
    noteDisallowedText(chars, length);
  } else if (state.getExtras().textParentState != ELEMENTSTATE_UNCHANGED &&
             !xercesc::XMLChar1_0::isAllSpaces(chars, length)) {
    m_current.m_stateIndex = state.getExtras().textParentState;
  }
  setLastLocation();
}

void StylesheetSyntaxHandler::noteDisallowedText(const XMLCh* chars, XMLSize_t length) {
  if (!m_text.m_pending) {
    if (xercesc::XMLChar1_0::isAllSpaces(chars, length)) {
      return;
    }
    m_text.m_pending = true;
    m_text.m_start = getLastLocation();
    m_text.m_sample.clear();
  }
  // The sample is one line: each stretch of whitespace in it becomes one blank. One
  // character more than is quoted tells that the text goes on.
  for (XMLSize_t i = 0; i < length && m_text.m_sample.size() <= kTextSampleLength; ++i) {
    if (!IsXmlSpace(chars[i])) {
      m_text.m_sample.push_back(static_cast<wchar_t>(chars[i]));
    } else if (!m_text.m_sample.empty() && m_text.m_sample.back() != L' ') {
      m_text.m_sample.push_back(L' ');
    }
  }
  m_text.m_end = getCurrentLocation();
}

void StylesheetSyntaxHandler::reportDisallowedText() {
  if (!m_text.m_pending) {
    return;
  }
  m_text.m_pending = false;
  std::wstring& sample = m_text.m_sample;
  if (sample.size() > kTextSampleLength) {
    sample.resize(kTextSampleLength);
    // Half a surrogate pair is no character: the cut goes before the pair.
    if (sample.back() >= 0xD800 && sample.back() <= 0xDBFF) {
      sample.pop_back();
    }
    sample += L"...";
  } else if (!sample.empty() && sample.back() == L' ') {
    sample.pop_back();
  }
  m_errors.emplace_back(SYNTAXERROR_TEXT_NOT_ALLOWED, SEVERITY_ERROR,
                        L"The text \"" + sample + L"\" is not valid in this context",
                        m_text.m_start, m_text.m_end);
}

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
  if (m_stopped) {
    return;
  }
  reportDisallowedText();
  std::wstring message = toWString(exc.getMessage());
  if (message.empty()) {
    message = kEmptyParserMessage;
  }
  m_errors.emplace_back(code, code == SYNTAXERROR_XML_WARNING ? SEVERITY_WARNING : SEVERITY_ERROR,
                        std::move(message), getLastLocation(), getCurrentLocation());
}
