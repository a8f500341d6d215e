// Reads the state file: parses it into a DOM tree and hands every element state, children
// states and attribute set definition to the state table builder, then checks the tables.
#ifndef STYLEWARDEN_STATECONSTRUCTIONFROMXML_H
#define STYLEWARDEN_STATECONSTRUCTIONFROMXML_H

#include <map>
#include <memory>
#include <string>
#include <vector>
#include <xercesc/dom/DOMDocument.hpp>
#include <xercesc/dom/DOMElement.hpp>
#include <xercesc/dom/DOMNode.hpp>
#include <xercesc/dom/DOMNodeList.hpp>

#include "AttributeSetValidator.h"
#include "AttributeValidator.h"
#include "ChildState.h"
#include "ElementState.h"
#include "StateConstruction.h"
#include "StringUtils.h"

class StateConstructionFromXML : public StateConstruction {
 public:
  StateConstructionFromXML(std::vector<ElementState>& elementStates,
                           std::vector<ChildrenStates>& childrenStates,
                           std::vector<AttributeSetValidator>& attributeSets);

  // Loads the state file at `path` (any system identifier the parser accepts). True when it
  // was read and passed the consistency check; with `verbose` every problem is described on
  // standard error. The first problem ends the load.
  bool doConstruction(const std::string& path, bool verbose);

  // The three passes and their steps; each step that finds an error reports it and throws.
  void constructElementStates(const xercesc::DOMDocument* document);
  void constructElementState(const xercesc::DOMElement* elementState);
  void constructChildrenStates(const xercesc::DOMDocument* document);
  ChildrenStates::ChildStateMap constructChildStateMap(const xercesc::DOMNodeList* childStates);
  void constructAttributeStates(const xercesc::DOMDocument* document);
  void constructAttributeStateMap(const xercesc::DOMNodeList* attributes,
                                  AttributeSetValidator::AttributeMap& requiredAttributes,
                                  AttributeSetValidator::AttributeMap& optionalAttributes);
  std::unique_ptr<AttributeValueValidator> constructAttributeValueValidator(
      const xercesc::DOMElement* attribute);
  std::unique_ptr<EnumValidator> constructEnumValidator(const xercesc::DOMElement* value);
  // The rule a `value` element names by its type, before any trimming.
  std::unique_ptr<AttributeValueValidator> constructValueRule(const xercesc::DOMElement* value);

  // The XSLT version the file says it describes (the xslt-version attribute of its document
  // element); empty when it says none. Known after doConstruction.
  const std::wstring& getXsltVersion() const { return m_xsltVersion; }

  // True when `text` is exactly "TRUE" or "FALSE"; then `result` holds its meaning.
  static bool valueToBool(const DOMString& text, bool& result);

 private:
  [[noreturn]] void fail(const char* message) const;
  const xercesc::DOMElement* onlyElementBelow(const xercesc::DOMElement* element, const char* name,
                                              const char* message) const;

  // What an attribute set definition says, kept until the sets it builds on are known.
  struct AttributeSetDefinition {
    AttributeSetValidator::AttributeMap required;
    AttributeSetValidator::AttributeMap optional;
    bool defaultInNamespace = true;
    bool ignoresUnlisted = false;
    AttributeSetValidator::Constraints constraints;
    std::wstring base;
  };
  AttributeSetValidator::Constraints constructConstraints(const xercesc::DOMElement* set);
  bool readFlag(const xercesc::DOMElement* element, const XMLCh* name, const char* message) const;
  // The definition with the rules of its base sets merged in, the nearest base winning.
  AttributeSetDefinition resolveBase(
      const std::map<std::wstring, AttributeSetDefinition>& definitions,
      const std::wstring& identifier, int depth) const;
  ChildrenStates::ChildStateMap resolveIncludes(
      const std::map<std::wstring, const xercesc::DOMElement*>& definitions,
      const std::wstring& identifier, int depth);

  bool m_verbose;
  std::wstring m_xsltVersion;
};

// The text of a text or CDATA node, or of an element's direct text and CDATA children in
// order; the empty string for any other node.
DOMString ExtractTextData(const xercesc::DOMNode* node);

#endif  // STYLEWARDEN_STATECONSTRUCTIONFROMXML_H
