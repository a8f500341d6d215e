// What the IDE asks of a running script on its control connection: a pause,
// or its own going away. Either may arrive on another thread at any time; it
// is carried out on the script's thread through the host's VM interrupt
// (checked at loop back-edges and calls), so a script that never stops
// still gets it at its next statement.
#ifndef LUCENTDEBUG_SESSION_CONTROL_H
#define LUCENTDEBUG_SESSION_CONTROL_H

// Any thread: stop where the script is, with the stop reason "pause"
// (luStopForPause at the next VM interrupt).
void luRequestPause();
// Any thread: the IDE is gone; the script runs to its end without stopping.
void luRequestDetach();

// Script thread: drops the session's breakpoints and stepping at once, so
// nothing stops again in this request. Also done at the next VM interrupt
// after luRequestDetach().
void luDetach();
// The IDE of this request is gone (luDetach() has run).
bool luDetached();

// Chains the engine's handler into zend_interrupt_function (process start-up)
// and puts the host's back (process shutdown).
void luInstallInterruptHandler();
void luRemoveInterruptHandler();
// Forgets every request of the last request (request start and end).
void luResetSessionControl();

#endif  // LUCENTDEBUG_SESSION_CONTROL_H
