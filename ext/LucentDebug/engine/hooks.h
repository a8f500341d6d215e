// The engine's statement hook, the stop decision, stepping and the frames
// view that the front ends read while the script is stopped.
#ifndef LUCENTDEBUG_HOOKS_H
#define LUCENTDEBUG_HOOKS_H

extern "C" {
#include "php.h"
}

extern "C" {
void OPArrayHandler(zend_op_array* opArray);
// Forgets an op array whose instructions are being released.
void OPArrayDestroyed(zend_op_array* opArray);

// One interaction with the attached front end.
void luInterract();
// Same as luInterract, with the script's time limit suspended.
void luInterractSuspended();
// Sets the resume mode and records the frame and depth it was chosen at.
void luResumeExecution(int mode);
// Sets the resume mode without recording where (request start, error stops,
// "ludbg_break").
void luSetStepMode(int mode);
}

// Module start: the slot of op_array->reserved that tags files calling
// "ludbg_break".
void luReserveOpArraySlot();
// Request start: the host's compilers, of files and of eval'd code, run
// through the engine's (installed once, kept until module shutdown).
void luInstallCompileHooks();
// Module shutdown: the host's compilers back.
void luRemoveCompileHooks();
// Request start with hooks on: code compiled from now on carries statement
// markers, unless opcache serves the request (its shared code stays as it is).
void luStartHooks();
// This request has a debugging session: from now on it compiles marked code of
// its own (opcache is turned off for the rest of it) and its statements reach
// the stop decision. Call it as soon as the session is known, before the
// script is compiled, so that all of it can stop.
void luStartSession();
// Request end: markers off, the host's handler back.
void luEndHooks();
// Statement markers on this line of this file (a local path, symbolic links
// resolved) must reach the stop decision again.
void luWatchLine(const char* path, int line);
// Every statement marker must reach the stop decision again (a function
// breakpoint was added).
void luWatchAllStatements();
// Resets the stepping state at request start.
void luResetStepping();
// Releases the stepping state at request end.
void luReleaseStepping();

#endif  // LUCENTDEBUG_HOOKS_H
