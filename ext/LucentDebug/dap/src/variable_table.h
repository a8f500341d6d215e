// variablesReference numbers of one stop: each names a container of variables
// (a scope of a frame, or a structured value reached by an expression).
#ifndef LUCENTDEBUG_DAP_VARIABLE_TABLE_H
#define LUCENTDEBUG_DAP_VARIABLE_TABLE_H

#include <map>
#include <string>
#include <tuple>

struct VariableContainer {
  std::string context;     // "locals" or "globals"
  int depth = 0;           // frame index, innermost 0
  std::string expression;  // empty for the whole scope, else the value's full name
  // What the value is, for listing its children (not part of its identity).
  bool pagedByIndex = false;  // the editor pages its children by index
  bool isObject = false;      // it has a class, whose static properties it lists too

  bool operator<(const VariableContainer& other) const {
    return std::tie(context, depth, expression) <
           std::tie(other.context, other.depth, other.expression);
  }
};

class VariableTable {
 public:
  // The number of `container`, the same one for the same container until clear().
  int reference(const VariableContainer& container);
  // Null for a number of an earlier stop or one never handed out.
  const VariableContainer* find(int reference) const;
  // Forgets every number; later numbers never repeat earlier ones, so a client
  // asking with a stale number gets an error rather than another stop's values.
  void clear();

 private:
  int next_ = 1;
  std::map<VariableContainer, int> numbers_;
  std::map<int, VariableContainer> containers_;
};

#endif  // LUCENTDEBUG_DAP_VARIABLE_TABLE_H
