// Evaluation and variable listing in a scope of the stopped script.
#ifndef LUCENTDEBUG_EVALUATION_H
#define LUCENTDEBUG_EVALUATION_H

#include "debug_records.h"
#include "scope_record.h"

// Evaluates the expression in the scope's variables; 0 on success, 1 on failure.
int luEval(PropertyInfo* out, const char* expression, const ScopeRecord& scope, int translate);
int luEvalGetChildren(PropertyInfoVector* out, const char* expression, const ScopeRecord& scope);
// One entry per variable of the scope, then per static variable of its function.
void luGetContext(PropertyInfoVector* out, const ScopeRecord& scope);

#endif  // LUCENTDEBUG_EVALUATION_H
