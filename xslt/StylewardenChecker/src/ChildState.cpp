// Transition lookup and the children states registry.
#include "ChildState.h"

#include "RegistryEntry.h"
#include "StateTables.h"

bool ChildrenStates::getChildState(const std::wstring& localName, ChildState& childState) const {
  auto found = m_childStates.find(localName);
  if (found == m_childStates.end()) {
    return false;
  }
  childState = found->second;
  return true;
}

std::vector<ChildrenStates>& ChildrenStates::getChildrenStatesVector() {
  return ActiveStateTables().childrenStates;
}

const ChildrenStates& ChildrenStates::getChildrenStates(int index) {
  return RegistryEntry(ActiveStateTables().childrenStates, index,
                       "index < childrenStatesVector.size( )",
                       "childrenStatesVector[index].wasCorrectlyConstructed( )");
}
