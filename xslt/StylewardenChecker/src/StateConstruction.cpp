// Identifier numbering, registry filling and the consistency check of the state tables.
#include "StateConstruction.h"

#include <iostream>
#include <utility>

#include "StringUtils.h"

namespace {

// Stores `entry` at its own index, growing the registry with unconstructed slots as needed.
template <typename Entry>
void StoreAtIndex(std::vector<Entry>& registry, const Entry& entry, int index) {
  const auto position = static_cast<std::size_t>(index);
  if (position >= registry.size()) {
    registry.resize(position + 1);
  }
  registry[position] = entry;
}

template <typename Entry>
bool IsConstructedAt(const std::vector<Entry>& registry, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < registry.size() &&
         registry[static_cast<std::size_t>(index)].wasCorrectlyConstructed();
}

// Counts and reports each identifier whose registry slot holds no definition. For element
// states, the two reserved identifiers that may never be defined are reported when they are.
template <typename Entry>
int CountUndefined(const std::map<std::wstring, int>& identifiers,
                   const std::vector<Entry>& registry, const char* leadText, bool elementStates,
                   bool verbose) {
  int errors = 0;
  for (const auto& [identifier, index] : identifiers) {
    const bool constructed = IsConstructedAt(registry, index);
    if (elementStates && (index == ELEMENTSTATE_UNCHANGED || index == ELEMENTSTATE_INVALID)) {
      if (constructed) {
        ++errors;
        if (verbose) {
          std::cerr << "Definition cannot be provided for \"ELEMENTSTATE_UNCHANGED\" or "
                       "\"ELEMENTSTATE_INVALID\"\n";
        }
      }
    } else if (!constructed) {
      ++errors;
      if (verbose) {
        std::cerr << leadText << " \"" << toString(identifier) << "\""
                  << " (assigned: " << index << ")"
                  << " were not correctly constructed.\n";
      }
    }
  }
  return errors;
}

}  // namespace

StateConstruction::StateConstruction(std::vector<ElementState>& elementStates,
                                     std::vector<ChildrenStates>& childrenStates,
                                     std::vector<AttributeSetValidator>& attributeSets)
    : m_elementStates(elementStates),
      m_childrenStates(childrenStates),
      m_attributeSets(attributeSets),
      m_nextElementStateIndex(0),
      m_nextChildrenStatesIndex(0),
      m_nextAttributeSetIndex(0) {
  // Entered in index order, so that the state file's own identifiers start at 4.
  for (const wchar_t* reserved : {L"ELEMENTSTATE_UNCHANGED", L"ELEMENTSTATE_INVALID",
                                  L"ELEMENTSTATE_DEFAULT", L"ELEMENTSTATE_ROOT"}) {
    getElementStateIndexFromIdentifier(reserved);
  }
}

int StateConstruction::indexFromIdentifier(IdentifierMap& identifiers, int& nextIndex,
                                           const std::wstring& identifier) {
  auto [entry, isNew] = identifiers.emplace(identifier, nextIndex);
  if (isNew) {
    ++nextIndex;
  }
  return entry->second;
}

int StateConstruction::getElementStateIndexFromIdentifier(const std::wstring& identifier) {
  return indexFromIdentifier(m_elementStateIdentifiers, m_nextElementStateIndex, identifier);
}

int StateConstruction::getChildrenStatesIndexFromIdentifier(const std::wstring& identifier) {
  return indexFromIdentifier(m_childrenStatesIdentifiers, m_nextChildrenStatesIndex, identifier);
}

int StateConstruction::getAttributeSetValidatorIndexFromIdentifier(const std::wstring& identifier) {
  return indexFromIdentifier(m_attributeSetIdentifiers, m_nextAttributeSetIndex, identifier);
}

ElementState StateConstruction::initializeElementState(const std::wstring& identifier,
                                                       const std::wstring& attributeSetIdentifier,
                                                       const std::wstring& literalStateIdentifier,
                                                       const std::wstring& childrenStatesIdentifier,
                                                       bool endable) {
  // This order of first mentions decides the numbers of new identifiers.
  const int stateIndex = getElementStateIndexFromIdentifier(identifier);
  const int literalStateIndex = getElementStateIndexFromIdentifier(literalStateIdentifier);
  const int childrenStatesIndex = getChildrenStatesIndexFromIdentifier(childrenStatesIdentifier);
  const int attributeSetIndex = getAttributeSetValidatorIndexFromIdentifier(attributeSetIdentifier);
  return ElementState(stateIndex, attributeSetIndex, literalStateIndex, childrenStatesIndex,
                      endable);
}

void StateConstruction::initializeElementStateAndAdd(const std::wstring& identifier,
                                                     const std::wstring& attributeSetIdentifier,
                                                     const std::wstring& literalStateIdentifier,
                                                     const std::wstring& childrenStatesIdentifier,
                                                     bool endable) {
  initializeElementStateAndAdd(identifier, attributeSetIdentifier, literalStateIdentifier,
                               childrenStatesIdentifier, endable, ElementStateExtras());
}

void StateConstruction::initializeElementStateAndAdd(const std::wstring& identifier,
                                                     const std::wstring& attributeSetIdentifier,
                                                     const std::wstring& literalStateIdentifier,
                                                     const std::wstring& childrenStatesIdentifier,
                                                     bool endable,
                                                     const ElementStateExtras& extras) {
  const ElementState plain =
      initializeElementState(identifier, attributeSetIdentifier, literalStateIdentifier,
                             childrenStatesIdentifier, endable);
  ElementState::Extras resolved;
  resolved.textAllowed = extras.textAllowed;
  // Only the parts given are mentioned, so that files without them number as before.
  const auto resolve = [this](const std::wstring& identifier, int& index) {
    if (!identifier.empty()) {
      index = getElementStateIndexFromIdentifier(identifier);
    }
  };
  resolve(extras.unknownXsltElementState, resolved.unknownXsltElementState);
  resolve(extras.unknownXsltElementParentState, resolved.unknownXsltElementParentState);
  resolve(extras.literalParentState, resolved.literalParentState);
  resolve(extras.literalWithoutNamespaceState, resolved.literalWithoutNamespaceState);
  resolve(extras.textParentState, resolved.textParentState);
  for (const auto& [attribute, state] : extras.attributeStates) {
    resolved.attributeStates.emplace_back(attribute, getElementStateIndexFromIdentifier(state));
  }
  const ElementState state(plain.getStateIndex(), plain.getAttributeSetIndex(),
                           plain.getLiteralStateIndex(), plain.getChildrenStatesIndex(), endable,
                           resolved);
  StoreAtIndex(m_elementStates, state, state.getStateIndex());
}

ChildState StateConstruction::initializeChildState(const std::wstring& parentStateIdentifier,
                                                   const std::wstring& stateIdentifier) {
  const int parentStateIndex = getElementStateIndexFromIdentifier(parentStateIdentifier);
  const int stateIndex = getElementStateIndexFromIdentifier(stateIdentifier);
  return ChildState(parentStateIndex, stateIndex);
}

ChildrenStates StateConstruction::initializeChildrenStates(
    const std::wstring& identifier, const ChildrenStates::ChildStateMap& childStates) {
  return ChildrenStates(getChildrenStatesIndexFromIdentifier(identifier), childStates);
}

void StateConstruction::initializeChildrenStatesAndAdd(
    const std::wstring& identifier, const ChildrenStates::ChildStateMap& childStates) {
  const ChildrenStates states = initializeChildrenStates(identifier, childStates);
  StoreAtIndex(m_childrenStates, states, states.getStateIndex());
}

AttributeSetValidator StateConstruction::initializeAttributeSetValidator(
    const std::wstring& identifier, AttributeSetValidator::AttributeMap requiredAttributes,
    AttributeSetValidator::AttributeMap optionalAttributes, bool defaultInNamespace) {
  return AttributeSetValidator(getAttributeSetValidatorIndexFromIdentifier(identifier),
                               requiredAttributes, optionalAttributes, defaultInNamespace);
}

void StateConstruction::initializeAttributeSetValidatorAndAdd(
    const std::wstring& identifier, AttributeSetValidator::AttributeMap requiredAttributes,
    AttributeSetValidator::AttributeMap optionalAttributes, bool defaultInNamespace,
    bool ignoresUnlistedWhenForwardsCompatible,
    const AttributeSetValidator::Constraints& constraints) {
  AttributeSetValidator set(getAttributeSetValidatorIndexFromIdentifier(identifier),
                            requiredAttributes, optionalAttributes, defaultInNamespace,
                            ignoresUnlistedWhenForwardsCompatible);
  set.setConstraints(constraints);
  StoreAtIndex(m_attributeSets, set, set.getIndex());
}

std::wstring StateConstruction::identifierForIndex(const IdentifierMap& identifiers, int index) {
  for (const auto& [identifier, assigned] : identifiers) {
    if (assigned == index) {
      return identifier;
    }
  }
  return std::wstring();
}

std::wstring StateConstruction::getIdentifierForElementStateIndex(int index) const {
  return identifierForIndex(m_elementStateIdentifiers, index);
}

std::wstring StateConstruction::getIdentifierForChildrenStatesIndex(int index) const {
  return identifierForIndex(m_childrenStatesIdentifiers, index);
}

int StateConstruction::countUnusableStates(bool verbose) const {
  // Defined states whose lookups would reach an entry that can never exist, or would ask the
  // default state about itself without end.
  int errors = 0;
  auto report = [&errors, verbose](const std::string& line) {
    ++errors;
    if (verbose) {
      std::cerr << line;
    }
  };
  for (const auto& [identifier, index] : m_elementStateIdentifiers) {
    if (!IsConstructedAt(m_elementStates, index)) {
      continue;
    }
    const int literal = m_elementStates[static_cast<std::size_t>(index)].getLiteralStateIndex();
    const std::string state = "The element state \"" + toString(identifier) + "\"";
    if (literal == ELEMENTSTATE_UNCHANGED) {
      report(state + " cannot have \"ELEMENTSTATE_UNCHANGED\" as its literal state.\n");
    } else if (index == ELEMENTSTATE_DEFAULT && literal == ELEMENTSTATE_INVALID) {
      report(state + " cannot have \"ELEMENTSTATE_INVALID\" as its literal state.\n");
    }
    // Absent, the unknown-element state is 0; present, it names a state an element can be in.
    const ElementState::Extras& extras =
        m_elementStates[static_cast<std::size_t>(index)].getExtras();
    if (extras.unknownXsltElementState == ELEMENTSTATE_INVALID) {
      report(state + " cannot give unknown XSLT elements the state \"ELEMENTSTATE_INVALID\".\n");
    }
    if (extras.textParentState == ELEMENTSTATE_INVALID) {
      report(state + " cannot continue in \"ELEMENTSTATE_INVALID\" after text.\n");
    }
    if (extras.literalParentState == ELEMENTSTATE_INVALID) {
      report(state + " cannot continue in \"ELEMENTSTATE_INVALID\" after a literal element.\n");
    }
    if (index == ELEMENTSTATE_DEFAULT &&
        extras.literalWithoutNamespaceState == ELEMENTSTATE_INVALID) {
      report(
          state +
          " cannot have \"ELEMENTSTATE_INVALID\" as its state for elements without a namespace.\n");
    }
    if (extras.unknownXsltElementParentState == ELEMENTSTATE_INVALID) {
      report(state +
             " cannot continue in \"ELEMENTSTATE_INVALID\" after an unknown XSLT element.\n");
    }
  }
  for (const auto& [identifier, index] : m_childrenStatesIdentifiers) {
    if (!IsConstructedAt(m_childrenStates, index)) {
      continue;
    }
    const std::string states = "The children states \"" + toString(identifier) + "\"";
    for (const auto& [name, transition] :
         m_childrenStates[static_cast<std::size_t>(index)].getChildStates()) {
      const std::string child = " the element \"" + toString(name) + "\"";
      const int childState = transition.getChildStateIndex();
      if (childState == ELEMENTSTATE_UNCHANGED || childState == ELEMENTSTATE_INVALID) {
        report(states + " cannot give" + child + " the state \"" +
               toString(getIdentifierForElementStateIndex(childState)) + "\".\n");
      }
      if (transition.getNewStateIndex() == ELEMENTSTATE_INVALID) {
        report(states + " cannot give the parent of" + child +
               " the state \"ELEMENTSTATE_INVALID\".\n");
      }
    }
  }
  return errors;
}

bool StateConstruction::verifyInteralConsistancy(bool verbose) const {
  int errors = 0;
  if (m_elementStates.size() < 4) {
    errors = 1;
    if (verbose) {
      std::cerr << "The element state vector does not contain the required elements.\n";
    }
  }
  errors += CountUndefined(m_elementStateIdentifiers, m_elementStates,
                           "The element state referenced through", true, verbose);
  errors += CountUndefined(m_childrenStatesIdentifiers, m_childrenStates,
                           "The children states referenced through", false, verbose);
  errors += CountUndefined(m_attributeSetIdentifiers, m_attributeSets,
                           "The attribute set referenced through", false, verbose);
  errors += countUnusableStates(verbose);

  if (verbose && errors > 0) {
    std::cerr << "Number of ElementState identifiers: \t" << m_elementStateIdentifiers.size()
              << "\n"
              << "Number of ChildrenState identifiers:\t" << m_childrenStatesIdentifiers.size()
              << "\n"
              << "Number of AttributeSet identifiers: \t" << m_attributeSetIdentifiers.size()
              << "\n"
              << errors << " errors found in state machine data.\n";
  }
  return errors == 0;
}
