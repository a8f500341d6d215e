// The three registries of one state machine, and which machine the lookups of the current
// thread read. One process may hold several machines (one per XSLT version); every
// registry accessor reads the active one.
#ifndef STYLEWARDEN_STATETABLES_H
#define STYLEWARDEN_STATETABLES_H

#include <vector>

#include "AttributeSetValidator.h"
#include "ChildState.h"
#include "ElementState.h"

struct StateTables {
  std::vector<ElementState> elementStates;
  std::vector<ChildrenStates> childrenStates;
  std::vector<AttributeSetValidator> attributeSets;
};

// The tables the registry accessors of this thread read: the process-wide default tables
// unless another set was made active.
StateTables& ActiveStateTables();
// Makes `tables` active on this thread; null makes the default tables active again.
void SetActiveStateTables(StateTables* tables);
StateTables& DefaultStateTables();

#endif  // STYLEWARDEN_STATETABLES_H
