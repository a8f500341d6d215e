// Transitions of the state machine: the state a child element gets and the state its parent
// continues in, and the set of transitions of one state keyed by the child's local name.
#ifndef STYLEWARDEN_CHILDSTATE_H
#define STYLEWARDEN_CHILDSTATE_H

#include <map>
#include <string>
#include <vector>

class ChildState {
 public:
  ChildState() : m_childStateIndex(0), m_newStateIndex(0) {}
  // Note the order: the parent's new state first, then the child's state.
  ChildState(int newStateIndex, int childStateIndex)
      : m_childStateIndex(childStateIndex), m_newStateIndex(newStateIndex) {}

  int getChildStateIndex() const { return m_childStateIndex; }
  int getNewStateIndex() const { return m_newStateIndex; }

 private:
  int m_childStateIndex;
  int m_newStateIndex;
};

class ChildrenStates {
 public:
  using ChildStateMap = std::map<std::wstring, ChildState>;

  ChildrenStates() : m_stateIndex(0), m_correctlyConstructed(false) {}
  ChildrenStates(int index, const ChildStateMap& childStates)
      : m_childStates(childStates), m_stateIndex(index), m_correctlyConstructed(true) {}

  // Exact lookup of a child's local name; on a miss `childState` is left untouched.
  bool getChildState(const std::wstring& localName, ChildState& childState) const;

  int getStateIndex() const { return m_stateIndex; }
  bool wasCorrectlyConstructed() const { return m_correctlyConstructed; }
  const ChildStateMap& getChildStates() const { return m_childStates; }

  static std::vector<ChildrenStates>& getChildrenStatesVector();
  // The registry entry at `index`, which must be correctly constructed.
  static const ChildrenStates& getChildrenStates(int index);

 private:
  ChildStateMap m_childStates;
  int m_stateIndex;
  bool m_correctlyConstructed;
};

#endif  // STYLEWARDEN_CHILDSTATE_H
