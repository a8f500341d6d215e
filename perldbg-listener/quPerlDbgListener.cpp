// Construction, reference counting and the three forwarded methods of the listener.
#include "quPerlDbgListener.h"

#include <pratom.h>

#include <cstring>

#include "nsGenericConstructor.h"
#include "nsMemory.h"
#include "nsSupportsImpl.h"
#include "qupdbgl.h"

quPerlDbgListener::quPerlDbgListener() {
  CreateSharedLockOnce();
  if (lock_shim == nullptr) return;  // the methods will answer NS_ERROR_OUT_OF_MEMORY
  ShimLockGuard guard;
  shim_construct();
}

nsresult quPerlDbgListener::QueryInterface(const nsIID& iid, void** result) {
  return NS_QuerySingleInterface<quIPerlDbgListener>(this, iid, result);
}

nsrefcnt quPerlDbgListener::AddRef() {
  return static_cast<nsrefcnt>(PR_AtomicIncrement(mRefCnt.AtomicCell()));
}

// The last reference deletes through the virtual destructor.
nsrefcnt quPerlDbgListener::Release() {
  return NS_FinishRelease(this, mRefCnt,
                          static_cast<nsrefcnt>(PR_AtomicDecrement(mRefCnt.AtomicCell())));
}

nsresult quPerlDbgListener::Init(const char* text, int* status) {
  if (lock_shim == nullptr) return NS_ERROR_OUT_OF_MEMORY;
  ShimLockGuard guard;
  return shim_init(text, status) != 0 ? NS_ERROR_FAILURE : NS_OK;
}

// Ends the implementation's state through shim_destruct; `status` is neither read nor written.
nsresult quPerlDbgListener::Term(int*) {
  if (lock_shim == nullptr) return NS_ERROR_OUT_OF_MEMORY;
  ShimLockGuard guard;
  shim_destruct();
  return NS_OK;
}

nsresult quPerlDbgListener::DoCommand(const char* command, char** result) {
  if (lock_shim == nullptr) return NS_ERROR_OUT_OF_MEMORY;
  // An out-parameter: whatever the caller left in it is no text to copy.
  if (result != nullptr) *result = nullptr;
  ShimStatus status;
  {
    ShimLockGuard guard;
    status = shim_docommand(command, result);
  }
  if (status != 0) return NS_ERROR_FAILURE;  // the text stays as the implementation left it
  if (result == nullptr || *result == nullptr) return NS_OK;
  // Hand the caller a buffer of its own; the implementation's comes from the same allocator.
  char* text = *result;
  *result = static_cast<char*>(nsMemory::Clone(text, std::strlen(text) + 1));
  nsMemory::Free(text);
  return *result != nullptr ? NS_OK : NS_ERROR_OUT_OF_MEMORY;
}

nsresult quPerlDbgListenerConstructor(nsISupports* outer, const nsIID& iid, void** result) {
  if (result != nullptr && outer == nullptr && !ImplementationBound()) {
    *result = nullptr;
    return NS_ERROR_NOT_AVAILABLE;
  }
  return NS_GenericConstructor<quPerlDbgListener>(outer, iid, result);
}
