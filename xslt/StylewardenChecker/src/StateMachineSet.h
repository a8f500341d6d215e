// A set of state machines, one per XSLT version, and the choice among them by the version a
// stylesheet declares: the machine of the highest version not above it, else the lowest.
// Without a set (one state file) every stylesheet is checked by the default tables.
#ifndef STYLEWARDEN_STATEMACHINESET_H
#define STYLEWARDEN_STATEMACHINESET_H

#include <string>

#include "StateTables.h"

class StateMachineSet {
 public:
  // Tables for stylesheets of `version` up to the next version in the set. Each call after
  // the first returns fresh tables owned by the set; the first returns the default tables.
  static StateTables& add(long double version);
  static bool empty();
  // Makes the machine for a stylesheet whose version attribute reads `version` active on
  // this thread; a value that is not a number, or none, chooses the lowest version.
  static void selectFor(const std::wstring& version);
};

#endif  // STYLEWARDEN_STATEMACHINESET_H
