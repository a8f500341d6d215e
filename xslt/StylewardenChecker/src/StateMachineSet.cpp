// The registered machines, kept sorted by version.
#include "StateMachineSet.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "AttributeValidator.h"

namespace {

struct Machine {
  long double version;
  StateTables* tables;
};

// Filled at start-up, read-only while stylesheets are checked.
std::vector<Machine>& Machines() {
  static std::vector<Machine> machines;
  return machines;
}

std::vector<std::unique_ptr<StateTables>>& OwnedTables() {
  static std::vector<std::unique_ptr<StateTables>> owned;
  return owned;
}

}  // namespace

StateTables& StateMachineSet::add(long double version) {
  StateTables* tables = &DefaultStateTables();
  if (!Machines().empty()) {
    OwnedTables().push_back(std::make_unique<StateTables>());
    tables = OwnedTables().back().get();
  }
  std::vector<Machine>& machines = Machines();
  machines.push_back(Machine{version, tables});
  std::stable_sort(machines.begin(), machines.end(),
                   [](const Machine& a, const Machine& b) { return a.version < b.version; });
  return *tables;
}

bool StateMachineSet::empty() { return Machines().empty(); }

void StateMachineSet::selectFor(const std::wstring& version) {
  const std::vector<Machine>& machines = Machines();
  if (machines.empty()) {
    return;
  }
  StateTables* chosen = machines.front().tables;
  long double number = 0;
  if (ParseVersionNumber(version, number)) {
    for (const Machine& machine : machines) {
      if (machine.version <= number) {
        chosen = machine.tables;
      }
    }
  }
  SetActiveStateTables(chosen);
}
