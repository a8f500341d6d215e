// Binds the implementation library while the component library loads. Missing pieces are
// reported and loading goes on; the factory then refuses to create listeners (see
// ImplementationBound), so no missing entry point is ever called.
#include "qupdbgl.h"

#include <dlfcn.h>

#include <cstdio>

#include "SymbolBinding.h"

ShimLifecycleEntry shim_construct;
ShimLifecycleEntry shim_destruct;
ShimInitEntry shim_init;
ShimLifecycleEntry shim_term;
ShimCommandEntry shim_docommand;
PRLock* lock_shim;

bool ImplementationBound() {
  return shim_construct != nullptr && shim_destruct != nullptr && shim_init != nullptr &&
         shim_docommand != nullptr;
}

namespace {

constexpr char kSourcePath[] = "build/release/perldbg-listener/qupdbgl";

// Kept for the life of the process.
void* implementation;

template <typename Pointer>
void Bind(Pointer* slot, const char* symbol, int line) {
  const char* error = nullptr;
  if (!BindSymbol(implementation, symbol, slot, &error) && error != nullptr) {
    std::fprintf(stderr, "%s:%d: %s\n", kSourcePath, line, error);
  }
}

__attribute__((constructor)) void BindImplementation() {
  implementation = dlopen("libqupdbglImpl.so", RTLD_LAZY | RTLD_GLOBAL);
  if (implementation == nullptr) {
    // Without a handle a lookup would search the whole process: leave every entry null.
    std::fputs(dlerror(), stderr);
    return;
  }
  Bind(&shim_construct, "shim_construct", __LINE__);
  Bind(&shim_destruct, "shim_destruct", __LINE__);
  Bind(&shim_init, "shim_init", __LINE__);
  Bind(&shim_term, "shim_term", __LINE__);
  Bind(&shim_docommand, "shim_docommand", __LINE__);
}

}  // namespace

void CreateSharedLockOnce() {
  // The language runs this initialiser exactly once and holds other callers until it is done.
  // PR_CallOnce is no help here: the first construction may be the process's first use of
  // NSPR, and NSPR's implicit start-up is not safe against a second thread's PR_CallOnce.
  static const bool created = [] {
    lock_shim = PR_NewLock();
    return lock_shim != nullptr;
  }();
  static_cast<void>(created);
}
