// Turns PHP values into the debug records the front ends show. Values are
// read where they lie: nothing is copied, released or called.
#ifndef LUCENTDEBUG_VALUE_TRANSLATION_H
#define LUCENTDEBUG_VALUE_TRANSLATION_H

extern "C" {
#include "php.h"
}

#include "debug_records.h"

// Sets the script's pending exception aside while the debugger runs host
// code in `frame` (the executing one), and drops whatever that code throws:
// the script goes on as it would have. zend_clear_exception moves the
// frame's instruction, which is put back as well.
class ExceptionIsolation {
 public:
  explicit ExceptionIsolation(zend_execute_data* frame);
  ~ExceptionIsolation();
  ExceptionIsolation(const ExceptionIsolation&) = delete;
  ExceptionIsolation& operator=(const ExceptionIsolation&) = delete;
  // True when the code run since threw; the exception is gone.
  bool ClearThrown();

 private:
  zend_execute_data* frame_;
  const zend_op* opline_;
  const zend_op* oplineBeforeException_;
  zend_object* exception_;
  zend_object* previousException_;
};

// The table an object shows its contents in: the host's debug view
// (zend_get_properties_for with ZEND_PROP_PURPOSE_DEBUG, which var_dump
// reads), so that DateTime or ArrayObject show what they hold. A class whose
// __debugInfo is the script's own code gets its plain property table instead:
// reading must not run the script's code. The view lives as long as this.
class ObjectPropertyView {
 public:
  explicit ObjectPropertyView(zval* object);
  ~ObjectPropertyView();
  ObjectPropertyView(const ObjectPropertyView&) = delete;
  ObjectPropertyView& operator=(const ObjectPropertyView&) = delete;
  HashTable* table() const { return table_; }

 private:
  HashTable* table_ = nullptr;
  bool held_ = false;  // the host handed a reference that must be given back
};

// References and indirect slots resolved to the value they lead to.
zval* ResolveValue(zval* value);

// Fills type, value, hasChildren, display, className and the child counts;
// the record's names and visibility stay as they were.
void TranslateZVal(PropertyInfo& info, zval* value);
// Names the record after the expression, then translates the value.
void TranslateZValToPropertyInfo(PropertyInfo& info, const char* expression, zval* value);
// One record per array element or object property; nothing for other values.
void TranslateZValToPropertyInfoVector(PropertyInfoVector& out, const char* expression, zval* value,
                                       const ChildRange& range = ChildRange());
// One record per entry of the table, in the table's order, without moving the
// script's own array pointer. Without a parent the entries are variables ($x).
// Only the entries in `range` are translated.
void HashToVector(PropertyInfoVector& out, HashTable* table, const char* parentName, zval* parent,
                  const ChildRange& range = ChildRange());
// The record of one scope variable named $<name>.
void AppendVariable(PropertyInfoVector& out, const char* name, zval* value);

#endif  // LUCENTDEBUG_VALUE_TRANSLATION_H
