// Where a scope stands: the compiled code, the instruction and the frame whose
// variables it sees.
#ifndef LUCENTDEBUG_SCOPE_RECORD_H
#define LUCENTDEBUG_SCOPE_RECORD_H

extern "C" {
#include "php.h"
}

struct ScopeRecord {
  zend_op_array* opArray = nullptr;
  const zend_op* opline = nullptr;
  // PHP 8 keeps a function's variables in its zend_execute_data; the table of
  // variables is built from it on demand (zend_rebuild_symbol_table).
  zend_execute_data* executeData = nullptr;
  const char* functionName = nullptr;
};

#endif  // LUCENTDEBUG_SCOPE_RECORD_H
