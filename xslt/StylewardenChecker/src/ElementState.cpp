// The child lookup of the state machine and the element state registry.
#include "ElementState.h"

#include "RegistryEntry.h"
#include "StateTables.h"

ElementState::ElementState()
    : m_stateIndex(0),
      m_attributeSetIndex(0),
      m_literalStateIndex(ELEMENTSTATE_INVALID),
      m_childrenStatesIndex(0),
      m_endable(false),
      m_correctlyConstructed(false) {}

ElementState::ElementState(int stateIndex, int attributeSetIndex, int literalStateIndex,
                           int childrenStatesIndex, bool endable)
    : m_stateIndex(stateIndex),
      m_attributeSetIndex(attributeSetIndex),
      m_literalStateIndex(literalStateIndex),
      m_childrenStatesIndex(childrenStatesIndex),
      m_endable(endable),
      m_correctlyConstructed(true) {}

ElementState::ElementState(int stateIndex, int attributeSetIndex, int literalStateIndex,
                           int childrenStatesIndex, bool endable, const Extras& extras)
    : ElementState(stateIndex, attributeSetIndex, literalStateIndex, childrenStatesIndex, endable) {
  m_extras = extras;
}

const AttributeSetValidator& ElementState::getAttributeSetValidator() const {
  return AttributeSetValidator::getAttributeSetValidator(m_attributeSetIndex);
}

int ElementState::getChildElementStateIndex(const std::wstring& uri, const std::wstring& localName,
                                            const std::wstring& qName, int& newParentState,
                                            bool& usedDefault) const {
  newParentState = ELEMENTSTATE_UNCHANGED;
  usedDefault = false;
  if (uri == kXsltNamespace) {
    ChildState transition;
    if (ChildrenStates::getChildrenStates(m_childrenStatesIndex)
            .getChildState(localName, transition)) {
      newParentState = transition.getNewStateIndex();
      return transition.getChildStateIndex();
    }
    usedDefault = true;
    if (m_stateIndex == ELEMENTSTATE_DEFAULT) {
      return ELEMENTSTATE_DEFAULT;
    }
    return getDefaultStateIndex(uri, localName, qName);
  }
  const int literalStateIndex =
      uri.empty() && m_extras.literalWithoutNamespaceState != ELEMENTSTATE_UNCHANGED
          ? m_extras.literalWithoutNamespaceState
          : m_literalStateIndex;
  if (literalStateIndex == ELEMENTSTATE_INVALID) {
    usedDefault = true;
    // The default state asking itself again would never end; the start-up check rejects
    // such data, and this keeps the lookup finite whatever the registry holds.
    if (m_stateIndex == ELEMENTSTATE_DEFAULT) {
      return ELEMENTSTATE_DEFAULT;
    }
    return getDefaultStateIndex(uri, localName, qName);
  }
  newParentState = m_extras.literalParentState;
  return literalStateIndex;
}

int ElementState::getChildElementStateIndex(const std::wstring& uri, const std::wstring& localName,
                                            const std::wstring& qName, bool forwardsCompatible,
                                            int& newParentState, bool& usedDefault) const {
  const int index = getChildElementStateIndex(uri, localName, qName, newParentState, usedDefault);
  if (!usedDefault || !forwardsCompatible ||
      m_extras.unknownXsltElementState == ELEMENTSTATE_UNCHANGED || uri != kXsltNamespace) {
    return index;
  }
  ChildState known;
  if (ChildrenStates::getChildrenStates(getElementState(ELEMENTSTATE_DEFAULT).m_childrenStatesIndex)
          .getChildState(localName, known)) {
    return index;  // an XSLT 1.0 element out of place stays an error in every mode
  }
  usedDefault = false;
  newParentState = m_extras.unknownXsltElementParentState;
  return m_extras.unknownXsltElementState;
}

const ElementState& ElementState::getChildElementState(const std::wstring& uri,
                                                       const std::wstring& localName,
                                                       const std::wstring& qName,
                                                       int& newParentState,
                                                       bool& usedDefault) const {
  return getElementState(
      getChildElementStateIndex(uri, localName, qName, newParentState, usedDefault));
}

int ElementState::getDefaultStateIndex(const std::wstring& uri, const std::wstring& localName,
                                       const std::wstring& qName) {
  int scratchNewParentState = ELEMENTSTATE_UNCHANGED;
  bool scratchUsedDefault = false;
  return getElementState(ELEMENTSTATE_DEFAULT)
      .getChildElementStateIndex(uri, localName, qName, scratchNewParentState, scratchUsedDefault);
}

std::vector<ElementState>& ElementState::getElementStateVector() {
  return ActiveStateTables().elementStates;
}

const ElementState& ElementState::getElementState(int index) {
  return RegistryEntry(ActiveStateTables().elementStates, index,
                       "index < m_elementStateVector.size( )",
                       "m_elementStateVector[index].wasCorrectlyConstructed( )");
}
