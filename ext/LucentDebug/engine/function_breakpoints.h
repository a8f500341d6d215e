// Function breakpoints: stop at the first statement of a function or method
// named as PHP names it ("foo", "App\\foo", "App\\Model\\User::save", also
// written "User->save"), compared without regard to letter case.
#ifndef LUCENTDEBUG_FUNCTION_BREAKPOINTS_H
#define LUCENTDEBUG_FUNCTION_BREAKPOINTS_H

#include <string>

extern "C" {
#include "php.h"
}

// Adds a breakpoint on the function `name` that stops only where `condition`
// (a PHP expression; empty for none) holds. Returns its number, taken from
// the line breakpoints' numbering, or 0 when the name is empty or malformed.
long luAddFunctionBreakpoint(const std::string& name, const std::string& condition);
// Removes function breakpoint `id`; false when there is none.
bool luRemoveFunctionBreakpoint(long id);
void luClearFunctionBreakpoints();
bool luHasFunctionBreakpoints();
// The number of the function breakpoint that stops at this statement of
// `frame` (its function's first statement), or 0.
long luFunctionBreakpointAt(zend_execute_data* frame, const zend_op_array* opArray,
                            const zend_op* marker, const zend_op* statement);

#endif  // LUCENTDEBUG_FUNCTION_BREAKPOINTS_H
