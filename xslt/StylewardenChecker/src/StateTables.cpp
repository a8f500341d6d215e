// The default tables and the per-thread choice of tables.
#include "StateTables.h"

namespace {

// A pointer per thread: checks on several threads may use different machines at once.
thread_local StateTables* activeTables = nullptr;

}  // namespace

StateTables& DefaultStateTables() {
  static StateTables tables;
  return tables;
}

StateTables& ActiveStateTables() {
  StateTables& tables = activeTables == nullptr ? DefaultStateTables() : *activeTables;
  if (tables.deferred != nullptr) {
    tables.deferred->fillOnce(tables);
  }
  return tables;
}

void SetActiveStateTables(StateTables* tables) { activeTables = tables; }
