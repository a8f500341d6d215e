// How the engine's records look in the editor: the text, type and hints of a
// DAP variable, and the names of stack frames.
#ifndef LUCENTDEBUG_DAP_VALUE_PRESENTATION_H
#define LUCENTDEBUG_DAP_VALUE_PRESENTATION_H

#include <nlohmann/json.hpp>
#include <string>

#include "debug_records.h"

// The DAP type of an engine type ("IS_LONG" -> "int"); unknown ones unchanged.
std::string PresentedType(const std::string& engineType);

// The value as PHP code writes it, so that it can be typed back into
// setVariable: `null`, `true`, quoted strings with `"`, `\` and `$` escaped
// (bytes the engine wrote as \xNN stay so, which PHP reads back as the byte),
// `array(3)`, an object's class name; engines without counts give `array`.
std::string PresentedValue(const PropertyInfo& info);

// A DAP variable without its variablesReference: name, value, type,
// evaluateName, and where the record says so presentationHint (visibility,
// the static attribute) and the counts of children: indexedVariables for a
// list of integer keys only (editors page those by index), namedVariables
// for the others.
nlohmann::json PresentedVariable(const PropertyInfo& info);

// Whether the editor was told to page the children of `info` by index.
bool PagedByIndex(const PropertyInfo& info);

// A frame's name in the call stack: `Cls->method`, `Cls::method`, or the
// function's (engines that do not qualify names: the function's).
std::string PresentedFrameName(const Frame& frame);

#endif  // LUCENTDEBUG_DAP_VALUE_PRESENTATION_H
