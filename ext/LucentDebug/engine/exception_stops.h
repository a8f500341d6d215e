// Stops at thrown exceptions, where they are thrown, before the host unwinds
// a single frame: the host's throw hook (zend_throw_exception_hook) runs with
// the throwing frame still current and the exception pending.
#ifndef LUCENTDEBUG_EXCEPTION_STOPS_H
#define LUCENTDEBUG_EXCEPTION_STOPS_H

#include "debug_records.h"

// Replaces the request's filter; both flags false (the start of every
// request) stops at no exception.
void luSetExceptionFilter(const ExceptionFilter& filter);
// True, once, when the error the host raises for an uncaught exception
// follows a stop made for that exception at its throw: that error then
// does not stop again.
bool luTakeUncaughtStop();
// After a compile: stops, as at its throw, for the exception the compiler
// threw (a ParseError), when the filter asks for it.
void luStopAtCompileError();

extern "C" {
void luInstallExceptionHook();
void luRemoveExceptionHook();
}

#endif  // LUCENTDEBUG_EXCEPTION_STOPS_H
