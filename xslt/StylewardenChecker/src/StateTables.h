// The three registries of one state machine, and which machine the lookups of the current
// thread read. One process may hold several machines (one per XSLT version); every
// registry accessor reads the active one.
#ifndef STYLEWARDEN_STATETABLES_H
#define STYLEWARDEN_STATETABLES_H

#include <functional>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "AttributeSetValidator.h"
#include "ChildState.h"
#include "ElementState.h"

struct StateTables;

// Fills a machine's tables when a check first reads them, once, whichever thread comes
// first: a set of state files need not build the machines of versions no stylesheet uses.
class DeferredStateTables {
 public:
  // `fill` fills the tables or throws (std::bad_alloc), leaving them empty to try again.
  explicit DeferredStateTables(std::function<void(StateTables&)> fill) : m_fill(std::move(fill)) {}
  void fillOnce(StateTables& tables) const { std::call_once(m_filled, m_fill, tables); }

 private:
  mutable std::once_flag m_filled;
  std::function<void(StateTables&)> m_fill;
};

struct StateTables {
  std::vector<ElementState> elementStates;
  std::vector<ChildrenStates> childrenStates;
  std::vector<AttributeSetValidator> attributeSets;
  // Set before any check for tables filled on first use; null for tables filled up front.
  std::shared_ptr<const DeferredStateTables> deferred;
};

// The tables the registry accessors of this thread read: the process-wide default tables
// unless another set was made active.
StateTables& ActiveStateTables();
// Makes `tables` active on this thread; null makes the default tables active again.
void SetActiveStateTables(StateTables* tables);
StateTables& DefaultStateTables();

#endif  // STYLEWARDEN_STATETABLES_H
