// Reference counting and QueryInterface for classes that answer one interface besides
// nsISupports; the count is atomic so that such objects may be shared between threads.
#ifndef XPCOM_NSSUPPORTSIMPL_H_
#define XPCOM_NSSUPPORTSIMPL_H_

#include <pratom.h>

#include "nsISupports.h"

template <typename Interface>
class nsSingleInterfaceImpl : public Interface {
 public:
  nsresult QueryInterface(const nsIID& iid, void** result) override {
    if (result == nullptr) return NS_ERROR_NULL_POINTER;
    if (iid.Equals(Interface::kIID) || iid.Equals(nsISupports::kIID)) {
      AddRef();
      *result = static_cast<Interface*>(this);
      return NS_OK;
    }
    *result = nullptr;
    return NS_ERROR_NO_INTERFACE;
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
