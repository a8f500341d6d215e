// Turns PHP values into the debug records the front ends show.
#ifndef LUCENTDEBUG_VALUE_TRANSLATION_H
#define LUCENTDEBUG_VALUE_TRANSLATION_H

extern "C" {
#include "php.h"
}

#include "debug_records.h"

// Fills type, value and hasChildren; the record's names stay as they were.
void TranslateZVal(PropertyInfo& info, zval* value);
// Names the record after the expression, then translates the value.
void TranslateZValToPropertyInfo(PropertyInfo& info, const char* expression, zval* value);
// One record per array element or object property; nothing for other values.
void TranslateZValToPropertyInfoVector(PropertyInfoVector& out, const char* expression,
                                       zval* value);
// One record per entry of the table, in the table's order, without moving the
// script's own array pointer. Without a parent the entries are variables ($x).
void HashToVector(PropertyInfoVector& out, HashTable* table, const char* parentName, zval* parent);

#endif  // LUCENTDEBUG_VALUE_TRANSLATION_H
