// Stable variablesReference numbers within one stop.
#include "variable_table.h"

int VariableTable::reference(const VariableContainer& container) {
  auto found = numbers_.find(container);
  if (found != numbers_.end()) return found->second;
  int number = next_++;
  numbers_.emplace(container, number);
  containers_.emplace(number, container);
  return number;
}

const VariableContainer* VariableTable::find(int reference) const {
  auto found = containers_.find(reference);
  return found == containers_.end() ? nullptr : &found->second;
}

void VariableTable::clear() {
  numbers_.clear();
  containers_.clear();
}

void VariableTable::forget(int thread) {
  for (auto number = numbers_.begin(); number != numbers_.end();) {
    if (number->first.thread != thread) {
      ++number;
      continue;
    }
    containers_.erase(number->second);
    number = numbers_.erase(number);
  }
}
