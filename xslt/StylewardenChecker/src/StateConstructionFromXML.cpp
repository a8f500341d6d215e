// The state file loader: three passes over the file's elements (element states, children
// states, attribute sets), each definition handed to the builder by identifier. A lookup
// below an element searches all its descendants, as the loader always has.
#include "StateConstructionFromXML.h"

#include <iostream>
#include <utility>

namespace {

// Thrown by a construction step after it has reported its error; caught by doConstruction.
constexpr int kConstructionFailed = 1;
// How deep "base" and "includes" may refer onwards; deeper is taken for a circle.
constexpr int kMaximumDepth = 64;

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
  StateDocument document;
  if (!document.parse(path)) {
    if (verbose) {
      std::cerr << "Could not parse state machine.\n";
    }
    return false;
  }
  return doConstruction(document, verbose);
}

bool StateConstructionFromXML::doConstruction(const StateDocument& document, bool verbose) {
  m_verbose = verbose;
  m_document = &document;
  try {
    m_xsltVersion = document.size() == 0 ? std::wstring() : attributeText(0, u"xslt-version");
    constructElementStates();
    constructChildrenStates();
    constructAttributeStates();
  } catch (...) {
    m_document = nullptr;
    return false;
  }
  m_document = nullptr;
  return verifyInteralConsistancy(verbose);
}

std::wstring StateConstructionFromXML::attributeText(Node element, Text name) const {
  const Text value = m_document->attribute(element, name);
  return std::wstring(value.begin(), value.end());
}

std::wstring StateConstructionFromXML::textOf(Node element) const {
  const Text text = m_document->ownText(element);
  return std::wstring(text.begin(), text.end());
}

void StateConstructionFromXML::constructElementStates() {
  m_document->forEachElement(u"element-state",
                             [this](Node state) { constructElementState(state); });
}

StateConstructionFromXML::Node StateConstructionFromXML::onlyElementBelow(
    Node element, Text name, const char* message) const {
  Node found = 0;
  std::size_t count = 0;
  m_document->forEachDescendant(element, name, [&found, &count](Node match) {
    if (count++ == 0) {
      found = match;
    }
  });
  if (count != 1) {
    fail(message);
  }
  return found;
}

void StateConstructionFromXML::constructElementState(Node elementState) {
  const std::wstring identifier = attributeText(elementState, u"identifier");
  const Text endableText = m_document->attribute(elementState, u"endable");
  const std::wstring attributeSet =
      attributeText(onlyElementBelow(elementState, u"attribute-set",
                                     "Element does not contain \"attribute-set\" subelement\n"),
                    u"ref");
  const Node literal = onlyElementBelow(elementState, u"literal-state",
                                        "Element does not contain \"literal-state\" subelement\n");
  const std::wstring literalState = attributeText(literal, u"ref");
  const std::wstring childrenStates =
      attributeText(onlyElementBelow(elementState, u"children-states",
                                     "Element does not contain \"children-states\" subelement\n"),
                    u"ref");
  bool endable = false;
  if (!valueToBool(endableText, endable)) {
    fail("The \"endable\" property was not \"TRUE\" or \"FALSE\"\n");
  }
  ElementStateExtras extras;
  extras.literalParentState = attributeText(literal, u"parent-state");
  extras.literalWithoutNamespaceState = attributeText(literal, u"without-namespace");
  extras.textParentState = attributeText(elementState, u"text-parent-state");
  const Text textAllowed = m_document->attribute(elementState, u"text-allowed");
  if (!textAllowed.empty() && !valueToBool(textAllowed, extras.textAllowed)) {
    fail("The \"text-allowed\" property was not \"TRUE\" or \"FALSE\"\n");
  }
  const std::size_t unknown = m_document->countDescendants(elementState, u"unknown-xslt-element");
  if (unknown > 1) {
    fail("Element contains more than one \"unknown-xslt-element\" subelement\n");
  }
  if (unknown == 1) {
    const Node relaxation = onlyElementBelow(elementState, u"unknown-xslt-element", "");
    extras.unknownXsltElementState = attributeText(relaxation, u"state");
    extras.unknownXsltElementParentState = attributeText(relaxation, u"parent-state");
    if (extras.unknownXsltElementState.empty()) {
      fail("The \"unknown-xslt-element\" subelement must name a state\n");
    }
  }
  m_document->forEachDescendant(elementState, u"when-attribute", [this, &extras](Node rule) {
    const std::wstring name = attributeText(rule, u"name");
    const std::wstring state = attributeText(rule, u"state");
    if (name.empty() || state.empty()) {
      fail("The \"when-attribute\" subelement must name an attribute and a state\n");
    }
    extras.attributeStates.emplace_back(name, state);
  });
  initializeElementStateAndAdd(identifier, attributeSet, literalState, childrenStates, endable,
                               extras);
}

void StateConstructionFromXML::constructChildrenStates() {
  std::map<std::wstring, Node> definitions;
  std::vector<std::wstring> including;
  m_document->forEachElement(u"children-states", [this, &definitions, &including](Node states) {
    const std::wstring identifier = attributeText(states, u"identifier");
    if (identifier.empty()) {
      return;  // a reference inside an element state, not a definition
    }
    const ChildrenStates::ChildStateMap transitions = constructChildStateMap(states);
    initializeChildrenStatesAndAdd(identifier, transitions);
    definitions[identifier] = states;
    if (!attributeText(states, u"includes").empty()) {
      including.push_back(identifier);
    }
  });
  // Sets that include others are completed once every set is known.
  for (const std::wstring& identifier : including) {
    initializeChildrenStatesAndAdd(identifier, resolveIncludes(definitions, identifier, 0));
  }
}

ChildrenStates::ChildStateMap StateConstructionFromXML::resolveIncludes(
    const std::map<std::wstring, Node>& definitions, const std::wstring& identifier, int depth) {
  const auto found = definitions.find(identifier);
  if (found == definitions.end()) {
    fail("The children states named by \"includes\" are not defined\n");
  }
  if (depth > kMaximumDepth) {
    fail("The \"includes\" of children states go round in a circle\n");
  }
  ChildrenStates::ChildStateMap transitions = constructChildStateMap(found->second);
  const std::wstring included = attributeText(found->second, u"includes");
  if (included.empty()) {
    return transitions;
  }
  const std::wstring parentState = attributeText(found->second, u"included-parent-state");
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
    Node childrenStates) {
  ChildrenStates::ChildStateMap transitions;
  m_document->forEachDescendant(
      childrenStates, u"child-state", [this, &transitions](Node childState) {
        const std::wstring name = attributeText(childState, u"element-name");
        const std::wstring parentState = attributeText(childState, u"parent-state");
        const std::wstring state = attributeText(childState, u"state");
        transitions[name] = initializeChildState(parentState, state);
      });
  return transitions;
}

bool StateConstructionFromXML::readFlag(Node element, Text name, const char* message) const {
  bool flag = false;
  const Text text = m_document->attribute(element, name);
  if (!text.empty() && !valueToBool(text, flag)) {
    fail(message);
  }
  return flag;
}

void StateConstructionFromXML::constructAttributeStates() {
  std::map<std::wstring, AttributeSetDefinition> definitions;
  std::vector<std::wstring> based;
  m_document->forEachElement(u"attribute-set", [&](Node set) {
    AttributeSetDefinition definition;
    const std::wstring identifier = attributeText(set, u"identifier");
    if (identifier.empty()) {
      return;  // a reference inside an element state, not a definition
    }
    const Text flag = m_document->attribute(set, u"default-in-namespace");
    if (!flag.empty() && !valueToBool(flag, definition.defaultInNamespace)) {
      fail("The \"default-in-namespace\" property was not \"TRUE\" or \"FALSE\"\n");
    }
    definition.ignoresUnlisted = readFlag(
        set, u"forwards-compatible-ignores-unlisted",
        "The \"forwards-compatible-ignores-unlisted\" property was not \"TRUE\" or \"FALSE\"\n");
    constructAttributeStateMap(set, definition.required, definition.optional);
    definition.constraints = constructConstraints(set);
    definition.base = attributeText(set, u"base");
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

AttributeSetValidator::Constraints StateConstructionFromXML::constructConstraints(Node set) {
  using Group = AttributeSetValidator::AttributeGroup;
  AttributeSetValidator::Constraints constraints;
  constraints.shadowAttributes =
      readFlag(set, u"shadow-attributes",
               "The \"shadow-attributes\" property was not \"TRUE\" or \"FALSE\"\n");
  static const std::pair<Text, Group::Kind> kGroups[] = {
      {u"exactly-one-of", Group::kExactlyOne},
      {u"at-most-one-of", Group::kAtMostOne},
      {u"at-least-one-of", Group::kAtLeastOne},
      {u"needs", Group::kNeeds},
  };
  for (const auto& [tag, kind] : kGroups) {
    m_document->forEachDescendant(set, tag, [&, kind = kind](Node element) {
      Group group;
      group.kind = kind;
      group.attribute = attributeText(element, u"attribute");
      m_document->forEachDescendant(
          element, u"name", [this, &group](Node name) { group.names.push_back(textOf(name)); });
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
    Node set, AttributeSetValidator::AttributeMap& requiredAttributes,
    AttributeSetValidator::AttributeMap& optionalAttributes) {
  m_document->forEachDescendant(set, u"attribute", [&](Node attribute) {
    bool required = false;
    if (!valueToBool(m_document->attribute(attribute, u"required"), required)) {
      fail("The \"required\" property was not \"TRUE\" or \"FALSE\"\n");
    }
    Node nameElement =
        onlyElementBelow(attribute, u"name", "The must be exactly one \"name\" element.\n");
    const std::wstring name = textOf(nameElement);
    if (name.empty()) {
      fail("The \"name\" element must contain at least one character of text.\n");
    }
    AttributeValidator rule(name, required, constructAttributeValueValidator(attribute));
    rule.setForwardsCompatibleUnless(attributeText(attribute, u"forwards-compatible-unless"));
    rule.setForwardsCompatibleAbove(attributeText(attribute, u"forwards-compatible-above"));
    (required ? requiredAttributes : optionalAttributes)[name] = rule;
  });
}

std::unique_ptr<AttributeValueValidator> StateConstructionFromXML::constructAttributeValueValidator(
    Node attribute) {
  const std::size_t count = m_document->countDescendants(attribute, u"value");
  if (count == 0) {
    return std::make_unique<NULLValidator>();
  }
  if (count > 1) {
    fail("The \"attribute\" element can have a most one  \"value\" child.\n");
  }
  const Node value = onlyElementBelow(attribute, u"value", "");
  std::unique_ptr<AttributeValueValidator> rule = constructValueRule(value);
  if (readFlag(value, u"trim", "The \"trim\" property was not \"TRUE\" or \"FALSE\"\n")) {
    rule = std::make_unique<TrimmingValidator>(std::move(rule));
  }
  if (readFlag(value, u"avt", "The \"avt\" property was not \"TRUE\" or \"FALSE\"\n")) {
    rule = std::make_unique<AttributeValueTemplateValidator>(std::move(rule));
  }
  return rule;
}

std::unique_ptr<AttributeValueValidator> StateConstructionFromXML::constructValueRule(Node value) {
  const Text type = m_document->attribute(value, u"type");
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
      m_document->forEachDescendant(value, u"token", [&](Node token) {
        const std::wstring text = textOf(token);
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

std::unique_ptr<EnumValidator> StateConstructionFromXML::constructEnumValidator(Node value) {
  if (m_document->countDescendants(value, u"enum") == 0) {
    fail("Attribute enumeration lists must contain at list one \"enum\" element.\n");
  }
  std::vector<std::wstring> allowed;
  m_document->forEachDescendant(value, u"enum", [this, &allowed](Node entry) {
    const Text text = m_document->ownText(entry);
    if (text.empty()) {
      fail("Empty enumeration values are not allowed.\n");
    }
    allowed.emplace_back(text.begin(), text.end());
  });
  return std::make_unique<EnumValidator>(std::move(allowed));
}

bool StateConstructionFromXML::valueToBool(Text text, bool& result) {
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
