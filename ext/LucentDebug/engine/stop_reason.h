// Why the script is stopped, as the front ends report it: the reason of the
// current stop and what caused it (breakpoint number, error or exception).
#ifndef LUCENTDEBUG_STOP_REASON_H
#define LUCENTDEBUG_STOP_REASON_H

#include "debug_records.h"

// Request start: the first stop is the entry; no breakpoint is noted.
void luResetStopInfo();
// The reason the stops that the step mode makes from now on give ("step"
// after a resume, "breakpoint" after "ludbg_break", "pause").
void luSetStepReason(const char* reason);
// The statement stop about to happen is made by breakpoint `id`, a line
// breakpoint ("breakpoint") or a function breakpoint ("function").
void luNoteBreakpointStop(long id, const char* reason);
// Called by the statement stop: takes the noted breakpoint, or else the step
// mode's reason, as the current stop's.
void luTakeStopReason();
// The current stop is an error or an exception.
void luNoteErrorStop(const char* reason, const char* type, const char* message, const char* file,
                     int line);
// The reason of the current stop; valid while stopped.
const StopInfo& luGetStopInfo();

extern "C" {
// Stops the script where it is now, with reason "pause": the front end is
// served at once from the frames of the live chain (each frame at its own
// instruction). Call on the request's thread only, from the host's VM
// interrupt (zend_interrupt_function) or a statement; it does nothing while
// no front end is attached or while the user is already interacting.
void luStopForPause();
// Makes the next statement stop with reason "pause" (for callers that cannot
// stop where they are). Same thread rule as luStopForPause.
void luPauseAtNextStatement();
}

#endif  // LUCENTDEBUG_STOP_REASON_H
