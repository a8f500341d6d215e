// Reads the state file: parses it into a DOM tree and hands every element state, children
// states and attribute set definition to the state table builder, then checks the tables.
#ifndef STYLEWARDEN_STATECONSTRUCTIONFROMXML_H
#define STYLEWARDEN_STATECONSTRUCTIONFROMXML_H

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

  // True when `text` is exactly "TRUE" or "FALSE"; then `result` holds its meaning.
  static bool valueToBool(const DOMString& text, bool& result);

 private:
  [[noreturn]] void fail(const char* message) const;
  const xercesc::DOMElement* onlyElementBelow(const xercesc::DOMElement* element, const char* name,
                                              const char* message) const;

  bool m_verbose;
};

// The text of a text or CDATA node, or of an element's direct text and CDATA children in
// order; the empty string for any other node.
DOMString ExtractTextData(const xercesc::DOMNode* node);

#endif  // STYLEWARDEN_STATECONSTRUCTIONFROMXML_H
