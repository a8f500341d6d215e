// How engine values are shown to the editor: the way PHP code writes them, so
// that what the user sees can be typed back into setVariable, with the hints
// and counts of a DAP variable and the names of stack frames.
#ifndef LUCENTDEBUG_DAP_VALUE_DISPLAY_H
#define LUCENTDEBUG_DAP_VALUE_DISPLAY_H

#include <nlohmann/json.hpp>
#include <string>

#include "debug_records.h"

// PHP's name of an engine type ("IS_LONG" is "int").
std::string DisplayType(const std::string& engineType);
// The type an editor shows: an object's class, else DisplayType.
std::string DisplayType(const PropertyInfo& info);
// `null`, `true`, quoted strings with `"`, `\` and `$` escaped (bytes the
// engine wrote as \xNN stay so, which PHP reads back as the byte),
// `array(3)`, an object's class name; engines without counts give `array`
// and `object`.
std::string DisplayValue(const PropertyInfo& info);
// Whether an evaluation found a value: the engine leaves the type unknown
// when the expression did not evaluate.
inline bool Evaluated(const PropertyInfo& info) { return info.type != "IS_UNKNOWN"; }

// The members of a DAP variable that the record gives where it says so:
// presentationHint (visibility, the static attribute) and the counts of
// children, indexedVariables for a list of integer keys only (editors page
// those by index), namedVariables for the others.
nlohmann::json VariableHints(const PropertyInfo& info);
// Whether VariableHints told the editor to page the children by index.
bool PagedByIndex(const PropertyInfo& info);

// A frame's name in the call stack: `Cls->method`, `Cls::method`, or the
// function's (engines that do not qualify names: the function's).
std::string FrameName(const Frame& frame);

#endif  // LUCENTDEBUG_DAP_VALUE_DISPLAY_H
