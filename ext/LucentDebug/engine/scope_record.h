// Where a scope stands: the compiled code, the instruction and the frame whose
// variables it sees; and where the last statement was met.
#ifndef LUCENTDEBUG_SCOPE_RECORD_H
#define LUCENTDEBUG_SCOPE_RECORD_H

extern "C" {
#include "php.h"
}

// Built at a stop from the host's live chain of frames and dropped when the
// script goes on, so it never outlives the frame it names.
struct ScopeRecord {
  zend_op_array* opArray = nullptr;
  const zend_op* opline = nullptr;
  // PHP 8 keeps a function's variables in its zend_execute_data; the table of
  // variables is built from it on demand (zend_rebuild_symbol_table).
  zend_execute_data* executeData = nullptr;
  // Set, without a frame, for the script's top-level table (EG(symbol_table)).
  HashTable* symbolTable = nullptr;
  const char* functionName = nullptr;

  bool hasVariables() const { return executeData != nullptr || symbolTable != nullptr; }
};

// One passage through a line: statements met later in the same frame and op
// array, on the same line and further on in the code, belong to it.
struct StatementPass {
  const zend_execute_data* frame = nullptr;
  const zend_op* opcodes = nullptr;
  const zend_op* marker = nullptr;
  uint32_t line = 0;
};

#endif  // LUCENTDEBUG_SCOPE_RECORD_H
