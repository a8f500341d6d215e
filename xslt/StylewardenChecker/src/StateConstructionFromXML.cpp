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
// How deep "base" and "includes" may refer onwards; deeper is taken for a circle.
constexpr int kMaximumDepth = 64;

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
    const DOMElement* root = document->getDocumentElement();
    m_xsltVersion = root == nullptr ? std::wstring() : AttributeText(root, u"xslt-version");
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
  ForEachElement(elementState->getElementsByTagName(u"when-attribute"),
                 [this, &extras](const DOMElement* rule) {
                   const std::wstring name = AttributeText(rule, u"name");
                   const std::wstring state = AttributeText(rule, u"state");
                   if (name.empty() || state.empty()) {
                     fail("The \"when-attribute\" subelement must name an attribute and a state\n");
                   }
                   extras.attributeStates.emplace_back(name, state);
                 });
  initializeElementStateAndAdd(identifier, attributeSet, literalState, childrenStates, endable,
                               extras);
}

void StateConstructionFromXML::constructChildrenStates(const DOMDocument* document) {
  std::map<std::wstring, const DOMElement*> definitions;
  std::vector<std::wstring> including;
  ForEachElement(document->getElementsByTagName(u"children-states"),
                 [this, &definitions, &including](const DOMElement* states) {
                   const std::wstring identifier = AttributeText(states, u"identifier");
                   if (identifier.empty()) {
                     return;  // a reference inside an element state, not a definition
                   }
                   const ChildrenStates::ChildStateMap transitions =
                       constructChildStateMap(states->getElementsByTagName(u"child-state"));
                   initializeChildrenStatesAndAdd(identifier, transitions);
                   definitions[identifier] = states;
                   if (!AttributeText(states, u"includes").empty()) {
                     including.push_back(identifier);
                   }
                 });
  // Sets that include others are completed once every set is known.
  for (const std::wstring& identifier : including) {
    initializeChildrenStatesAndAdd(identifier, resolveIncludes(definitions, identifier, 0));
  }
}

ChildrenStates::ChildStateMap StateConstructionFromXML::resolveIncludes(
    const std::map<std::wstring, const DOMElement*>& definitions, const std::wstring& identifier,
    int depth) {
  const auto found = definitions.find(identifier);
  if (found == definitions.end()) {
    fail("The children states named by \"includes\" are not defined\n");
  }
  if (depth > kMaximumDepth) {
    fail("The \"includes\" of children states go round in a circle\n");
  }
  ChildrenStates::ChildStateMap transitions =
      constructChildStateMap(found->second->getElementsByTagName(u"child-state"));
  const std::wstring included = AttributeText(found->second, u"includes");
  if (included.empty()) {
    return transitions;
  }
  const std::wstring parentState = AttributeText(found->second, u"included-parent-state");
  const int parentIndex = parentState.empty() ? ELEMENTSTATE_UNCHANGED
                                              : getElementStateIndexFromIdentifier(parentState);
  for (const auto& [name, transition] : resolveIncludes(definitions, included, depth + 1)) {
    // The set's own transitions win over the ones it includes.
    if (transitions.count(name) == 0) {
      transitions[name] = transition.getNewStateIndex() == ELEMENTSTATE_UNCHANGED
                              ? ChildState(parentIndex, transition.getChildStateIndex())
                              : transition;
    }
  }
  return transitions;
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

bool StateConstructionFromXML::readFlag(const DOMElement* element, const XMLCh* name,
                                        const char* message) const {
  bool flag = false;
  const DOMString text = AttributeValue(element, name);
  if (!text.empty() && !valueToBool(text, flag)) {
    fail(message);
  }
  return flag;
}

void StateConstructionFromXML::constructAttributeStates(const DOMDocument* document) {
  std::map<std::wstring, AttributeSetDefinition> definitions;
  std::vector<std::wstring> based;
  ForEachElement(document->getElementsByTagName(u"attribute-set"), [&](const DOMElement* set) {
    AttributeSetDefinition definition;
    const std::wstring identifier = AttributeText(set, u"identifier");
    if (identifier.empty()) {
      return;  // a reference inside an element state, not a definition
    }
    const DOMString flag = AttributeValue(set, u"default-in-namespace");
    if (!flag.empty() && !valueToBool(flag, definition.defaultInNamespace)) {
      fail("The \"default-in-namespace\" property was not \"TRUE\" or \"FALSE\"\n");
    }
    definition.ignoresUnlisted = readFlag(
        set, u"forwards-compatible-ignores-unlisted",
        "The \"forwards-compatible-ignores-unlisted\" property was not \"TRUE\" or \"FALSE\"\n");
    constructAttributeStateMap(set->getElementsByTagName(u"attribute"), definition.required,
                               definition.optional);
    definition.constraints = constructConstraints(set);
    definition.base = AttributeText(set, u"base");
    initializeAttributeSetValidatorAndAdd(identifier, definition.required, definition.optional,
                                          definition.defaultInNamespace, definition.ignoresUnlisted,
                                          definition.constraints);
    if (!definition.base.empty()) {
      based.push_back(identifier);
    }
    definitions[identifier] = std::move(definition);
  });
  // Sets that build on others are completed once every set is known.
  for (const std::wstring& identifier : based) {
    const AttributeSetDefinition merged = resolveBase(definitions, identifier, 0);
    initializeAttributeSetValidatorAndAdd(identifier, merged.required, merged.optional,
                                          merged.defaultInNamespace, merged.ignoresUnlisted,
                                          merged.constraints);
  }
}

AttributeSetValidator::Constraints StateConstructionFromXML::constructConstraints(
    const DOMElement* set) {
  using Group = AttributeSetValidator::AttributeGroup;
  AttributeSetValidator::Constraints constraints;
  constraints.shadowAttributes =
      readFlag(set, u"shadow-attributes",
               "The \"shadow-attributes\" property was not \"TRUE\" or \"FALSE\"\n");
  static const std::pair<const char16_t*, Group::Kind> kGroups[] = {
      {u"exactly-one-of", Group::kExactlyOne},
      {u"at-most-one-of", Group::kAtMostOne},
      {u"at-least-one-of", Group::kAtLeastOne},
      {u"needs", Group::kNeeds},
  };
  for (const auto& [tag, kind] : kGroups) {
    ForEachElement(set->getElementsByTagName(tag), [&, kind = kind](const DOMElement* element) {
      Group group;
      group.kind = kind;
      group.attribute = AttributeText(element, u"attribute");
      ForEachElement(element->getElementsByTagName(u"name"), [&group](const DOMElement* name) {
        group.names.push_back(toWString(ExtractTextData(name)));
      });
      if (group.names.empty() || (kind == Group::kNeeds) == group.attribute.empty()) {
        fail("An attribute group must list names, and only \"needs\" names an attribute\n");
      }
      constraints.groups.push_back(std::move(group));
    });
  }
  return constraints;
}

StateConstructionFromXML::AttributeSetDefinition StateConstructionFromXML::resolveBase(
    const std::map<std::wstring, AttributeSetDefinition>& definitions,
    const std::wstring& identifier, int depth) const {
  const auto found = definitions.find(identifier);
  if (found == definitions.end()) {
    fail("The attribute set named by \"base\" is not defined\n");
  }
  if (depth > kMaximumDepth) {
    fail("The \"base\" attribute sets go round in a circle\n");
  }
  AttributeSetDefinition merged = found->second;
  if (merged.base.empty()) {
    return merged;
  }
  const AttributeSetDefinition base = resolveBase(definitions, merged.base, depth + 1);
  // A name the set lists itself keeps its own rule, required or not.
  const auto listed = [&merged](const std::wstring& name) {
    return merged.required.count(name) != 0 || merged.optional.count(name) != 0;
  };
  for (const auto* rules : {&base.required, &base.optional}) {
    for (const auto& [name, rule] : *rules) {
      if (!listed(name)) {
        (rules == &base.required ? merged.required : merged.optional).emplace(name, rule);
      }
    }
  }
  merged.constraints.shadowAttributes |= base.constraints.shadowAttributes;
  merged.constraints.groups.insert(merged.constraints.groups.begin(),
                                   base.constraints.groups.begin(), base.constraints.groups.end());
  return merged;
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
    rule.setForwardsCompatibleAbove(AttributeText(attribute, u"forwards-compatible-above"));
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
  std::unique_ptr<AttributeValueValidator> rule = constructValueRule(value);
  if (readFlag(value, u"trim", "The \"trim\" property was not \"TRUE\" or \"FALSE\"\n")) {
    rule = std::make_unique<TrimmingValidator>(std::move(rule));
  }
  if (readFlag(value, u"avt", "The \"avt\" property was not \"TRUE\" or \"FALSE\"\n")) {
    rule = std::make_unique<AttributeValueTemplateValidator>(std::move(rule));
  }
  return rule;
}

std::unique_ptr<AttributeValueValidator> StateConstructionFromXML::constructValueRule(
    const DOMElement* value) {
  const DOMString type = AttributeValue(value, u"type");
  if (type == u"match-pattern") {
    return std::make_unique<MatchPatternValidator>();
  }
  if (type == u"enum") {
    return constructEnumValidator(value);
  }
  static const std::pair<const char16_t*, NameValidator::Kind> kNameTypes[] = {
      {u"qname", NameValidator::kQName},
      {u"qnames", NameValidator::kQNames},
      {u"prefix", NameValidator::kPrefix},
      {u"prefixes", NameValidator::kPrefixes},
      {u"name-tests", NameValidator::kNameTests},
      {u"eqname", NameValidator::kEQName},
      {u"eqnames", NameValidator::kEQNames},
      {u"eqname-tests", NameValidator::kEQNameTests},
      {u"component-tests", NameValidator::kComponentTests},
      {u"ncname", NameValidator::kNCName},
  };
  for (const auto& [name, kind] : kNameTypes) {
    if (type == name) {
      NameValidator::Options options;
      options.namespaced = readFlag(value, u"namespaced",
                                    "The \"namespaced\" property was not \"TRUE\" or \"FALSE\"\n");
      ForEachElement(value->getElementsByTagName(u"token"), [&](const DOMElement* token) {
        const std::wstring text = toWString(ExtractTextData(token));
        if (text.empty()) {
          fail("Empty tokens are not allowed.\n");
        }
        const bool alone =
            readFlag(token, u"alone", "The \"alone\" property was not \"TRUE\" or \"FALSE\"\n");
        (alone ? options.aloneTokens : options.tokens).push_back(text);
      });
      return std::make_unique<NameValidator>(kind, std::move(options));
    }
  }
  static const std::pair<const char16_t*, FormValidator::Kind> kFormTypes[] = {
      {u"sequence-type", FormValidator::kSequenceType},
      {u"item-type", FormValidator::kItemType},
      {u"decimal", FormValidator::kDecimal},
      {u"character", FormValidator::kCharacter},
      {u"boolean", FormValidator::kBoolean},
  };
  for (const auto& [name, kind] : kFormTypes) {
    if (type == name) {
      return std::make_unique<FormValidator>(kind);
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
