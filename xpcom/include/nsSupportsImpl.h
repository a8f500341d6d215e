// Reference counting and QueryInterface for component classes; the base class for those that
// answer one interface besides nsISupports, with an atomic count so that they may be shared
// between threads.
#ifndef XPCOM_NSSUPPORTSIMPL_H_
#define XPCOM_NSSUPPORTSIMPL_H_

#include <pratom.h>

#include "nsISupports.h"

// QueryInterface of an object that answers `Interface` and nsISupports with itself.
template <typename Interface>
nsresult NS_QuerySingleInterface(Interface* object, const nsIID& iid, void** result) {
  if (result == nullptr) return NS_ERROR_NULL_POINTER;
  if (iid.Equals(Interface::kIID) || iid.Equals(nsISupports::kIID)) {
    object->AddRef();
    *result = object;
    return NS_OK;
  }
  *result = nullptr;
  return NS_ERROR_NO_INTERFACE;
}

// The end of Release once the count is updated to `count`: at 0 the object is deleted, its
// count set to 1 first so that calls made while it goes cannot delete it twice.
template <typename Object>
nsrefcnt NS_FinishRelease(Object* object, nsAutoRefCnt& refCnt, nsrefcnt count) {
  if (count != 0) return count;
  refCnt = 1;
  delete object;
  return 0;
}

template <typename Interface>
class nsSingleInterfaceImpl : public Interface {
 public:
  nsresult QueryInterface(const nsIID& iid, void** result) override {
    return NS_QuerySingleInterface<Interface>(this, iid, result);
  }
  nsrefcnt AddRef() override {
    return static_cast<nsrefcnt>(PR_AtomicIncrement(mRefCnt.AtomicCell()));
  }
  nsrefcnt Release() override {
    const nsrefcnt count = static_cast<nsrefcnt>(PR_AtomicDecrement(mRefCnt.AtomicCell()));
    if (count == 0) delete this;
    return count;
  }

 protected:
  virtual ~nsSingleInterfaceImpl() = default;

 private:
  nsAutoRefCnt mRefCnt;
};

#endif  // XPCOM_NSSUPPORTSIMPL_H_
