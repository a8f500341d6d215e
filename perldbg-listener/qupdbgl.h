// The implementation library's five entry points and the lock that serialises every call
// into it, shared by all listener instances of the process.
#ifndef PERLDBG_LISTENER_QUPDBGL_H_
#define PERLDBG_LISTENER_QUPDBGL_H_

#include <prlock.h>

// A one-byte status: 0 means success.
using ShimStatus = unsigned char;
using ShimLifecycleEntry = void (*)();
using ShimInitEntry = ShimStatus (*)(const char* text, int* status);
using ShimCommandEntry = ShimStatus (*)(const char* command, char** result);

// Null when not found. Set once while the library loads.
extern ShimLifecycleEntry shim_construct;
extern ShimLifecycleEntry shim_destruct;
extern ShimInitEntry shim_init;
extern ShimLifecycleEntry shim_term;
extern ShimCommandEntry shim_docommand;

// True when every entry point a listener calls was found. shim_term is looked up only.
bool ImplementationBound();

// Null until the first construction, and for good if NSPR could not create it.
extern PRLock* lock_shim;

// Creates lock_shim, exactly once however many constructions race to it.
void CreateSharedLockOnce();

// Holds lock_shim, which must exist, for one call into the implementation.
class ShimLockGuard {
 public:
  ShimLockGuard() { PR_Lock(lock_shim); }
  ~ShimLockGuard() { PR_Unlock(lock_shim); }
  ShimLockGuard(const ShimLockGuard&) = delete;
  ShimLockGuard& operator=(const ShimLockGuard&) = delete;
};

#endif  // PERLDBG_LISTENER_QUPDBGL_H_
