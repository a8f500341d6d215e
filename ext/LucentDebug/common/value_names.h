// Names of the entries of arrays, objects and scopes as front ends show them.
#ifndef LUCENTDEBUG_VALUE_NAMES_H
#define LUCENTDEBUG_VALUE_NAMES_H

#include <string>

// Kind of the value that holds an entry; kParentNone for a scope's variables.
enum ParentType {
  kParentNone = 0,
  kParentArray = 4,
  kParentObject = 5,
  kParentConstantArray = 9,
};

enum KeyKind { kStringKey = 1, kIntegerKey = 2 };

// ["key"] or [3] inside arrays, the bare key elsewhere; "$" in front for
// a scope's variables.
std::string makename(int keyKind, int parentType, const char* stringKey, long integerKey);

// $a["k"], $a[3], $o->p, or the short name itself.
std::string makefullname(int parentType, const std::string& parentName,
                         const std::string& shortName);

#endif  // LUCENTDEBUG_VALUE_NAMES_H
