// A scope's variables are read by making its frame the executing one
// (EG(current_execute_data)) for the time of a zend_rebuild_symbol_table or
// zend_eval_stringl call, which is what PHP 8 offers in place of switching the
// active symbol table.
#include "evaluation.h"

#include <cstring>

#include "php_lucentdebug.h"
#include "value_translation.h"

extern "C" {
#include "zend_exceptions.h"
}

namespace {

// Runs with the scope's frame as the executing one and puts the real one back.
class FrameSwitch {
 public:
  explicit FrameSwitch(zend_execute_data* frame) : saved_(EG(current_execute_data)) {
    EG(current_execute_data) = frame;
  }
  ~FrameSwitch() { EG(current_execute_data) = saved_; }
  FrameSwitch(const FrameSwitch&) = delete;
  FrameSwitch& operator=(const FrameSwitch&) = delete;

 private:
  zend_execute_data* saved_;
};

// zend_eval_stringl inside a bail-out guard: a fatal error in the expression
// must not unwind through the front end. Plain C data only around the jump.
int GuardedEval(const char* expression, zval* result, bool* bailedOut) {
  volatile int status = FAILURE;
  zend_try { status = zend_eval_stringl(expression, strlen(expression), result, "luEval()"); }
  zend_catch {
    *bailedOut = true;
    status = FAILURE;
  }
  zend_end_try();
  return status;
}

// Evaluates in the scope's frame, leaving the script's pending exception, its
// frame's instruction and the executing frame as they were.
bool EvaluateIn(const ScopeRecord& scope, const char* expression, zval* result) {
  // Without a frame (the top-level table) the host evaluates in EG(symbol_table).
  zend_execute_data* frame = scope.executeData;
  const zend_op* savedOpline = frame != nullptr ? frame->opline : nullptr;
  const zend_op* savedBeforeException = EG(opline_before_exception);
  zend_object* pendingException = EG(exception);
  zend_object* pendingPrevious = EG(prev_exception);
  EG(exception) = nullptr;
  EG(prev_exception) = nullptr;
  zend_execute_data* savedFrame = EG(current_execute_data);
  EG(current_execute_data) = frame;

  bool bailedOut = false;
  int status = GuardedEval(expression, result, &bailedOut);
  if (bailedOut) LUDBG_G(evalBailedOut) = true;
  if (EG(exception) != nullptr) {
    zend_clear_exception();
    status = FAILURE;
  }

  EG(current_execute_data) = savedFrame;
  if (frame != nullptr) frame->opline = savedOpline;
  EG(opline_before_exception) = savedBeforeException;
  EG(exception) = pendingException;
  EG(prev_exception) = pendingPrevious;
  return status == SUCCESS;
}

int DoEval(PropertyInfo* record, PropertyInfoVector* children, const char* expression,
           const ScopeRecord& scope, int translate) {
  if (!scope.hasVariables() || LUDBG_G(evalBailedOut)) return 1;
  LUDBG_G(inEval) = 1;
  zval result;
  ZVAL_EMPTY_STRING(&result);
  int code = 1;
  if (EvaluateIn(scope, expression, &result)) {
    code = 0;
    if (translate && children != nullptr) {
      TranslateZValToPropertyInfoVector(*children, expression, &result);
    } else if (translate && record != nullptr) {
      TranslateZValToPropertyInfo(*record, expression, &result);
    }
  }
  zval_ptr_dtor(&result);
  if (LUDBG_G(evalError) != nullptr) {
    efree(LUDBG_G(evalError));
    LUDBG_G(evalError) = nullptr;
  }
  LUDBG_G(inEval) = 0;
  return code;
}

}  // namespace

int luEval(PropertyInfo* out, const char* expression, const ScopeRecord& scope, int translate) {
  return DoEval(out, nullptr, expression, scope, translate);
}

int luEvalGetChildren(PropertyInfoVector* out, const char* expression, const ScopeRecord& scope) {
  return DoEval(nullptr, out, expression, scope, 1);
}

void luGetContext(PropertyInfoVector* out, const ScopeRecord& scope) {
  if (scope.executeData == nullptr) {
    if (scope.symbolTable != nullptr) HashToVector(*out, scope.symbolTable, nullptr, nullptr);
    return;
  }
  HashTable* variables;
  {
    FrameSwitch frameSwitch(scope.executeData);
    variables = zend_rebuild_symbol_table();
  }
  if (variables == nullptr) return;
  HashToVector(*out, variables, nullptr, nullptr);
  const zend_function* function = scope.executeData->func;
  if (function == nullptr || !ZEND_USER_CODE(function->type)) return;
  const zend_op_array& opArray = function->op_array;
  if (opArray.static_variables == nullptr) return;
  HashTable* statics = static_cast<HashTable*>(ZEND_MAP_PTR_GET(opArray.static_variables_ptr));
  if (statics == nullptr) statics = opArray.static_variables;
  HashToVector(*out, statics, nullptr, nullptr);
}
