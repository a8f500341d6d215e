// Evaluation and variable listing in a scope of the stopped script.
#ifndef LUCENTDEBUG_EVALUATION_H
#define LUCENTDEBUG_EVALUATION_H

#include <string>

#include "debug_records.h"
#include "scope_record.h"

// Evaluates the expression in the scope's variables; 0 on success, 1 on failure.
int luEval(PropertyInfo* out, const char* expression, const ScopeRecord& scope, int translate);
// The children of the expression's value in `range`.
int luEvalGetChildren(PropertyInfoVector* out, const char* expression, const ScopeRecord& scope,
                      const ChildRange& range = ChildRange());
// Assigns the value of the expression `value` to `target`; false, with the
// reason, when the assignment fails (a parse error, a thrown error) or the
// scope has no variables. A property path ($o->p, $o->{"\0A\0p"}) is written
// with the rights of the property's class.
bool luAssign(const ScopeRecord& scope, const std::string& target, const std::string& value,
              std::string* error);
enum class ConditionResult { kFalse, kTrue, kFailed };
// Evaluates a breakpoint condition as a boolean in the current statement's
// scope. Errors of the expression are neither shown nor turned into stops of
// their own: reporting is off and the engine counts as interacting meanwhile.
ConditionResult luEvalCondition(const std::string& condition);
// One entry per variable of the scope, then per static variable of its function.
void luGetContext(PropertyInfoVector* out, const ScopeRecord& scope);

#endif  // LUCENTDEBUG_EVALUATION_H
