// Builds the state registries from definitions that refer to one another by identifier:
// numbers every identifier at its first mention, stores each definition at its index, and
// checks at the end that everything mentioned was defined and usable.
#ifndef STYLEWARDEN_STATECONSTRUCTION_H
#define STYLEWARDEN_STATECONSTRUCTION_H

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "AttributeSetValidator.h"
#include "ChildState.h"
#include "ElementState.h"

class StateConstruction {
 public:
  StateConstruction(std::vector<ElementState>& elementStates,
                    std::vector<ChildrenStates>& childrenStates,
                    std::vector<AttributeSetValidator>& attributeSets);

  int getElementStateIndexFromIdentifier(const std::wstring& identifier);
  int getChildrenStatesIndexFromIdentifier(const std::wstring& identifier);
  int getAttributeSetValidatorIndexFromIdentifier(const std::wstring& identifier);

  ElementState initializeElementState(const std::wstring& identifier,
                                      const std::wstring& attributeSetIdentifier,
                                      const std::wstring& literalStateIdentifier,
                                      const std::wstring& childrenStatesIdentifier, bool endable);
  void initializeElementStateAndAdd(const std::wstring& identifier,
                                    const std::wstring& attributeSetIdentifier,
                                    const std::wstring& literalStateIdentifier,
                                    const std::wstring& childrenStatesIdentifier, bool endable);

  // The optional parts of an element state definition, by identifier; an empty identifier
  // is not mentioned at all (see ElementState::Extras).
  struct ElementStateExtras {
    bool textAllowed = true;
    std::wstring unknownXsltElementState;
    std::wstring unknownXsltElementParentState;
    std::wstring literalParentState;
    std::wstring literalWithoutNamespaceState;
    std::wstring textParentState;
    // Attribute name and state identifier (see ElementState::Extras::attributeStates).
    std::vector<std::pair<std::wstring, std::wstring>> attributeStates;
  };
  void initializeElementStateAndAdd(const std::wstring& identifier,
                                    const std::wstring& attributeSetIdentifier,
                                    const std::wstring& literalStateIdentifier,
                                    const std::wstring& childrenStatesIdentifier, bool endable,
                                    const ElementStateExtras& extras);
  ChildState initializeChildState(const std::wstring& parentStateIdentifier,
                                  const std::wstring& stateIdentifier);
  ChildrenStates initializeChildrenStates(const std::wstring& identifier,
                                          const ChildrenStates::ChildStateMap& childStates);
  void initializeChildrenStatesAndAdd(const std::wstring& identifier,
                                      const ChildrenStates::ChildStateMap& childStates);
  AttributeSetValidator initializeAttributeSetValidator(
      const std::wstring& identifier, AttributeSetValidator::AttributeMap requiredAttributes,
      AttributeSetValidator::AttributeMap optionalAttributes, bool defaultInNamespace);
  void initializeAttributeSetValidatorAndAdd(
      const std::wstring& identifier, AttributeSetValidator::AttributeMap requiredAttributes,
      AttributeSetValidator::AttributeMap optionalAttributes, bool defaultInNamespace,
      bool ignoresUnlistedWhenForwardsCompatible = false,
      const AttributeSetValidator::Constraints& constraints = AttributeSetValidator::Constraints());

  // The identifier holding an index, or the empty string.
  std::wstring getIdentifierForElementStateIndex(int index) const;
  std::wstring getIdentifierForChildrenStatesIndex(int index) const;

  // True when every identifier mentioned was defined and no state leads a lookup astray.
  // With `verbose`, each problem and a summary go to standard error.
  bool verifyInteralConsistancy(bool verbose) const;

 private:
  using IdentifierMap = std::map<std::wstring, int>;

  static int indexFromIdentifier(IdentifierMap& identifiers, int& nextIndex,
                                 const std::wstring& identifier);
  static std::wstring identifierForIndex(const IdentifierMap& identifiers, int index);
  int countUnusableStates(bool verbose) const;

  std::vector<ElementState>& m_elementStates;
  std::vector<ChildrenStates>& m_childrenStates;
  std::vector<AttributeSetValidator>& m_attributeSets;
  int m_nextElementStateIndex;
  int m_nextChildrenStatesIndex;
  int m_nextAttributeSetIndex;
  IdentifierMap m_childrenStatesIdentifiers;
  IdentifierMap m_elementStateIdentifiers;
  IdentifierMap m_attributeSetIdentifiers;
};

#endif  // STYLEWARDEN_STATECONSTRUCTION_H
