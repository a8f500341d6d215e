// Reads the state file: takes its elements (parsed by StateDocument, or compiled into the
// program) and hands every element state, children states and attribute set definition to
// the state table builder, then checks the tables.
#ifndef STYLEWARDEN_STATECONSTRUCTIONFROMXML_H
#define STYLEWARDEN_STATECONSTRUCTIONFROMXML_H

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "AttributeSetValidator.h"
#include "AttributeValidator.h"
#include "ChildState.h"
#include "ElementState.h"
#include "StateConstruction.h"
#include "StateDocument.h"

class StateConstructionFromXML : public StateConstruction {
 public:
  using Text = StateDocument::Text;

  StateConstructionFromXML(std::vector<ElementState>& elementStates,
                           std::vector<ChildrenStates>& childrenStates,
                           std::vector<AttributeSetValidator>& attributeSets);

  // Loads the state file at `path` (any system identifier the parser accepts). True when it
  // was read and passed the consistency check; with `verbose` every problem is described on
  // standard error. The first problem ends the load.
  bool doConstruction(const std::string& path, bool verbose);
  // The same from a document already read.
  bool doConstruction(const StateDocument& document, bool verbose);

  // The XSLT version the file says it describes (the xslt-version attribute of its document
  // element); empty when it says none. Known after doConstruction.
  const std::wstring& getXsltVersion() const { return m_xsltVersion; }

  // True when `text` is exactly "TRUE" or "FALSE"; then `result` holds its meaning.
  static bool valueToBool(Text text, bool& result);

 private:
  // An element, by its index in the document.
  using Node = std::size_t;

  // The three passes and their steps; each step that finds an error reports it and throws.
  void constructElementStates();
  void constructElementState(Node elementState);
  void constructChildrenStates();
  ChildrenStates::ChildStateMap constructChildStateMap(Node childrenStates);
  void constructAttributeStates();
  void constructAttributeStateMap(Node set, AttributeSetValidator::AttributeMap& requiredAttributes,
                                  AttributeSetValidator::AttributeMap& optionalAttributes);
  std::unique_ptr<AttributeValueValidator> constructAttributeValueValidator(Node attribute);
  std::unique_ptr<EnumValidator> constructEnumValidator(Node value);
  // The rule a `value` element names by its type, before any trimming.
  std::unique_ptr<AttributeValueValidator> constructValueRule(Node value);

  [[noreturn]] void fail(const char* message) const;
  // The only descendant of `element` named `name`; fails with `message` unless there is
  // exactly one.
  Node onlyElementBelow(Node element, Text name, const char* message) const;
  std::wstring attributeText(Node element, Text name) const;
  std::wstring textOf(Node element) const;

  // What an attribute set definition says, kept until the sets it builds on are known.
  struct AttributeSetDefinition {
    AttributeSetValidator::AttributeMap required;
    AttributeSetValidator::AttributeMap optional;
    bool defaultInNamespace = true;
    bool ignoresUnlisted = false;
    AttributeSetValidator::Constraints constraints;
    std::wstring base;
  };
  AttributeSetValidator::Constraints constructConstraints(Node set);
  bool readFlag(Node element, Text name, const char* message) const;
  // The definition with the rules of its base sets merged in, the nearest base winning.
  AttributeSetDefinition resolveBase(
      const std::map<std::wstring, AttributeSetDefinition>& definitions,
      const std::wstring& identifier, int depth) const;
  ChildrenStates::ChildStateMap resolveIncludes(const std::map<std::wstring, Node>& definitions,
                                                const std::wstring& identifier, int depth);

  bool m_verbose;
  std::wstring m_xsltVersion;
  // The document being loaded, during doConstruction.
  const StateDocument* m_document = nullptr;
};

#endif  // STYLEWARDEN_STATECONSTRUCTIONFROMXML_H
