// Names of the entries of arrays, objects and scopes as front ends show them,
// and the variable paths those names spell.
#ifndef LUCENTDEBUG_VALUE_NAMES_H
#define LUCENTDEBUG_VALUE_NAMES_H

#include <string>
#include <vector>

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

// A PHP double-quoted string literal holding exactly `text` (NUL bytes included).
std::string QuotedKey(const std::string& text);

// Full name of the array element with a string key: $a["k"], quoted so that
// any key reads back as itself.
std::string ElementFullName(const std::string& parentName, const std::string& key);

// Full name of the object property stored under `key` (which may be a
// private or protected property's mangled name): $o->p when `shownName` is
// an identifier that names one property only, otherwise $o->{"<key>"}.
std::string PropertyFullName(const std::string& parentName, const std::string& key,
                             const std::string& shownName, bool shownNameIsUnique);

// One step of a variable path: an array element or an object property.
struct PathStep {
  enum Kind { kElement, kProperty };
  Kind kind = kElement;
  bool integerKey = false;
  long index = 0;
  std::string key;  // string key or property name, escapes already decoded
};

// A path that reads a value straight from a scope's tables without running
// code: $a, $a["k"][2], $o->p['k'], $o->{"\0A\0p"}, Cls::$s, self::$s.
struct VariablePath {
  std::string className;  // empty for a variable of the scope
  std::string variable;   // without the "$"
  std::vector<PathStep> steps;
};

// True when the whole text is such a path; false for anything else, which
// then needs evaluating (calls, operators, string offsets of interpolated
// keys, and so on).
bool ParseVariablePath(const std::string& text, VariablePath* path);

#endif  // LUCENTDEBUG_VALUE_NAMES_H
