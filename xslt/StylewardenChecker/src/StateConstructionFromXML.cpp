// The state file loader: three passes over the DOM tree (element states, children states,
// attribute sets), each definition handed to the builder by identifier.
#include "StateConstructionFromXML.h"

#include <iostream>
#include <utility>
#include <xercesc/dom/DOMText.hpp>
#include <xercesc/parsers/XercesDOMParser.hpp>
#include <xercesc/sax/HandlerBase.hpp>
#include <xercesc/util/SecurityManager.hpp>

using xercesc::DOMDocument;
using xercesc::DOMElement;
using xercesc::DOMNode;
using xercesc::DOMNodeList;

namespace {

// Thrown by a construction step after it has reported its error; caught by doConstruction.
constexpr int kConstructionFailed = 1;

DOMString AttributeValue(const DOMElement* element, const XMLCh* name) {
  const XMLCh* value = element->getAttribute(name);
  return value == nullptr ? DOMString() : DOMString(value);
}

std::wstring AttributeText(const DOMElement* element, const XMLCh* name) {
  return toWString(AttributeValue(element, name));
}

// Elements of a list are read in document order; the length is taken once since a deep
// node list recounts its whole subtree on each query.
template <typename Visit>
void ForEachElement(const DOMNodeList* list, Visit visit) {
  const XMLSize_t length = list->getLength();
  for (XMLSize_t i = 0; i < length; ++i) {
    visit(static_cast<const DOMElement*>(list->item(i)));
  }
}

}  // namespace

StateConstructionFromXML::StateConstructionFromXML(
    std::vector<ElementState>& elementStates, std::vector<ChildrenStates>& childrenStates,
    std::vector<AttributeSetValidator>& attributeSets)
    : StateConstruction(elementStates, childrenStates, attributeSets), m_verbose(false) {}

void StateConstructionFromXML::fail(const char* message) const {
  if (m_verbose) {
    std::cerr << message;
  }
  throw kConstructionFailed;
}

bool StateConstructionFromXML::doConstruction(const std::string& path, bool verbose) {
  m_verbose = verbose;
  try {
    // The base handler ignores warnings and errors and throws on a fatal error, so that a
    // file that is not well-formed ends the parse. Entity expansion is bounded: state data
    // is user input and must not exhaust memory.
    xercesc::HandlerBase fatalErrorsThrow;
    xercesc::SecurityManager securityManager;
    xercesc::XercesDOMParser parser;
    parser.setValidationScheme(xercesc::XercesDOMParser::Val_Never);
    parser.setDoNamespaces(false);
    parser.setErrorHandler(&fatalErrorsThrow);
    parser.setSecurityManager(&securityManager);
    try {
      parser.parse(path.c_str());
    } catch (...) {
      if (m_verbose) {
        std::cerr << "Could not parse state machine.\n";
      }
      return false;
    }
    const DOMDocument* document = parser.getDocument();
    if (document == nullptr) {
      if (m_verbose) {
        std::cerr << "Could not parse state machine.\n";
      }
      return false;
    }
    constructElementStates(document);
    constructChildrenStates(document);
    constructAttributeStates(document);
  } catch (...) {
    return false;
  }
  return verifyInteralConsistancy(verbose);
}

void StateConstructionFromXML::constructElementStates(const DOMDocument* document) {
  ForEachElement(document->getElementsByTagName(u"element-state"),
                 [this](const DOMElement* state) { constructElementState(state); });
}

const DOMElement* StateConstructionFromXML::onlyElementBelow(const DOMElement* element,
                                                             const char* name,
                                                             const char* message) const {
  const DOMString tagName(name, name + std::char_traits<char>::length(name));
  const DOMNodeList* found = element->getElementsByTagName(tagName.c_str());
  if (found->getLength() != 1) {
    fail(message);
  }
  return static_cast<const DOMElement*>(found->item(0));
}

void StateConstructionFromXML::constructElementState(const DOMElement* elementState) {
  const std::wstring identifier = AttributeText(elementState, u"identifier");
  const DOMString endableText = AttributeValue(elementState, u"endable");
  const std::wstring attributeSet =
      AttributeText(onlyElementBelow(elementState, "attribute-set",
                                     "Element does not contain \"attribute-set\" subelement\n"),
                    u"ref");
  const DOMElement* literal = onlyElementBelow(
      elementState, "literal-state", "Element does not contain \"literal-state\" subelement\n");
  const std::wstring literalState = AttributeText(literal, u"ref");
  const std::wstring childrenStates =
      AttributeText(onlyElementBelow(elementState, "children-states",
                                     "Element does not contain \"children-states\" subelement\n"),
                    u"ref");
  bool endable = false;
  if (!valueToBool(endableText, endable)) {
    fail("The \"endable\" property was not \"TRUE\" or \"FALSE\"\n");
  }
  ElementStateExtras extras;
  extras.literalParentState = AttributeText(literal, u"parent-state");
  extras.literalWithoutNamespaceState = AttributeText(literal, u"without-namespace");
  extras.textParentState = AttributeText(elementState, u"text-parent-state");
  const DOMString textAllowed = AttributeValue(elementState, u"text-allowed");
  if (!textAllowed.empty() && !valueToBool(textAllowed, extras.textAllowed)) {
    fail("The \"text-allowed\" property was not \"TRUE\" or \"FALSE\"\n");
  }
  const DOMNodeList* unknown = elementState->getElementsByTagName(u"unknown-xslt-element");
  if (unknown->getLength() > 1) {
    fail("Element contains more than one \"unknown-xslt-element\" subelement\n");
  }
  if (unknown->getLength() == 1) {
    const auto* relaxation = static_cast<const DOMElement*>(unknown->item(0));
    extras.unknownXsltElementState = AttributeText(relaxation, u"state");
    extras.unknownXsltElementParentState = AttributeText(relaxation, u"parent-state");
    if (extras.unknownXsltElementState.empty()) {
      fail("The \"unknown-xslt-element\" subelement must name a state\n");
    }
  }
  initializeElementStateAndAdd(identifier, attributeSet, literalState, childrenStates, endable,
                               extras);
}

void StateConstructionFromXML::constructChildrenStates(const DOMDocument* document) {
  ForEachElement(document->getElementsByTagName(u"children-states"),
                 [this](const DOMElement* states) {
                   const std::wstring identifier = AttributeText(states, u"identifier");
                   if (identifier.empty()) {
                     return;  // a reference inside an element state, not a definition
                   }
                   const ChildrenStates::ChildStateMap transitions =
                       constructChildStateMap(states->getElementsByTagName(u"child-state"));
                   initializeChildrenStatesAndAdd(identifier, transitions);
                 });
}

ChildrenStates::ChildStateMap StateConstructionFromXML::constructChildStateMap(
    const DOMNodeList* childStates) {
  ChildrenStates::ChildStateMap transitions;
  ForEachElement(childStates, [this, &transitions](const DOMElement* childState) {
    const std::wstring name = AttributeText(childState, u"element-name");
    const std::wstring parentState = AttributeText(childState, u"parent-state");
    const std::wstring state = AttributeText(childState, u"state");
    transitions[name] = initializeChildState(parentState, state);
  });
  return transitions;
}

void StateConstructionFromXML::constructAttributeStates(const DOMDocument* document) {
  ForEachElement(document->getElementsByTagName(u"attribute-set"), [this](const DOMElement* set) {
    AttributeSetValidator::AttributeMap required;
    AttributeSetValidator::AttributeMap optional;
    bool defaultInNamespace = true;
    const std::wstring identifier = AttributeText(set, u"identifier");
    if (identifier.empty()) {
      return;  // a reference inside an element state, not a definition
    }
    const DOMString flag = AttributeValue(set, u"default-in-namespace");
    if (!flag.empty() && !valueToBool(flag, defaultInNamespace)) {
      fail("The \"default-in-namespace\" property was not \"TRUE\" or \"FALSE\"\n");
    }
    bool ignoresUnlisted = false;
    const DOMString relaxed = AttributeValue(set, u"forwards-compatible-ignores-unlisted");
    if (!relaxed.empty() && !valueToBool(relaxed, ignoresUnlisted)) {
      fail(
          "The \"forwards-compatible-ignores-unlisted\" property was not \"TRUE\" or "
          "\"FALSE\"\n");
    }
    constructAttributeStateMap(set->getElementsByTagName(u"attribute"), required, optional);
    initializeAttributeSetValidatorAndAdd(identifier, std::move(required), std::move(optional),
                                          defaultInNamespace, ignoresUnlisted);
  });
}

void StateConstructionFromXML::constructAttributeStateMap(
    const DOMNodeList* attributes, AttributeSetValidator::AttributeMap& requiredAttributes,
    AttributeSetValidator::AttributeMap& optionalAttributes) {
  ForEachElement(attributes, [&](const DOMElement* attribute) {
    bool required = false;
    if (!valueToBool(AttributeValue(attribute, u"required"), required)) {
      fail("The \"required\" property was not \"TRUE\" or \"FALSE\"\n");
    }
    const DOMElement* nameElement =
        onlyElementBelow(attribute, "name", "The must be exactly one \"name\" element.\n");
    const std::wstring name = toWString(ExtractTextData(nameElement));
    if (name.empty()) {
      fail("The \"name\" element must contain at least one character of text.\n");
    }
    AttributeValidator rule(name, required, constructAttributeValueValidator(attribute));
    rule.setForwardsCompatibleUnless(AttributeText(attribute, u"forwards-compatible-unless"));
    (required ? requiredAttributes : optionalAttributes)[name] = rule;
  });
}

std::unique_ptr<AttributeValueValidator> StateConstructionFromXML::constructAttributeValueValidator(
    const DOMElement* attribute) {
  const DOMNodeList* values = attribute->getElementsByTagName(u"value");
  const XMLSize_t count = values->getLength();
  if (count == 0) {
    return std::make_unique<NULLValidator>();
  }
  if (count > 1) {
    fail("The \"attribute\" element can have a most one  \"value\" child.\n");
  }
  const auto* value = static_cast<const DOMElement*>(values->item(0));
  const DOMString type = AttributeValue(value, u"type");
  if (type == u"match-pattern") {
    return std::make_unique<MatchPatternValidator>();
  }
  if (type == u"enum") {
    return constructEnumValidator(value);
  }
  static const std::pair<const char16_t*, NameValidator::Kind> kNameTypes[] = {
      {u"qname", NameValidator::kQName},          {u"qnames", NameValidator::kQNames},
      {u"prefix", NameValidator::kPrefix},        {u"prefixes", NameValidator::kPrefixes},
      {u"name-tests", NameValidator::kNameTests},
  };
  for (const auto& [name, kind] : kNameTypes) {
    if (type == name) {
      return std::make_unique<NameValidator>(kind);
    }
  }
  fail("The attribute type is not understood.\n");
}

std::unique_ptr<EnumValidator> StateConstructionFromXML::constructEnumValidator(
    const DOMElement* value) {
  const DOMNodeList* enums = value->getElementsByTagName(u"enum");
  if (enums->getLength() == 0) {
    fail("Attribute enumeration lists must contain at list one \"enum\" element.\n");
  }
  std::vector<std::wstring> allowed;
  ForEachElement(enums, [this, &allowed](const DOMElement* entry) {
    const DOMString text = ExtractTextData(entry);
    if (text.empty()) {
      fail("Empty enumeration values are not allowed.\n");
    }
    allowed.push_back(toWString(text));
  });
  return std::make_unique<EnumValidator>(std::move(allowed));
}

bool StateConstructionFromXML::valueToBool(const DOMString& text, bool& result) {
  if (text == u"TRUE") {
    result = true;
    return true;
  }
  if (text == u"FALSE") {
    result = false;
    return true;
  }
  return false;
}

DOMString ExtractTextData(const DOMNode* node) {
  if (node == nullptr) {
    return DOMString();
  }
  const auto isText = [](const DOMNode* candidate) {
    const auto type = candidate->getNodeType();
    return type == DOMNode::TEXT_NODE || type == DOMNode::CDATA_SECTION_NODE;
  };
  if (isText(node)) {
    return DOMString(static_cast<const xercesc::DOMText*>(node)->getData());
  }
  DOMString text;
  if (node->getNodeType() == DOMNode::ELEMENT_NODE) {
    for (const DOMNode* child = node->getFirstChild(); child != nullptr;
         child = child->getNextSibling()) {
      if (isText(child)) {
        text += static_cast<const xercesc::DOMText*>(child)->getData();
      }
    }
  }
  return text;
}
