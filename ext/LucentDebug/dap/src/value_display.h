// How engine values are shown to the editor: the way PHP code writes them, so
// that what the user sees can be typed back into setVariable.
#ifndef LUCENTDEBUG_DAP_VALUE_DISPLAY_H
#define LUCENTDEBUG_DAP_VALUE_DISPLAY_H

#include <string>

#include "debug_records.h"

// PHP's name of an engine type ("IS_LONG" is "int").
std::string DisplayType(const std::string& engineType);
std::string DisplayValue(const PropertyInfo& info);
// Whether an evaluation found a value: the engine leaves the type unknown
// when the expression did not evaluate.
inline bool Evaluated(const PropertyInfo& info) { return info.type != "IS_UNKNOWN"; }

#endif  // LUCENTDEBUG_DAP_VALUE_DISPLAY_H
