// variablesReference (and stack frame) numbers of the threads' stops: each
// names a container of variables (a scope of a frame, or a structured value
// reached by an expression) or a frame of one thread.
#ifndef LUCENTDEBUG_DAP_VARIABLE_TABLE_H
#define LUCENTDEBUG_DAP_VARIABLE_TABLE_H

#include <map>
#include <string>
#include <tuple>

struct VariableContainer {
  std::string context;     // "locals" or "globals"; empty for a stack frame
  int depth = 0;           // frame index, innermost 0
  std::string expression;  // empty for the whole scope, else the value's full name
  int thread = 0;          // the request whose stop it belongs to
  // What the value is, for listing its children (not part of its identity).
  bool pagedByIndex = false;  // the editor pages its children by index
  bool isObject = false;      // it has a class, whose static properties it lists too

  bool operator<(const VariableContainer& other) const {
    return std::tie(thread, context, depth, expression) <
           std::tie(other.thread, other.context, other.depth, other.expression);
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
  // Forgets the numbers of one thread's containers (it went on).
  void forget(int thread);

 private:
  int next_ = 1;
  std::map<VariableContainer, int> numbers_;
  std::map<int, VariableContainer> containers_;
};

#endif  // LUCENTDEBUG_DAP_VARIABLE_TABLE_H
