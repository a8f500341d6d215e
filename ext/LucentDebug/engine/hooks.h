// The engine's statement and call hooks, the stop decision and "ludbg_break".
#ifndef LUCENTDEBUG_HOOKS_H
#define LUCENTDEBUG_HOOKS_H

extern "C" {
#include "php.h"
}

extern "C" {
void OPArrayHandler(zend_op_array* opArray);
void StatementHandler(zend_execute_data* frame);
void FunctionBeginHandler(zend_execute_data* frame);
void FunctionEndHandler(zend_execute_data* frame);

// Stops when a breakpoint or the resume mode says so.
void luDebuggerInterract(zend_op_array* opArray, const zend_op* instruction);
// One interaction with the attached front end.
void luInterract();
// Same as luInterract, with the script's time limit suspended.
void luInterractSuspended();
void luResumeExecution(int mode);
}

// Forgets the local paths of compiled file names kept for the breakpoint test.
void luForgetLocalPaths();
// Resets the stepping state at request start.
void luResetStepping();
// Releases the stepping state at request end.
void luReleaseStepping();

#endif  // LUCENTDEBUG_HOOKS_H
