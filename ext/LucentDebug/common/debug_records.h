// Plain value records through which the engine hands values and stack frames
// to its front ends. All strings are byte strings; no encoding is applied.
#ifndef LUCENTDEBUG_DEBUG_RECORDS_H
#define LUCENTDEBUG_DEBUG_RECORDS_H

#include <cstdint>
#include <string>
#include <vector>

struct Name {
  std::string name;      // $x, ["key"], [3], a bare property name, or expression text
  std::string fullName;  // reaches the same value from the scope: $a["key"], $o->p
};

struct PropertyInfo {
  Name name;
  std::string value;
  std::string type;  // "IS_LONG", ..., or "IS_UNKNOWN" when nothing was evaluated
  bool hasChildren = false;
};

struct Subframe {
  std::string file;
  int32_t lineno = 0;
  std::string where;
};

struct Frame {
  std::string file;  // file URL, or a plain path
  int32_t lineno = 0;
  std::string where;  // function name, "__main__" at the top level
  Subframe data;      // spare; the engine leaves it empty
};

// Where a breakpoint stands once its file is compiled.
struct BreakpointResolution {
  int id = 0;
  std::string file;      // as asked
  int line = 0;          // as asked
  int resolvedLine = 0;  // where it stops; 0 while its file is not compiled
  bool verified = true;  // false when its compiled file can stop nowhere at or after `line`
};

using PropertyInfoVector = std::vector<PropertyInfo>;
using FrameVector = std::vector<Frame>;

#endif  // LUCENTDEBUG_DEBUG_RECORDS_H
