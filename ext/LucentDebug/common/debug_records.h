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
  // What an editor shows: "array(3)", the object's class, a string's bytes
  // whole (NUL bytes included), otherwise the value.
  std::string display;
  std::string className;  // an object's class, empty for other values
  // Children of an array or object, by key kind, counted without listing them.
  int32_t indexedCount = 0;
  int32_t namedCount = 0;
  std::string visibility;  // "public", "protected" or "private" for a property
  bool isStatic = false;   // a static property of the class
};

struct Subframe {
  std::string file;
  int32_t lineno = 0;
  std::string where;
};

struct Frame {
  std::string file;  // file URL, or a plain path
  int32_t lineno = 0;
  std::string where;          // function name, "__main__" at the top level
  Subframe data;              // spare; the engine leaves it empty
  std::string className;      // the method's class, empty for a function
  std::string qualifiedName;  // Class->method, Class::method, or `where`
};

// Which children of a value to list: `count` entries (0: all) from entry
// `start`; with `statics`, the static properties of an object's class
// instead of the object's own properties.
struct ChildRange {
  uint32_t start = 0;
  uint32_t count = 0;
  bool statics = false;
};

// Why the script is stopped.
struct StopInfo {
  std::string reason;   // "entry", "step", "breakpoint", "function", "error", "exception", "pause"
  long breakpoint = 0;  // the breakpoint that stopped, 0 if none
  std::string type;     // error type as the engine names it, or the exception's class
  std::string message;
  std::string file;
  int32_t line = 0;
};

// At which thrown exceptions to stop.
struct ExceptionFilter {
  bool all = false;       // every thrown exception
  bool uncaught = false;  // those no enclosing try/catch catches
  // Class or interface names (namespaced, a leading "\" optional, any letter
  // case); the exception must be an instance of one. Empty: any class.
  std::vector<std::string> classes;
};

// The request being debugged, so that an IDE serving many can tell them apart.
struct RequestInfo {
  std::string sapi;    // the host's interface name: "fpm-fcgi", "apache2handler", "cli", ...
  std::string method;  // "GET", ...; empty under the command line
  std::string uri;     // the request's URI, or the script path under the command line
  std::string script;  // absolute path of the main script
  int32_t pid = 0;
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
