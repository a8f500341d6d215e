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

// The request being debugged, so that an IDE serving many can tell them apart.
struct RequestInfo {
  std::string sapi;    // the host's interface name: "fpm-fcgi", "apache2handler", "cli", ...
  std::string method;  // "GET", ...; empty under the command line
  std::string uri;     // the request's URI, or the script path under the command line
  std::string script;  // absolute path of the main script
  int32_t pid = 0;
};

using PropertyInfoVector = std::vector<PropertyInfo>;
using FrameVector = std::vector<Frame>;

#endif  // LUCENTDEBUG_DEBUG_RECORDS_H
