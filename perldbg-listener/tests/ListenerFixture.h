// Loads perldbgshim once per test program, with the recording implementation on the library
// path, and creates listeners.
#ifndef PERLDBG_LISTENER_TESTS_LISTENERFIXTURE_H_
#define PERLDBG_LISTENER_TESTS_LISTENERFIXTURE_H_

#include "ComponentTesting.h"
#include "quIPerlDbgListener.h"

inline constexpr char kListenerContract[] = "@brightwater.example/quPerlDebuggerListener;1";

inline ComponentLibrary& ListenerLibrary() { return LoadedLibrary(PERLDBGSHIM_PATH); }

inline Owned<quIPerlDbgListener> CreateListener() {
  return CreateAs<quIPerlDbgListener>(ListenerLibrary(), kListenerContract);
}

#endif  // PERLDBG_LISTENER_TESTS_LISTENERFIXTURE_H_
